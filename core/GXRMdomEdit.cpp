// The changes to a document's tree, each announcing itself to the caches.
#include <pugixml.hpp>

#include <cstdint>

#include "core/GXRMdomImpl.h"
#include "core/GXRMerror.h"

namespace gxrm::dom::detail {

namespace {

// pugixml's record of a node. pugixml's own moves make sure the node is no
// ancestor of its new parent by walking from that parent up to the document,
// which makes building a deep tree from the top quadratic. Where the library
// has made sure of that itself, it relinks the node in constant time through
// this record. The layout is checked once against pugixml's accessors; should
// it ever differ, every move goes through pugixml.
struct NodeRecord {
  uintptr_t header;
  char* name;
  char* value;
  NodeRecord* parent;
  NodeRecord* first_child;
  NodeRecord* prev_sibling_c;  // cyclic: the first child's is the last child
  NodeRecord* next_sibling;    // null for the last child
  void* first_attribute;
};

NodeRecord* RecordOf(pugi::xml_node n) { return reinterpret_cast<NodeRecord*>(n.internal_object()); }

bool LayoutMatches() {
  pugi::xml_document d;
  pugi::xml_node a = d.append_child("a");
  pugi::xml_attribute x = a.append_attribute("x");
  pugi::xml_node b = a.append_child("b");
  pugi::xml_node c = a.append_child(pugi::node_pcdata);
  if (!x || !b || !c || !c.set_value("v")) return false;
  const NodeRecord *ra = RecordOf(a), *rb = RecordOf(b), *rc = RecordOf(c);
  return ra->name == a.name() && ra->parent == RecordOf(d) && ra->first_child == rb && !ra->next_sibling &&
         ra->prev_sibling_c == ra && ra->first_attribute == x.internal_object() && rb->parent == ra &&
         rb->next_sibling == rc && rb->prev_sibling_c == rc && rc->prev_sibling_c == rb &&
         !rc->next_sibling && rc->value == c.value() && !rb->first_child;
}

// Moves `n` to the end of `parent`'s children, as pugixml does.
void Relink(NodeRecord* n, NodeRecord* parent) {
  NodeRecord* old = n->parent;
  NodeRecord* next = n->next_sibling;
  NodeRecord* prev = n->prev_sibling_c;
  (next ? next : old->first_child)->prev_sibling_c = prev;
  (prev->next_sibling ? prev->next_sibling : old->first_child) = next;
  n->parent = parent;
  n->next_sibling = nullptr;
  if (NodeRecord* head = parent->first_child) {
    NodeRecord* tail = head->prev_sibling_c;
    tail->next_sibling = n;
    n->prev_sibling_c = tail;
    head->prev_sibling_c = n;
  } else {
    parent->first_child = n;
    n->prev_sibling_c = n;
  }
}

}  // namespace

pugi::xml_node DocImpl::AppendNew(pugi::xml_node parent, pugi::xml_node_type type) {
  ChildrenChanging(parent);
  return Allocated(parent.append_child(type));
}

pugi::xml_node DocImpl::AppendCopy(pugi::xml_node parent, pugi::xml_node source) {
  ChildrenChanging(parent);
  return Allocated(parent.append_copy(source));
}

bool DocImpl::AppendMove(pugi::xml_node parent, pugi::xml_node child) {
  static const bool relinkable = LayoutMatches();
  ChildrenChanging(parent);
  ChildrenChanging(child.parent());
  // Under an element the caller has checked everything pugixml would.
  if (!relinkable || parent.type() != pugi::node_element || child.type() == pugi::node_declaration) {
    return static_cast<bool>(parent.append_move(child));
  }
  Relink(RecordOf(child), RecordOf(parent));
  return true;
}

pugi::xml_node DocImpl::InsertNewAtTop(pugi::xml_node after, pugi::xml_node_type type) {
  ChildrenChanging(doc);
  return Allocated(doc.insert_child_after(type, after));
}

pugi::xml_node DocImpl::MoveToTop(pugi::xml_node child, pugi::xml_node after) {
  ChildrenChanging(doc);
  ChildrenChanging(child.parent());
  return doc.insert_move_after(child, after);
}

bool DocImpl::TakeOut(pugi::xml_node child) {
  Detaching();
  ChildrenChanging(child.parent());
  if (child.type() == pugi::node_declaration) return static_cast<bool>(doc.insert_move_before(child, limbo));
  return static_cast<bool>(limbo.append_move(child));
}

void DocImpl::Discard(pugi::xml_node built) {
  ChildrenChanging(built.parent());
  built.parent().remove_child(built);
}

bool DocImpl::SetValue(pugi::xml_node node, std::string_view value) {
  ChildrenChanging(node.parent());
  return node.set_value(value.data(), value.size());
}

bool DocImpl::SetValue(pugi::xml_node owner, pugi::xml_attribute a, std::string_view value) {
  AttributesChanging(owner);
  return a.set_value(value.data(), value.size());
}

AttributeWriter DocImpl::EditAttributes(pugi::xml_node element) {
  AttributesChanging(element);
  return AttributeWriter(element);
}

pugi::xml_attribute AttributeWriter::Find(std::string_view name) {
  if (index_.empty() && added_ < kScanLimit) {
    for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute()) {
      if (name == a.name()) return a;
    }
    return {};
  }
  if (index_.empty()) {
    for (pugi::xml_attribute a = element_.first_attribute(); a; a = a.next_attribute()) {
      index_.try_emplace(a.name(), a.internal_object());
    }
  }
  auto found = index_.find(name);
  return found == index_.end() ? pugi::xml_attribute() : pugi::xml_attribute(found->second);
}

void AttributeWriter::Set(std::string_view name, std::string_view value) {
  CheckName(name, "attribute name");
  CheckText(value, "attribute value");
  pugi::xml_attribute a = Find(name);
  if (!a) {
    a = element_.append_attribute(Terminated(name).c_str());
    if (a && !index_.empty()) index_.try_emplace(a.name(), a.internal_object());
    ++added_;
  }
  if (!a || !a.set_value(value.data(), value.size())) ThrowDomError(kErrOutOfMemory, "setAttribute");
}

}  // namespace gxrm::dom::detail
