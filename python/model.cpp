// ModelCore and ComponentCore: a loaded gxrm::Model and its components.
//
// Components, floors and edits go through the model; the sections the model
// does not cover (header, project sections, floor information, cross-sections,
// rules) through the model's document, and floors through a reader sharing
// it. Whole lists are read through Model::Visit, which hands out each
// component without a handle.
#include "model/GXRMmodel.h"

#include <pybind11/stl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "bindings.h"
#include "catalogue/CGXRMobjTypeBase.h"
#include "convert.h"
#include "core/GXRMtext.h"
#include "format/GXRMformat.h"
#include "instances.h"
#include "lock.h"
#include "reader/CGXRMreader.h"

namespace gxrm::python {

namespace {

namespace format = gxrm::format;
using GXRM_objType_base::Type;

// The reader over a model's document, for its floor look-ups.
class DocumentReader : public CGXRMreader {
 public:
  explicit DocumentReader(const dom::Document& document) { m_pDoc = document; }
};

// The lists of an instance and of a type definition, in the order of the
// Python records' fields (the writer's order).
constexpr std::array<const char*, 3> kInstanceLists = {format::kObjAtt, format::kObjGeoAtt,
                                                       format::kObjSection};
constexpr std::array<const char*, 4> kTypeLists = {format::kTypeClassAtt, format::kTypeClassGeoAtt,
                                                   format::kTypeClassSection, format::kTypeClassSpecialtyAtt};

// Rules of a type definition: the child elements of its first rule holder.
py::list TypeRules(const dom::Node& type_class) {
  py::list rules;
  dom::Node holder = type_class.selectSingleNode(format::kTypeClassCalRule);
  for (dom::Node rule = holder ? holder.firstChild() : dom::Node(); rule; rule = rule.nextSibling()) {
    if (rule.nodeType() == dom::NODE_ELEMENT) rules.append(RuleEvents(rule));
  }
  return rules;
}

// Pauses the cyclic garbage collector for its lifetime. A batch of instances
// forms no cycles, yet each of its lists and instances would count towards
// the next collection, which walks the growing batch again and again.
class CollectorPause {
 public:
  CollectorPause() : was_enabled_(PyGC_Disable() == 1) {}
  ~CollectorPause() {
    if (was_enabled_) PyGC_Enable();
  }
  CollectorPause(const CollectorPause&) = delete;
  CollectorPause& operator=(const CollectorPause&) = delete;

 private:
  bool was_enabled_;
};

// A floor argument: None and "" both stand for the global list.
std::string FloorName(py::handle floor) { return floor.is_none() ? std::string() : Utf8(floor, "floor"); }

// The query that selects the instances or type definitions of one catalogue
// type on one floor ("" the global list).
std::string ListQuery(int type, const std::string& floor, bool definitions) {
  std::string quoted;
  for (char c : floor) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  const std::string type_name = gxrm::ToUtf8(CGXRMobjTypeBase::GetObjTypeName(static_cast<Type>(type)));
  return "type=" + type_name + " floor=\"" + quoted + (definitions ? "\" is=type" : "\"");
}

// Records from Python: a list of mappings of str to str.
std::vector<Pairs> PairsList(py::handle mappings) {
  std::vector<Pairs> records;
  if (PyUnicode_Check(mappings.ptr()) || py::hasattr(mappings, "items"))
    throw py::type_error("expected a list of dicts");
  for (py::handle mapping : mappings) {
    Pairs& pairs = records.emplace_back();
    if (mapping.is_none()) continue;
    if (!py::hasattr(mapping, "items")) throw py::type_error("a record must be a mapping of str to str");
    for (py::handle item : mapping.attr("items")()) {
      py::tuple pair = py::reinterpret_borrow<py::tuple>(item);
      pairs.emplace_back(Utf8(pair[0], "attribute name"), Utf8(pair[1], "attribute value"));
    }
  }
  return records;
}

py::list RecordDicts(const std::vector<Pairs>& records) {
  py::list dicts;
  for (const Pairs& pairs : records) {
    py::dict dict;
    for (const auto& [name, value] : pairs) SetCached(dict.ptr(), name.c_str(), value.c_str());
    Append(dicts, dict);
  }
  return dicts;
}

// One component of a model, with the model's lock.
class ComponentCore {
 public:
  ComponentCore(Component component, std::shared_ptr<ObjectLock> lock)
      : component_(std::move(component)), lock_(std::move(lock)) {}

