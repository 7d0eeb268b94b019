// GXRMcomponent.cpp: reading and changing one component.
#include <cstring>

#include "core/GXRMrecordImpl.h"
#include "core/GXRMtreeImpl.h"
#include "core/GXRMxmlchars.h"
#include "model/GXRMmodelImpl.h"

namespace gxrm {

namespace {

using dom::detail::Access;

bool IsTypeElement(pugi::xml_node element) { return model::Is(element, format::kTypeClass); }

// The object list (global or "Floor") a component stands in, three levels up.
pugi::xml_node ListOf(pugi::xml_node element) { return element.parent().parent().parent().parent(); }

GXRM_objType_base::Type TypeOf(pugi::xml_node element) {
  return TypeByChineseName(element.parent().parent().attribute(format::kAttTypeName).value());
}

// The key or list, checked against the lists of this kind of component.
model::Key Checked(pugi::xml_node element, model::Key parsed, const std::string& key) {
  if (parsed.of_type != IsTypeElement(element)) {
    throw QueryError("'" + key + "': " +
                     (parsed.of_type ? "a list of type definitions, not of instances"
                                     : "a list of instances, not of type definitions"));
  }
  return parsed;
}

model::Key KeyFor(pugi::xml_node element, const std::string& key) {
  return Checked(element, model::ParseKey(key), key);
}

// The first record of the list holding the attribute, or an empty attribute.
pugi::xml_attribute FindValue(pugi::xml_node element, const model::Key& key, pugi::xml_node* record) {
  for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling()) {
    if (!model::Is(c, key.list)) continue;
    if (pugi::xml_attribute a = c.attribute(key.attr.c_str())) {
      if (record) *record = c;
      return a;
    }
  }
  return pugi::xml_attribute();
}

// Where a new record of list `index` goes: before the first child element
// that belongs after it in the writer's order, or last.
pugi::xml_node PlaceOfNewRecord(pugi::xml_node element, const layout::ComponentShape& shape, size_t index) {
  for (pugi::xml_node c = element.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && shape.ListIndex(c.name()) > index) return c;
  }
  return pugi::xml_node();
}

}  // namespace

Component::Component(std::shared_ptr<ModelState> state, dom::Element element)
    : state_(std::move(state)), element_(std::move(element)) {}

// The element, once it is known to be in the model's tree.
static pugi::xml_node LiveElement(const ModelState& state, const dom::Element& element) {
  pugi::xml_node n = Access::Pugi(element);
  const pugi::xml_node limbo = state.Impl().limbo;
  for (pugi::xml_node up = n; up; up = up.parent()) {
    if (up == limbo) throw ModelError("the component was removed from the model");
  }
  return n;
}

std::string Component::Id() const {
  pugi::xml_node n = LiveElement(*state_, element_);
  return n.attribute(model::ShapeOf(IsTypeElement(n)).id_att).value();
}

std::string Component::Name() const {
  pugi::xml_node n = LiveElement(*state_, element_);
  return n.attribute(model::ShapeOf(IsTypeElement(n)).name_att).value();
}

void Component::SetId(const std::string& id) {
  pugi::xml_node n = LiveElement(*state_, element_);
  element_.setAttribute(model::ShapeOf(IsTypeElement(n)).id_att, id);
}

void Component::SetName(const std::string& name) {
  pugi::xml_node n = LiveElement(*state_, element_);
  element_.setAttribute(model::ShapeOf(IsTypeElement(n)).name_att, name);
}

GXRM_objType_base::Type Component::Type() const { return TypeOf(LiveElement(*state_, element_)); }

GXRM_obj_base::Kind Component::Kind() const { return CGXRMobjTypeBase::GetObjKind(Type()); }

std::string Component::Floor() const {
  pugi::xml_node list = ListOf(LiveElement(*state_, element_));
  return model::Is(list, format::kFloor) ? list.attribute(format::kAttFloorName).value() : "";
}

bool Component::IsType() const { return IsTypeElement(LiveElement(*state_, element_)); }

std::optional<std::string> Component::Get(const std::string& key) const {
  pugi::xml_node n = LiveElement(*state_, element_);
  pugi::xml_attribute a = FindValue(n, KeyFor(n, key), nullptr);
  if (!a) return std::nullopt;
  return std::string(a.value());
}

