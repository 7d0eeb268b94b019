// The changes to a document's tree, each announcing itself to the caches.
#include <pugixml.hpp>

#include "core/GXRMdomImpl.h"
#include "core/GXRMerror.h"

namespace gxrm::dom::detail {

pugi::xml_node DocImpl::AppendNew(pugi::xml_node parent, pugi::xml_node_type type) {
  ChildrenChanging(parent);
  return Allocated(parent.append_child(type));
}

pugi::xml_node DocImpl::AppendCopy(pugi::xml_node parent, pugi::xml_node source) {
  ChildrenChanging(parent);
  return Allocated(parent.append_copy(source));
}

bool DocImpl::AppendMove(pugi::xml_node parent, pugi::xml_node child) {
  ChildrenChanging(parent);
  ChildrenChanging(child.parent());
  return static_cast<bool>(parent.append_move(child));
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