  ObjectLock& Lock() const { return *lock_; }
  // The component, once it is known to be of the model whose lock that is:
  // another model's component is guarded by another lock.
  Component& Of(const std::shared_ptr<ObjectLock>& model_lock) {
    if (model_lock != lock_) throw ModelError("the component belongs to another model");
    return component_;
  }

  py::str Id() const { return Str(component_.Id()); }
  py::str Name() const { return Str(component_.Name()); }
  void SetId(py::handle id) { component_.SetId(Utf8(id, "id")); }
  void SetName(py::handle name) { component_.SetName(Utf8(name, "name")); }
  int TypeOf() const { return component_.Type(); }
  int Kind() const { return component_.Kind(); }
  py::str Floor() const { return Str(component_.Floor()); }
  bool IsType() const { return component_.IsType(); }

  py::object Value(py::handle key) const {
    std::optional<std::string> value = component_.Get(Utf8(key, "key"));
    return value ? py::object(Str(*value)) : py::object(py::none());
  }
  void Set(py::handle key, py::handle value) { component_.Set(Utf8(key, "key"), Utf8(value, "value")); }
  bool Remove(py::handle key) { return component_.Remove(Utf8(key, "key")); }
  py::list Records(py::handle list) const { return RecordDicts(component_.Records(Utf8(list, "list name"))); }
  bool Same(const ComponentCore& other) const { return component_ == other.component_; }

 private:
  Component component_;
  std::shared_ptr<ObjectLock> lock_;
};

class ModelCore {
 public:
  // Loads the file at a path in the file system's bytes; the parser's
  // complaint, line and column when it is not well-formed.
  static py::object Load(const py::bytes& path) {
    const std::string file = path;
    std::optional<Model> model;
    try {
      py::gil_scoped_release release;
      model.emplace(Model::Load(file));
    } catch (const LoadError& error) {
      const dom::ParseError& where = error.Where();
      return py::make_tuple(Str(where.reason), where.line, where.linepos);
    }
    return py::cast(ModelCore(std::move(*model)));
  }

  ObjectLock& Lock() const { return *lock_; }

  py::str Version() const { return Str(model_.Version()); }

  py::dict Header() const { return AttributeDict(model_.Document().documentElement()); }

  // The attributes of the root's first child of that name, or None.
  py::object Section(const char* name) {
    dom::Node section = RootChild(name);
    if (!section) return py::none();
    return AttributeDict(section);
  }

  // (name, info, params) per floor, in floor-information order.
  py::list Floors() {
    std::vector<CGXRMnode> records;
    py::list floors;
    if (Section(format::kProjFloorInfo).is_none() || !reader_.GetFloors(records)) return floors;
    for (const CGXRMnode& record : records) {
      const CString name = record.GetNamedAtt(format::kAttFloorKey);
      IXMLDOMElementPtr floor;
      py::object params = reader_.GetFloorNode(name, floor) ? AttributeDict(floor) : py::dict();
      floors.append(py::make_tuple(StrFromGbk(name), Dict(record), params));
    }
    return floors;
  }

  // The names of the floors with a component list, in file order.
  std::vector<std::string> ListFloors() const { return model_.Floors(); }

  py::list Instances(py::handle floor, int type, py::handle type_obj, py::handle cls) {
    const std::string name = FloorName(floor);
    py::list instances;
    CollectorPause pause;
    const InstanceMaker maker(cls);
    RecordsText text;
    RecordStrs strs;
    model_.Visit(ListQuery(type, name, false), [&](const ComponentView& view) {
      view.ReadRecords(text);
      Append(instances, maker.Make(type_obj, view.Name(), view.Id(), text, 0, text.records.size(), strs));
    });
    return instances;
  }

