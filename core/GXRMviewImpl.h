// GXRMviewImpl.h: a read-only view of the elements behind the DOM handles,
// for the paths that read a whole model (the reader, the Python module).
//
// A view is a plain pointer into the tree: no reference count, no place in
// the document's ring of handles. It stays valid while a handle keeps its
// document alive and the tree is not changed; Handle() turns it back into a
// DOM handle where one must be handed out.
#pragma once

#include <pugixml.hpp>

#include <cstring>

#include "core/GXRMdomImpl.h"

namespace gxrm::dom::detail {

class ElementView {
 public:
  ElementView() = default;
  // The element behind `handle`; an empty view for any other node.
  static ElementView Of(const Node& handle) {
    return Access::PugiAttribute(handle) ? ElementView() : ElementView(Access::Pugi(handle));
  }

  explicit operator bool() const { return static_cast<bool>(node_); }
  // The element name; "" for an empty view.
  const char* Name() const { return node_.name(); }
  // True when the view is an element of that name.
  bool Is(const char* name) const { return node_ && std::strcmp(node_.name(), name) == 0; }
  // The value of the attribute of that name, or null when there is none.
  const char* Attribute(const char* name) const {
    pugi::xml_attribute a = node_.attribute(name);
    return a ? a.value() : nullptr;
  }
  // Calls `visit(name, value)` for each attribute, in order.
  template <typename Visit>
  void ForEachAttribute(Visit&& visit) const {
    for (pugi::xml_attribute a = node_.first_attribute(); a; a = a.next_attribute())
      visit(a.name(), a.value());
  }

  // Walks child elements in document order; other children are skipped, or
  // end the walk for a leading-elements range.
  class ChildIterator {
   public:
    ChildIterator(pugi::xml_node at, bool leading) : at_(Settle(at, leading)), leading_(leading) {}
    ElementView operator*() const { return ElementView(at_); }
    ChildIterator& operator++() {
      at_ = Settle(at_.next_sibling(), leading_);
      return *this;
    }
    bool operator!=(const ChildIterator& other) const { return at_ != other.at_; }

   private:
    static pugi::xml_node Settle(pugi::xml_node n, bool leading) {
      while (n && n.type() != pugi::node_element) n = leading ? pugi::xml_node() : n.next_sibling();
      return n;
    }
    pugi::xml_node at_;
    bool leading_;
  };
  struct Children {
    ChildIterator first;
    ChildIterator begin() const { return first; }
    ChildIterator end() const { return ChildIterator(pugi::xml_node(), false); }
  };
  // Every child element.
  Children ChildElements() const { return {ChildIterator(node_.first_child(), false)}; }
  // The child elements before the first child that is no element.
  Children LeadingChildElements() const { return {ChildIterator(node_.first_child(), true)}; }
  // The first child element of that name, or an empty view.
  ElementView FirstChild(const char* name) const {
    for (ElementView child : ChildElements()) {
      if (child.Is(name)) return child;
    }
    return ElementView();
  }

  // A DOM handle on the element; `of_document` is any handle of its document.
  Node Handle(const Node& of_document) const { return Access::MakeNode(Access::Impl(of_document), node_); }

 private:
  explicit ElementView(pugi::xml_node n) : node_(n.type() == pugi::node_element ? n : pugi::xml_node()) {}
  pugi::xml_node node_;
};

}  // namespace gxrm::dom::detail
