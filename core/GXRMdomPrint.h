// GXRMdomPrint.h: the document's nodes as UTF-8 XML text.
#pragma once

#include <pugixml.hpp>

namespace gxrm::dom::detail {

// Writes `first` and every sibling after it, with everything below them, as
// raw XML without added declaration or indentation. Text content escapes a
// carriage return, so that it reads back as one; a tree of any depth is
// written without recursion.
void PrintNodes(pugi::xml_node first, pugi::xml_writer& writer);

}  // namespace gxrm::dom::detail