  // One tuple of fields per type definition, for the Python layer to finish.
  py::list TypeDefs(py::handle floor, int type) {
    const std::string name = FloorName(floor);
    py::list defs;
    dom::Node type_class = FirstTypeClass(floor, type);
    RecordsText text;
    RecordStrs strs;
    model_.Visit(ListQuery(type, name, true), [&](const ComponentView& view) {
      view.ReadRecords(text);
      const auto [atts, geometry, sections, speciality] = ListDicts<4>(text, 0, text.records.size(), strs);
      defs.append(py::make_tuple(Str(view.Name()), Str(view.Id()), atts, geometry, sections, speciality,
                                 type_class ? TypeRules(type_class) : py::list()));
      type_class = NextTypeClass(type_class);
    });
    return defs;
  }

  // Every instance as (floor name or None, instance): global list, then floors.
  py::object IterInstances(const py::list& types, py::handle cls) const {
    return IterateInstances(model_, types, cls);
  }

  // One dict per element under the cross-section container, with the five
  // attributes a cross-section has ("" for a missing one).
  py::list CrossSections() {
    static const char* const keys[] = {format::kAttSecId, format::kAttSecName, format::kAttPoint,
                                       format::kAttBulge, format::kAttInsertPt};
    py::list sections;
    for (const dom::Element& e : ChildElements(RootChild(format::kUserSecInfo))) {
      py::dict section;
      for (const char* key : keys) section[key] = Str(e.getAttribute(key));
      sections.append(section);
    }
    return sections;
  }

  py::list Rules() {
    py::list rules;
    for (const dom::Element& rule : ChildElements(RootChild(format::kCalRule)))
      rules.append(RuleEvents(rule));
    return rules;
  }

  // Renames the instances of that name in one list; how many were renamed.
  int Rename(py::handle floor, int type, py::handle old_name, py::handle new_name) {
    const std::string name = FloorName(floor);
    const std::string old = Utf8(old_name, "old name");
    const std::string renamed = Utf8(new_name, "new name");
    std::vector<Component> found;
    model_.Visit(ListQuery(type, name, false), [&](const ComponentView& view) {
      if (old == view.Name()) found.push_back(view.Handle());
    });
    for (Component& c : found) c.SetName(renamed);
    return static_cast<int>(found.size());
  }

  py::list Select(py::handle query) const { return Wrap(model_.Select(Utf8(query, "query"))); }
  py::list ById(py::handle id) const { return Wrap(model_.ById(Utf8(id, "id"))); }

  ComponentCore Add(int type, bool is_type, py::handle name, py::handle id, const py::list& lists,
                    const std::vector<std::string>& rules, py::handle floor) {
    ComponentRecord record;
    record.type = static_cast<Type>(type);
    record.is_type = is_type;
    record.name = Utf8(name, "name");
    record.id = Utf8(id, "id");
    const auto& names = is_type ? std::vector<const char*>(kTypeLists.begin(), kTypeLists.end())
                                : std::vector<const char*>(kInstanceLists.begin(), kInstanceLists.end());
    for (size_t i = 0; i < names.size() && i < lists.size(); ++i)
      record.lists.emplace_back(names[i], PairsList(lists[i]));
    record.rules = rules;
    return ComponentCore(model_.Add(record, FloorName(floor)), lock_);
  }

  void Remove(ComponentCore& c) { model_.Remove(c.Of(lock_)); }
  void Move(ComponentCore& c, py::handle floor) { model_.Move(c.Of(lock_), FloorName(floor)); }
  void RenameFloor(py::handle old_name, py::handle new_name) {
    model_.RenameFloor(Utf8(old_name, "floor"), Utf8(new_name, "new floor name"));
  }

  // Saves to a path in the file system's bytes; `shown` names it in errors.
  void Save(const py::bytes& path, py::handle shown) const {
    const std::string file = path;
    try {
      py::gil_scoped_release release;
      model_.Save(file);
    } catch (const DomError& error) {
      RaiseSaveError(error, shown);
    }
  }

  py::str Xml() const { return Str(model_.ToString()); }

 private:
  explicit ModelCore(Model model)
      : model_(std::move(model)), reader_(model_.Document()), lock_(std::make_shared<ObjectLock>()) {}

  // The root's first child of that name; empty when there is none.
  dom::Node RootChild(const char* name) const {
    dom::Element root = model_.Document().documentElement();
    return root ? root.selectSingleNode(name) : dom::Node();
  }

