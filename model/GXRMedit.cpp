// GXRMedit.cpp: adding, removing and moving components, renaming floors.
// New elements are laid out by the writer's code, so that the reader reads
// them back and a saved model looks as if the writer had written it.
#include <array>

#include "core/GXRMtext.h"
#include "core/GXRMtreeImpl.h"
#include "model/GXRMmodelImpl.h"

namespace gxrm {

namespace {

using dom::detail::Access;

// The "Floor" named `floor`, or the global list for ""; raises UnknownFloorError.
pugi::xml_node ObjectList(pugi::xml_node root, const std::string& floor) {
  if (floor.empty()) {
    pugi::xml_node global = model::FirstChild(root, format::kGlobalObjList);
    if (!global) throw UnknownFloorError("the model has no global object list");
    return global;
  }
  for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
    if (model::Is(c, format::kFloor) && floor == c.attribute(format::kAttFloorName).value()) return c;
  }
  throw UnknownFloorError("the model has no floor '" + floor + "'");
}

pugi::xml_node ChildWith(pugi::xml_node parent, const char* name, const char* attribute,
                         std::string_view value) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (model::Is(c, name) && value == c.attribute(attribute).value()) return c;
  }
  return pugi::xml_node();
}

// The container of `type`'s definitions or instances in an object list; the
// kind element, the "Type" and the container are made where missing, as the
// writer makes them.
dom::Element ContainerIn(ModelState& state, pugi::xml_node list, GXRM_objType_base::Type type, bool is_type) {
  const GXRM_obj_base::Kind kind = CGXRMobjTypeBase::GetObjKind(type);
  pugi::xml_node kind_elem = model::FirstChild(list, KindEnumName(kind));
  if (!kind_elem) {
    kind_elem = Access::Pugi(layout::AppendKindSkeleton(state.Parser(), state.Handle(list), kind));
  }
  pugi::xml_node type_elem = ChildWith(kind_elem, format::kType, format::kAttTypeName, TypeChineseName(type));
  if (!type_elem) {
    type_elem = Access::Pugi(layout::AppendTypeSkeleton(state.Parser(), state.Handle(kind_elem),
                                                        CGXRMobjTypeBase::GetObjTypeName(type)));
  }
  const char* name = is_type ? format::kObjTypeInfo : format::kObjInstance;
  if (pugi::xml_node container = model::FirstChild(type_elem, name)) return state.Handle(container);
  // Type definitions stand before instances.
  pugi::xml_node before = is_type ? model::FirstChild(type_elem, format::kObjInstance) : pugi::xml_node();
  return AddChildUtf8(state.Handle(type_elem), name, {}, before ? state.Handle(before) : dom::Node());
}

// The records of the shape's lists, in its order; raises QueryError for a list it has not.
std::array<std::vector<Pairs>, 4> ListsInOrder(const ComponentRecord& record,
                                               const layout::ComponentShape& shape) {
  std::array<std::vector<Pairs>, 4> lists;
  for (const auto& [name, records] : record.lists) {
    size_t index = shape.ListIndex(name.c_str());
    if (index == shape.list_count) {
      throw QueryError("'" + name + "' is no list of " +
                       (record.is_type ? "a type definition" : "an instance"));
    }
    lists[index].insert(lists[index].end(), records.begin(), records.end());
  }
  return lists;
}

// The rules as elements of a document of their own; raises ModelError for text that is no element.
std::vector<dom::Element> ParseRules(const std::vector<std::string>& rules) {
  std::vector<dom::Element> parsed;
  for (const std::string& text : rules) {
    dom::Document doc = dom::Document::create();
    if (!doc.loadXML(text)) throw ModelError("a rule is no XML element: " + doc.parseError().reason);
    parsed.push_back(doc.documentElement());
  }
  return parsed;
}

