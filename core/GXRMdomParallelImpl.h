// GXRMdomParallelImpl.h: the parallel way of loading a large document.
//
// pugixml builds the tree from a copy of the bytes, in place (names and texts
// point into that copy), while expat checks the same bytes on the calling
// thread. Once the tree stands, the document is divided at an element start
// past the point expat has reached: the calling thread checks the part before
// it, closed by the end tags of the elements open there; the other thread
// checks the rest, opened by their start tags. Both parts are accepted exactly
// when the whole is, so a document either loads this way with the tree the
// strict way builds, or goes the strict way, which gives its error.
#pragma once
// What the tests need is exported.

#include <expat.h>
#include <pugixml.hpp>
#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/GXRMdomImpl.h"
#include "core/GXRMdomLoadImpl.h"

namespace gxrm::dom::detail {

// The bytes of a document: in memory, or in an open file read by ranges.
class GXRM_API Source {
 public:
  explicit Source(std::string_view bytes) : bytes_(bytes), size_(bytes.size()) {}
  Source(int fd, const struct stat& info) : fd_(fd), info_(info), size_(static_cast<size_t>(info.st_size)) {}

  size_t size() const { return size_; }
  // Copies [offset, offset + n) to `out`; false when the file cannot be read.
  bool Read(size_t offset, size_t n, char* out) const;
  // False when the file is no longer the one opened, unchanged.
  bool Unchanged() const;

 private:
  std::string_view bytes_;
  int fd_ = -1;
  struct stat info_ {};
  size_t size_;
};

// expat checking a document fed to it piece by piece, with no handlers.
class GXRM_API ExpatCheck {
 public:
  ExpatCheck();  // raises std::bad_alloc
  ~ExpatCheck() { XML_ParserFree(parser_); }
  ExpatCheck(const ExpatCheck&) = delete;
  ExpatCheck& operator=(const ExpatCheck&) = delete;

  // Feeds [offset, offset + n) of `source`; false once the document is refused.
  bool Feed(const Source& source, size_t offset, size_t n, bool last);
  // Feeds `text`; false once the document is refused.
  bool Feed(std::string_view text, bool last);

 private:
  XML_Parser parser_;
};

// Where a document is divided: an element start, and the elements open there.
struct Split {
  size_t offset = 0;    // of the '<' of the start tag
  std::string opening;  // their start tags, outermost first: "<a><b>"
  std::string closing;  // their end tags, innermost first: "</b></a>"
};

// The first element below `root` whose start tag begins at or after byte
// `from`, in a tree pugixml parsed in place from a buffer starting at `base`;
// none when no element starts there.
GXRM_API std::optional<Split> FindSplit(pugi::xml_node root, const char* base, size_t from);

// Loads `source` the parallel way into `impl`, which holds nothing. False
// when the document must be read the strict way: `impl` is then empty again.
bool LoadParallel(DocImpl& impl, const Source& source, const LoadOptions& options);

}  // namespace gxrm::dom::detail
