// GXRMdomLoadImpl.h: loading with the choices Document::load does not offer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/GXRMdom.h"

namespace gxrm::dom::detail {

// Which way a document was read.
enum class LoadPath {
  kStrict,    // expat's events built the tree
  kParallel,  // expat read the document in two parts, on two threads
  kChecked,   // pugixml built the tree, expat checked the document on two threads
  kCheckedOnOneThread,  // the same on one thread
};

struct LoadOptions {
  // The text nodes that hold only white space stay in the tree, so that the
  // layout of the file survives a save; they share one copy of each such text.
  // A line feed alone that starts an element's content is kept as a mark on
  // the element, which the printer writes back, and shows as no node: a file
  // the library wrote has one per element, and a node costs 64 bytes.
  bool keep_blank_text = false;
  // Smaller documents are read the strict way alone: threads, or a second
  // parse, would cost more than they save. 0 lets every document try the
  // other ways.
  size_t parallel_from = size_t{1} << 20;
  // Read on the calling thread alone, for a caller that loads several files
  // side by side.
  bool one_thread = false;
  // For tests: where the division is looked for (0: the library's choice),
  // whatever the number of processors.
  size_t divide_from = 0;
  // Set, when not null, to the way the document was read.
  LoadPath* taken = nullptr;
};

// As Document::load, with the options above (exported for the tests and fuzzers).
GXRM_API bool LoadFile(Document& doc, const std::string& path, const LoadOptions& options);
// As LoadFile, from the bytes of a file already read.
GXRM_API bool LoadText(Document& doc, std::string_view bytes, const LoadOptions& options);

inline bool LoadFile(Document& doc, const std::string& path, bool keep_blank_text) {
  return LoadFile(doc, path, LoadOptions{keep_blank_text});
}
inline bool LoadText(Document& doc, std::string_view bytes, bool keep_blank_text) {
  return LoadText(doc, bytes, LoadOptions{keep_blank_text});
}

}  // namespace gxrm::dom::detail
