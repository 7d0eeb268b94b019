// What a load gives, as one text: the error, or every node of the tree. The
// two ways of loading must give the same text for the same bytes.
#pragma once

#include <string>
#include <string_view>

#include "core/GXRMdomImpl.h"
#include "core/GXRMdomLoadImpl.h"
#include "core/GXRMrecordImpl.h"

namespace gxrm_test {

// Every node in document order, one line each, indented by depth, line-feed
// marks shown; no recursion.
inline std::string TreeText(pugi::xml_node top) {
  std::string text;
  int depth = 0;
  for (pugi::xml_node n = top.first_child(); n;) {
    text.append(static_cast<size_t>(depth) * 2, ' ');
    text += std::to_string(n.type()) + " <" + n.name() + "> [" + n.value() + "]";
    for (pugi::xml_attribute a : n.attributes()) text += std::string(" ") + a.name() + "=[" + a.value() + "]";
    if (gxrm::dom::detail::HasLeadingLineFeed(gxrm::dom::detail::RecordOf(n))) text += " +line feed";
    text += '\n';
    if (n.first_child()) {
      n = n.first_child();
      ++depth;
      continue;
    }
    while (n != top && !n.next_sibling()) {
      n = n.parent();
      --depth;
    }
    n = n == top ? pugi::xml_node() : n.next_sibling();
  }
  return text;
}

// Loads `bytes` the strict way, or on two threads divided at the first
// element start from `divide_from` (1 and up), or, `alone`, any way but the
// strict one on one thread, and tells what came of it.
inline std::string LoadOutcome(std::string_view bytes, bool keep_blank_text, size_t divide_from = 0,
                               gxrm::dom::detail::LoadPath* taken = nullptr, bool alone = false) {
  namespace dom = gxrm::dom;
  dom::detail::LoadOptions options;
  options.keep_blank_text = keep_blank_text;
  options.parallel_from = divide_from || alone ? 0 : static_cast<size_t>(-1);
  options.divide_from = divide_from;
  options.one_thread = alone;
  options.taken = taken;
  dom::Document doc = dom::Document::create();
  if (!dom::detail::LoadText(doc, bytes, options)) {
    const dom::ParseError& e = doc.parseError();
    return "refused: " + std::to_string(e.errorCode) + " at " + std::to_string(e.line) + ":" +
           std::to_string(e.linepos) + " (" + std::to_string(e.filepos) + ") " + e.reason +
           (doc.documentElement() ? " with a root left" : "");
  }
  return TreeText(dom::detail::Access::Pugi(doc));
}

}  // namespace gxrm_test
