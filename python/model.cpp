// ModelCore: a loaded document, read through the library's reader.
//
// Project sections, floors, cross-sections and rules come from CGXRMreader;
// instances and type definitions are built straight from the document in one
// pass each, because the reader's records carry no id and cost a GBK round
// trip per string.
#include <pybind11/stl.h>

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "bindings.h"
#include "catalogue/CGXRMobjTypeBase.h"
#include "convert.h"
#include "core/GXRMtext.h"
#include "format/GXRMformat.h"
#include "reader/CGXRMreader.h"

namespace gxrm::python {

namespace {

namespace format = gxrm::format;
using dom::detail::ElementView;
using GXRM_objType_base::Type;

bool Named(const dom::Node& node, const char* name) {
  return node.nodeType() == dom::NODE_ELEMENT && node.nodeName() == name;
}

// The dicts of the children named names[i] in lists[i], in document order, in
// one pass over the children.
template <size_t N>
std::array<py::list, N> ChildDicts(ElementView parent, const std::array<const char*, N>& names) {
  std::array<py::list, N> lists;
  for (ElementView child : parent.ChildElements()) {
    for (size_t i = 0; i < N; ++i) {
      if (child.Is(names[i])) {
        Append(lists[i], AttributeDict(child));
        break;
      }
    }
  }
  return lists;
}

// Rules of a type definition: the child elements of its first rule holder.
py::list TypeRules(const dom::Node& type_class) {
  py::list rules;
  dom::Node holder = type_class.selectSingleNode(format::kTypeClassCalRule);
  if (!holder) return rules;
  for (dom::Node rule = holder.firstChild(); rule; rule = rule.nextSibling()) {
    if (rule.nodeType() == dom::NODE_ELEMENT) rules.append(RuleEvents(rule));
  }
  return rules;
}

// The attribute's value; "" when the element lacks it.
py::str AttributeStr(ElementView e, const char* name) {
  const char* value = e.Attribute(name);
  return Str(value ? value : "");
}

// The fields an Instance gets, by their attribute names, made once.
const std::array<py::object, 6>& InstanceFields() {
  static const auto* fields =
      new std::array<py::object, 6>{py::str("type"),       py::str("name"),     py::str("id"),
                                    py::str("attributes"), py::str("geometry"), py::str("sections")};
  return *fields;
}

// An Instance of one "Instance" element. Its fields are set directly: the
// constructor's checks and copies are for values from users, and would
// double the cost of reading a large model.
py::object MakeInstance(const py::handle& cls, const py::handle& type, ElementView e) {
  auto* tp = reinterpret_cast<PyTypeObject*>(cls.ptr());
  py::object instance = py::reinterpret_steal<py::object>(tp->tp_alloc(tp, 0));
  if (!instance) throw py::error_already_set();
  const auto [atts, geometry, sections] =
      ChildDicts(e, std::array{format::kObjAtt, format::kObjGeoAtt, format::kObjSection});
  const py::object values[] = {py::reinterpret_borrow<py::object>(type),
                               AttributeStr(e, format::kAttObjName),
                               AttributeStr(e, format::kAttObjId),
                               atts,
                               geometry,
                               sections};
  const auto& fields = InstanceFields();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (PyObject_SetAttr(instance.ptr(), fields[i].ptr(), values[i].ptr()) != 0)
      throw py::error_already_set();
  }
  return instance;
}

py::tuple TypeDefFields(const dom::Element& e) {
  const ElementView node = ElementView::Of(e);
  const auto [atts, geometry, sections, speciality] =
      ChildDicts(node, std::array{format::kTypeClassAtt, format::kTypeClassGeoAtt, format::kTypeClassSection,
                                  format::kTypeClassSpecialtyAtt});
  return py::make_tuple(AttributeStr(node, format::kAttClassName), AttributeStr(node, format::kAttClassId),
                        atts, geometry, sections, speciality, TypeRules(e));
}

// Calls `visit` with each "Instance" child of a container, in file order.
template <typename Visit>
void ForEachInstance(ElementView container, Visit&& visit) {
  for (ElementView e : container.ChildElements()) {
    if (e.Is(format::kInstance)) visit(e);
  }
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

// Catalogue types by their name as the document spells it (UTF-8).
const std::unordered_map<std::string, int>& TypesByName() {
  static const std::unordered_map<std::string, int> types = [] {
    std::unordered_map<std::string, int> map;
    for (int t = 0; t < CGXRMobjTypeBase::GetObjTypeCount(); ++t) {
      map.emplace(gxrm::ToUtf8(CGXRMobjTypeBase::GetObjTypeName(static_cast<Type>(t))), t);
    }
    return map;
  }();
  return types;
}

class ModelCore {
 public:
  // Loads the file; returns the parser's complaint, line and column, or None.
  py::object Load(const std::string& path) {
    if (WithFilePath(path, [this](const CString& gbk) { return reader_.LoadGXRMfile(gbk); }))
      return py::none();
    auto error = reader_.GetLoadError();
    return py::make_tuple(Str(error.reason), error.line, error.linepos);
  }

  py::str Version() {
    CString version;
    reader_.GetGXRMfileVer(version);
    return StrFromGbk(version);
  }

  py::dict Header() {
    CGXRMnode record;
    reader_.GetRoot(record);
    return Dict(record);
  }

  // The attributes of the root's first child of that name, or None.
  py::object Section(const char* name) {
    dom::Element root = Root();
    dom::Node section = root ? root.selectSingleNode(name) : dom::Node();
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

  py::list Instances(py::handle floor, int type, py::handle type_obj, py::handle cls) {
    py::list instances;
    const ElementView container = ElementView::Of(Container(floor, type, false));
    CollectorPause pause;
    ForEachInstance(container, [&](ElementView e) { Append(instances, MakeInstance(cls, type_obj, e)); });
    return instances;
  }

  // One tuple of fields per type definition, for the Python layer to finish.
  py::list TypeDefs(py::handle floor, int type) {
    py::list defs;
    dom::Node container = Container(floor, type, true);
    for (dom::Node e = container ? container.firstChild() : dom::Node(); e; e = e.nextSibling()) {
      if (Named(e, format::kTypeClass)) defs.append(TypeDefFields(e));
    }
    return defs;
  }

  // Every instance as (floor name or None, instance): global list, then floors.
  py::list AllInstances(py::list type_objs, py::handle cls) {
    py::list all;
    dom::Element root = Root();
    if (!root) return all;
    const ElementView node = ElementView::Of(root);
    CollectorPause pause;
    if (ElementView global = node.FirstChild(format::kGlobalObjList)) {
      AppendListInstances(global, py::none(), type_objs, cls, all);
    }
    for (ElementView e : node.ChildElements()) {
      if (!e.Is(format::kFloor)) continue;
      AppendListInstances(e, AttributeStr(e, format::kAttFloorName), type_objs, cls, all);
    }
    return all;
  }

  py::list CrossSections() {
    CStringArray values;
    py::list sections;
    if (!reader_.GetUserSec(values)) return sections;
    static const char* const keys[] = {format::kAttSecId, format::kAttSecName, format::kAttPoint,
                                       format::kAttBulge, format::kAttInsertPt};
    for (size_t i = 0; i + 5 <= values.size(); i += 5) {
      py::dict section;
      for (size_t k = 0; k < 5; ++k) section[keys[k]] = StrFromGbk(values[i + k]);
      sections.append(section);
    }
    return sections;
  }

  py::list Rules() {
    py::list rules;
    if (!Root()) return rules;
    for (const IXMLDOMElementPtr& rule : reader_.GetCalRule()) rules.append(RuleEvents(rule));
    return rules;
  }

  // Renames the instances of that name in one list; how many were renamed.
  int Rename(py::handle floor, int type, py::handle oldName, py::handle newName) {
    const CString floorName = Gbk(floor, "floor name");
    const std::string old = Utf8(oldName, "old name");
    const CString renamed = Gbk(newName, "new name");
    dom::Node container = Container(floor, type, false);
    int count = 0;
    for (dom::Node e = container ? container.firstChild() : dom::Node(); e; e = e.nextSibling()) {
      count += Named(e, format::kInstance) && dom::Element(e).getAttribute(format::kAttObjName) == old;
    }
    if (count > 0) reader_.ChangeObjName(floorName, static_cast<Type>(type), gxrm::FromUtf8(old), renamed);
    return count;
  }

  void Save(const std::string& path) {
    WithFilePath(path, [this](const CString& gbk) { reader_.SaveGXRMinstance(gbk); });
  }

 private:
  dom::Element Root() {
    IXMLDOMElementPtr root;
    reader_.GetRootElem(root);
    return root;
  }

  // The type-definition or instance container of a list; KeyError for an
  // unknown floor, an empty handle when the list has no such container.
  dom::Node Container(py::handle floor, int type, bool definitions) {
    IXMLDOMElementPtr node;
    const Type t = static_cast<Type>(type);
    if (floor.is_none()) {
      dom::Element root = Root();
      if (!root || !root.selectSingleNode(format::kGlobalObjList)) return dom::Node();
      definitions ? reader_.GetObjTypeInfoNode(t, node) : reader_.GetObjInstanceNode(t, node);
      return node;
    }
    const CString name = Gbk(floor, "floor name");
    IXMLDOMElementPtr floor_node;
    if (!reader_.GetFloorNode(name, floor_node)) throw py::key_error(Utf8(floor, "floor name"));
    definitions ? reader_.GetObjTypeInfoNode(name, t, node) : reader_.GetObjInstanceNode(name, t, node);
    return node;
  }

  // The instances of one object list, in file order, with their catalogue type.
  static void AppendListInstances(ElementView list, const py::object& floor, const py::list& type_objs,
                                  const py::handle& cls, const py::list& out) {
    const auto& types = TypesByName();
    for (ElementView kind : list.ChildElements()) {
      for (ElementView type_elem : kind.ChildElements()) {
        if (!type_elem.Is(format::kType)) continue;
        const char* type_name = type_elem.Attribute(format::kAttTypeName);
        auto found = types.find(type_name ? type_name : "");
        if (found == types.end()) continue;
        py::handle type_obj = type_objs[found->second];
        AppendContainerInstances(type_elem.FirstChild(format::kObjInstance), floor, type_obj, cls, out);
      }
    }
  }

  static void AppendContainerInstances(ElementView container, const py::object& floor,
                                       const py::handle& type_obj, const py::handle& cls,
                                       const py::list& out) {
    ForEachInstance(container, [&](ElementView e) {
      py::object instance = MakeInstance(cls, type_obj, e);
      PyObject* pair = PyTuple_Pack(2, floor.ptr(), instance.ptr());
      if (pair == nullptr) throw py::error_already_set();
      Append(out, py::reinterpret_steal<py::object>(pair));
    });
  }

  CGXRMreader reader_;
};

}  // namespace

void BindModel(py::module_& m) {
  py::class_<ModelCore>(m, "ModelCore")
      .def(py::init<>())
      .def("load", &ModelCore::Load)
      .def("version", &ModelCore::Version)
      .def("header", &ModelCore::Header)
      .def("project_settings", [](ModelCore& c) { return c.Section(format::kProjSetting); })
      .def("rule_settings", [](ModelCore& c) { return c.Section(format::kCalRule); })
      .def("cross_section_settings", [](ModelCore& c) { return c.Section(format::kUserSecInfo); })
      .def("floor_settings", [](ModelCore& c) { return c.Section(format::kProjFloorInfo); })
      .def("floors", &ModelCore::Floors)
      .def("instances", &ModelCore::Instances)
      .def("typedefs", &ModelCore::TypeDefs)
      .def("all_instances", &ModelCore::AllInstances)
      .def("cross_sections", &ModelCore::CrossSections)
      .def("rules", &ModelCore::Rules)
      .def("rename", &ModelCore::Rename)
      .def("save", &ModelCore::Save);
}

}  // namespace gxrm::python