void Component::Set(const std::string& key, const std::string& value) {
  pugi::xml_node n = LiveElement(*state_, element_);
  model::Key parsed = KeyFor(n, key);
  pugi::xml_node record;
  if (pugi::xml_attribute a = FindValue(n, parsed, &record)) {
    // In place, as setAttribute would, without a handle per call.
    dom::detail::CheckText(value, "attribute value");
    if (!state_->Impl().SetValue(record, a, value)) ThrowDomError(kErrOutOfMemory, "setting a value");
    return;
  }
  if ((record = model::FirstChild(n, parsed.list))) {
    state_->Handle(record).setAttribute(parsed.attr, value);
    return;
  }
  const layout::ComponentShape& shape = model::ShapeOf(IsTypeElement(n));
  pugi::xml_node before = PlaceOfNewRecord(n, shape, shape.ListIndex(parsed.list));
  AddChildUtf8(element_, parsed.list, {{parsed.attr, value}}, before ? state_->Handle(before) : dom::Node());
}

bool Component::Remove(const std::string& key) {
  pugi::xml_node n = LiveElement(*state_, element_);
  if (key == model::kKeyName || key == model::kKeyId) {
    const layout::ComponentShape& shape = model::ShapeOf(IsTypeElement(n));
    return n.remove_attribute(key == model::kKeyName ? shape.name_att : shape.id_att);
  }
  model::Key parsed = KeyFor(n, key);
  bool removed = false;
  for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
    if (model::Is(c, parsed.list)) removed = c.remove_attribute(parsed.attr.c_str()) || removed;
  }
  return removed;
}

std::vector<Pairs> Component::Records(const std::string& list_name) const {
  pugi::xml_node n = LiveElement(*state_, element_);
  const model::Key parsed = Checked(n, model::ParseList(list_name), list_name);
  std::vector<Pairs> records;
  for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
    if (!model::Is(c, parsed.list)) continue;
    Pairs& pairs = records.emplace_back();
    for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute())
      pairs.emplace_back(a.name(), a.value());
  }
  return records;
}

dom::Element Component::Element() const {
  LiveElement(*state_, element_);
  return element_;
}

namespace {

bool SameAttributes(pugi::xml_node a, pugi::xml_node b) {
  pugi::xml_attribute x = a.first_attribute(), y = b.first_attribute();
  for (; x && y; x = x.next_attribute(), y = y.next_attribute()) {
    if (std::strcmp(x.name(), y.name()) != 0 || std::strcmp(x.value(), y.value()) != 0) return false;
  }
  return !x && !y;
}

// The first record of the list at or after `c`, or an empty node.
pugi::xml_node RecordFrom(pugi::xml_node c, const char* list) {
  while (c && !model::Is(c, list)) c = c.next_sibling();
  return c;
}

bool SameRecords(pugi::xml_node a, pugi::xml_node b, const char* list) {
  pugi::xml_node x = RecordFrom(a.first_child(), list), y = RecordFrom(b.first_child(), list);
  for (; x && y; x = RecordFrom(x.next_sibling(), list), y = RecordFrom(y.next_sibling(), list)) {
    if (!SameAttributes(x, y)) return false;
  }
  return !x && !y;
}

// Whether the child elements of the two pair off with the same names and attributes.
bool SameChildElements(pugi::xml_node a, pugi::xml_node b) {
  for (pugi::xml_node x = a.first_child(), y = b.first_child();; x = x.next_sibling(), y = y.next_sibling()) {
    while (x && x.type() != pugi::node_element) x = x.next_sibling();
    while (y && y.type() != pugi::node_element) y = y.next_sibling();
    if (!x || !y) return !x && !y;
    if (std::strcmp(x.name(), y.name()) != 0 || !SameAttributes(x, y)) return false;
  }
}

}  // namespace

bool Component::SameContent(const Component& other) const {
  pugi::xml_node a = LiveElement(*state_, element_), b = LiveElement(*other.state_, other.element_);
  if (IsTypeElement(a) != IsTypeElement(b) || !SameAttributes(a, b)) return false;
  // Mostly every child is the same, in one pass; else the lists are compared one by one.
  if (SameChildElements(a, b)) return true;
  const layout::ComponentShape& shape = model::ShapeOf(IsTypeElement(a));
  for (size_t i = 0; i < shape.list_count; ++i) {
    if (!SameRecords(a, b, shape.lists[i])) return false;
  }
  return true;
}

bool Component::operator==(const Component& other) const { return element_ == other.element_; }

namespace {

// The walk of SameTree, through pugixml or through its records (see RecordView).
template <typename View>
struct TreeCompare {
  using Node = typename View::Node;
  using Attribute = typename View::Attribute;

  static bool SameText(const char* a, const char* b) { return a == b || std::strcmp(a, b) == 0; }

  static bool IsBlankText(Node n) {
    return View::Type(n) == pugi::node_pcdata && xml::IsWhiteSpace(View::Value(n));
  }