  // The child elements of a node (none for an empty handle), in order.
  static std::vector<dom::Element> ChildElements(const dom::Node& parent) {
    std::vector<dom::Element> elements;
    for (dom::Node n = parent ? parent.firstChild() : dom::Node(); n; n = n.nextSibling()) {
      if (n.nodeType() == dom::NODE_ELEMENT) elements.emplace_back(n);
    }
    return elements;
  }

  py::list Wrap(const std::vector<Component>& components) const {
    py::list out;
    for (const Component& c : components) out.append(ComponentCore(c, lock_));
    return out;
  }

  // The first type definition of that type on the floor (None: the global
  // list), found as the reader finds it; empty when there is none.
  dom::Node FirstTypeClass(py::handle floor, int type) {
    IXMLDOMElementPtr container;
    const Type t = static_cast<Type>(type);
    dom::Element root = model_.Document().documentElement();
    if (floor.is_none()) {
      if (!root || !root.selectSingleNode(format::kGlobalObjList)) return dom::Node();
      reader_.GetObjTypeInfoNode(t, container);
    } else {
      reader_.GetObjTypeInfoNode(Gbk(floor, "floor"), t, container);
    }
    return NextTypeClass(container ? container.firstChild() : dom::Node(), true);
  }

  // The next "TypeClass" from `node` (itself included when `self`).
  static dom::Node NextTypeClass(dom::Node node, bool self = false) {
    if (node && !self) node = node.nextSibling();
    while (node && !(node.nodeType() == dom::NODE_ELEMENT && node.nodeName() == format::kTypeClass))
      node = node.nextSibling();
    return node;
  }

  Model model_;
  DocumentReader reader_;
  std::shared_ptr<ObjectLock> lock_;
};

// A binding that reads the attributes of one project section.
auto SectionReaderOf(const char* name) {
  return [name](ModelCore& core) {
    auto hold = core.Lock().Hold();
    return core.Section(name);
  };
}

}  // namespace

void BindModel(py::module_& m) {
  py::class_<ComponentCore>(m, "ComponentCore")
      .def("id", Locked(&ComponentCore::Id))
      .def("name", Locked(&ComponentCore::Name))
      .def("set_id", Locked(&ComponentCore::SetId))
      .def("set_name", Locked(&ComponentCore::SetName))
      .def("type", Locked(&ComponentCore::TypeOf))
      .def("kind", Locked(&ComponentCore::Kind))
      .def("floor", Locked(&ComponentCore::Floor))
      .def("is_type", Locked(&ComponentCore::IsType))
      .def("get", Locked(&ComponentCore::Value))
      .def("set", Locked(&ComponentCore::Set))
      .def("remove", Locked(&ComponentCore::Remove))
      .def("records", Locked(&ComponentCore::Records))
      .def("same", &ComponentCore::Same);

  py::class_<ModelCore>(m, "ModelCore")
      .def_static("load", &ModelCore::Load)
      .def("version", Locked(&ModelCore::Version))
      .def("header", Locked(&ModelCore::Header))
      .def("project_settings", SectionReaderOf(format::kProjSetting))
      .def("rule_settings", SectionReaderOf(format::kCalRule))
      .def("cross_section_settings", SectionReaderOf(format::kUserSecInfo))
      .def("floor_settings", SectionReaderOf(format::kProjFloorInfo))
      .def("floors", Locked(&ModelCore::Floors))
      .def("list_floors", Locked(&ModelCore::ListFloors))
      .def("instances", Locked(&ModelCore::Instances))
      .def("typedefs", Locked(&ModelCore::TypeDefs))
      .def("iter_instances", Locked(&ModelCore::IterInstances))
      .def("cross_sections", Locked(&ModelCore::CrossSections))
      .def("rules", Locked(&ModelCore::Rules))
      .def("rename", Locked(&ModelCore::Rename))
      .def("select", Locked(&ModelCore::Select))
      .def("by_id", Locked(&ModelCore::ById))
      .def("add", Locked(&ModelCore::Add))
      .def("remove", Locked(&ModelCore::Remove))
      .def("move", Locked(&ModelCore::Move))
      .def("rename_floor", Locked(&ModelCore::RenameFloor))
      .def("save", Locked(&ModelCore::Save))
      .def("xml", Locked(&ModelCore::Xml));
}

}  // namespace gxrm::python
