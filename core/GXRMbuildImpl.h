// GXRMbuildImpl.h: elements made from host records straight in a document's
// tree, without a handle per element: AddChild's work for the writer's bulk.
#pragma once

#include <cstddef>
#include <utility>

#include "core/CGXRMnode.h"
#include "core/GXRMdomImpl.h"

namespace gxrm {

// (name, value) pairs of host text (GBK), without a copy.
struct GbkPairs {
  const std::pair<CString, CString>* first;
  size_t size;
  const std::pair<CString, CString>* begin() const { return first; }
  const std::pair<CString, CString>* end() const { return first + size; }
};

inline GbkPairs PairsOf(const CGXRMnode& record) { return {record.Atts().data(), record.Atts().size()}; }
inline GbkPairs PairsOf(GbkPairs pairs) { return pairs; }

// Appends an element named `name`, a legal XML name and a constant of the
// library, as the last child of `parent`, an element of `impl`'s tree, with
// the pairs as its attributes and a line-feed text node inside, as AddChild
// does; raises as AddChild does and then leaves the tree as it was.
// `fresh_parent`: `parent` was made by these calls and not handed out yet.
pugi::xml_node AppendRecord(dom::detail::DocImpl& impl, pugi::xml_node parent, const char* name,
                            GbkPairs record, bool fresh_parent);

}  // namespace gxrm