// Raises DomError 0x80070057 for a name or value XML cannot carry, before anything changes.
void CheckRecord(const ComponentRecord& record) {
  dom::detail::CheckText(record.id, "id");
  dom::detail::CheckText(record.name, "name");
  for (const auto& list : record.lists) {
    for (const Pairs& pairs : list.second) {
      for (const auto& [name, value] : pairs) {
        dom::detail::CheckName(name, "attribute name");
        dom::detail::CheckText(value, "attribute value");
      }
    }
  }
}

}  // namespace

Component Model::Add(const ComponentRecord& record, const std::string& floor) {
  if (CGXRMobjTypeBase::GetObjTypeName(record.type).empty()) {
    throw QueryError("no component type has the value " + std::to_string(record.type));
  }
  const layout::ComponentShape& shape = model::ShapeOf(record.is_type);
  const auto lists = ListsInOrder(record, shape);
  CheckRecord(record);
  const bool with_rules = record.is_type && !floor.empty() && !record.rules.empty();
  const std::vector<dom::Element> rules = with_rules ? ParseRules(record.rules) : std::vector<dom::Element>();
  pugi::xml_node list = ObjectList(state_->Root(), floor);
  dom::Element container = ContainerIn(*state_, list, record.type, record.is_type);

  const pugi::xml_node last_before = Access::Pugi(container).last_child();
  auto add = [](const char* name, const Pairs& atts, const IXMLDOMElementPtr& parent) {
    return AddChildUtf8(parent, name, atts);
  };
  try {
    const Pairs head{{shape.id_att, record.id}, {shape.name_att, record.name}};
    IXMLDOMElementPtr component = layout::AppendComponent(
        add, container, shape, head, [&lists](size_t i) -> const std::vector<Pairs>& { return lists[i]; });
    if (with_rules) {
      IXMLDOMElementPtr holder = AddChildUtf8(component, format::kTypeClassCalRule, {});
      for (const dom::Element& rule : rules) holder.appendChild(rule);
    }
    return Component(state_, component);
  } catch (...) {
    // A value or name refused half-way: the component goes again, whole.
    pugi::xml_node last = Access::Pugi(container).last_child();
    if (last && last != last_before) container.removeChild(state_->Handle(last));
    throw;
  }
}

// Raises ModelError for a component of another model or one already removed.
static void RequireOwn(bool own, const Component& component) {
  if (!own) throw ModelError("the component belongs to another model");
  (void)component.Id();
}

void Model::Remove(Component& component) {
  RequireOwn(component.state_ == state_, component);
  component.element_.parentNode().removeChild(component.element_);
}

void Model::Move(Component& component, const std::string& floor) {
  RequireOwn(component.state_ == state_, component);
  const bool is_type = component.IsType();
  pugi::xml_node list = ObjectList(state_->Root(), floor);
  ContainerIn(*state_, list, component.Type(), is_type).appendChild(component.element_);
}

void Model::RenameFloor(const std::string& old_name, const std::string& new_name) {
  pugi::xml_node root = state_->Root();
  pugi::xml_node floor =
      old_name.empty() ? pugi::xml_node() : ChildWith(root, format::kFloor, format::kAttFloorName, old_name);
  if (!floor) throw UnknownFloorError("the model has no floor '" + old_name + "'");
  if (new_name == old_name) return;
  if (new_name.empty()) throw ModelError("a floor's name cannot be empty: \"\" is the global list");
  if (ChildWith(root, format::kFloor, format::kAttFloorName, new_name)) {
    throw FloorExistsError("the model has a floor '" + new_name + "' already");
  }
  pugi::xml_node info = ChildWith(model::FirstChild(root, format::kProjFloorInfo), format::kFloorInfo,
                                  format::kAttFloorKey, old_name);
  state_->Handle(floor).setAttribute(format::kAttFloorName, new_name);
  if (info) state_->Handle(info).setAttribute(format::kAttFloorKey, new_name);
}

}  // namespace gxrm