  // `n` or the first sibling after it that is not blank text.
  static Node Compared(Node n) {
    while (n && IsBlankText(n)) n = View::NextSibling(n);
    return n;
  }

  static bool SameNode(Node a, Node b) {
    if (View::Type(a) != View::Type(b) || !SameText(View::Name(a), View::Name(b)) ||
        !SameText(View::Value(a), View::Value(b))) {
      return false;
    }
    Attribute x = View::FirstAttribute(a), y = View::FirstAttribute(b);
    for (; x && y; x = View::Next(x), y = View::Next(y)) {
      if (!SameText(View::Name(x), View::Name(y)) || !SameText(View::Value(x), View::Value(y))) return false;
    }
    return !x && !y;
  }

  // Both trees in step, in document order, without recursion: `x` and `y`
  // are the nodes to compare next, `up_x` and `up_y` their parents.
  static bool Same(Node top_a, Node top_b) {
    if (!SameNode(top_a, top_b)) return false;
    Node up_x = top_a, up_y = top_b;
    Node x = Compared(View::FirstChild(top_a)), y = Compared(View::FirstChild(top_b));
    while (true) {
      if (x && y) {
        if (!SameNode(x, y)) return false;
        up_x = x, up_y = y;
        x = Compared(View::FirstChild(x)), y = Compared(View::FirstChild(y));
        continue;
      }
      if (x || y) return false;
      if (up_x == top_a) return true;
      x = Compared(View::NextSibling(up_x)), y = Compared(View::NextSibling(up_y));
      up_x = View::Parent(up_x), up_y = View::Parent(up_y);
    }
  }
};

}  // namespace

bool SameTree(const dom::Node& a, const dom::Node& b) {
  const pugi::xml_node top_a = Access::Pugi(a), top_b = Access::Pugi(b);
  if (!top_a || !top_b) return !top_a && !top_b;
  if (dom::detail::RecordsMatch()) {
    return TreeCompare<dom::detail::RecordView>::Same(dom::detail::RecordOf(top_a), dom::detail::RecordOf(top_b));
  }
  return TreeCompare<dom::detail::PugiView>::Same(top_a, top_b);
}

ComponentView::ComponentView(const ModelState& state, const void* element, const std::string& floor,
                             int floor_index, GXRM_objType_base::Type type, bool is_type)
    : state_(state),
      element_(element),
      floor_(floor),
      floor_index_(floor_index),
      type_(type),
      is_type_(is_type) {}

namespace {

pugi::xml_node NodeOf(const void* element) {
  return pugi::xml_node(static_cast<pugi::xml_node_struct*>(const_cast<void*>(element)));
}

// Calls visit(list_index, record) for every record of a component's lists, in document order.
template <typename Visit>
void ForEachRecord(pugi::xml_node component, const layout::ComponentShape& shape, Visit&& visit) {
  for (pugi::xml_node c = component.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    size_t index = shape.ListIndex(c.name());
    if (index != shape.list_count) visit(index, c);
  }
}

}  // namespace

const char* ComponentView::Id() const {
  return NodeOf(element_).attribute(model::ShapeOf(is_type_).id_att).value();
}

const char* ComponentView::Name() const {
  return NodeOf(element_).attribute(model::ShapeOf(is_type_).name_att).value();
}

GXRM_objType_base::Type ComponentView::Type() const { return type_; }

bool ComponentView::IsType() const { return is_type_; }

const std::string& ComponentView::Floor() const { return floor_; }

int ComponentView::FloorIndex() const { return floor_index_; }

void ComponentView::ForEachAttribute(const std::function<void(const char* list, int record, const char* name,
                                                              const char* value)>& visit) const {
  const layout::ComponentShape& shape = model::ShapeOf(is_type_);
  int counts[4] = {0, 0, 0, 0};
  ForEachRecord(NodeOf(element_), shape, [&](size_t index, pugi::xml_node c) {
    int record = counts[index]++;
    if (!c.first_attribute()) visit(shape.lists[index], record, nullptr, nullptr);
    for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute())
      visit(shape.lists[index], record, a.name(), a.value());
  });
}

void ComponentView::ReadRecords(RecordsText& out) const {
  out.records.clear();
  out.attributes.clear();
  ForEachRecord(NodeOf(element_), model::ShapeOf(is_type_), [&](size_t index, pugi::xml_node c) {
    for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute())
      out.attributes.push_back({a.name(), a.value()});
    out.records.push_back({static_cast<int>(index), out.attributes.size()});
  });
}

Component ComponentView::Handle() const {
  auto state = std::const_pointer_cast<ModelState>(state_.shared_from_this());
  return Component(state, state->Handle(NodeOf(element_)));
}

}  // namespace gxrm
