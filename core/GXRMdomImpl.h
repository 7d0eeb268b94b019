// GXRMdomImpl.h: the document behind the DOM handles, for the library's own use.
//
// The tree is a pugixml document. Nodes that are not in the tree (created and
// not yet appended, or removed) are kept under a hidden element, the limbo,
// which is the document's first child and is never shown or saved; that is
// what keeps a removed node usable while a handle on it exists.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <memory>

#include "core/GXRMdom.h"

namespace gxrm::dom::detail {

struct DocImpl {
  DocImpl();

  pugi::xml_document doc;
  pugi::xml_node limbo;
  // Changes whenever the document's top-level nodes, the root's children or
  // those children's attributes change; caches keyed on it stay exact.
  uint64_t rootGeneration = 0;
  ParseError parseError;
  // Lookup cache of the navigation, dropped with the document.
  std::shared_ptr<void> navCache;

  // True when changing the children of `parent` may change what the
  // document's top two levels look like. Fresh nodes sit in the limbo, so
  // that case is answered first.
  bool TouchesRoot(pugi::xml_node parent) const {
    if (parent == limbo) return false;
    if (parent == doc) return true;
    return parent.parent() == doc;
  }
  // True when changing the attributes of `element` may do so.
  bool AttributesTouchRoot(pugi::xml_node element) const {
    pugi::xml_node parent = element.parent();
    if (!parent || parent == limbo) return false;
    return parent == doc || parent.parent() == doc;
  }
  // The root element, or an empty node.
  pugi::xml_node Root() const;
};

// Raise 0x80070057 unless `name` is a legal XML name, or `text` may stand in
// a document; `what` names the text in the message.
void CheckName(std::string_view name, const char* what);
void CheckText(std::string_view text, const char* what);
// Sets an attribute of an element as Element::setAttribute does, without
// tracking the navigation index: for elements no index can contain yet.
void SetAttributeOfNew(pugi::xml_node element, std::string_view name, std::string_view value);

// Conversions between handles and pugixml nodes inside the library.
struct Access {
  static Node MakeNode(const std::shared_ptr<DocImpl>& doc, pugi::xml_node n);
  static Node MakeAttribute(const std::shared_ptr<DocImpl>& doc, pugi::xml_node owner,
                            pugi::xml_attribute a);
  static Document MakeDocument(const std::shared_ptr<DocImpl>& doc);
  static pugi::xml_node Pugi(const Node& n) { return pugi::xml_node(n.node_); }
  static pugi::xml_attribute PugiAttribute(const Node& n) { return pugi::xml_attribute(n.attr_); }
  static const std::shared_ptr<DocImpl>& Impl(const Node& n) { return n.doc_; }
  // The node's document; raises 0x80004003 on an empty handle.
  static DocImpl& Require(const Node& n, const char* operation);
};

}  // namespace gxrm::dom::detail
