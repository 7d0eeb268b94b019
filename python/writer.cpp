// WriterCore: a new document built through the library's writer.
#include <memory>
#include <string>
#include <vector>

#include "bindings.h"
#include "convert.h"
#include "lock.h"
#include "core/GXRMerror.h"
#include "core/GXRMtext.h"
#include "writer/CGXRMwriter.h"

namespace gxrm::python {

namespace {

using GXRM_objType_base::Type;

// The record's lists, filled from the Python side's lists of dicts.
template <typename Record>
void FillLists(Record& record, py::handle attributes, py::handle geometry, py::handle sections) {
  record.MutableAttList() = Records(attributes);
  record.MutableGeoAttList() = Records(geometry);
  record.MutableSectionList() = Records(sections);
}

class WriterCore : public CGXRMwriter {
 public:
  explicit WriterCore(py::handle header) : lock_(std::make_shared<ObjectLock>()) {
    CGXRMnode record = Record(header);
    CreateGXRMinstance(record);  // true or raises
  }

  ObjectLock& Lock() const { return *lock_; }

  void ProjectSettings(py::handle attrs) { CreateProjSetting(Record(attrs)); }
  void Rules(py::handle attrs) { CreateCalRule(Record(attrs)); }
  void CrossSections(py::handle attrs) { CreateProjUseSecInfo(Record(attrs)); }
  void FloorInfo(py::handle attrs) { CreateProjFloorInfo(Record(attrs)); }

  // Appends the rules parsed from their XML text under the rule section.
  void AppendRules(const std::string& xml) {
    for (const dom::Element& rule : ParseRules(xml)) AppendCalRule(rule);
  }

  bool AddSection(py::handle attrs) {
    CGXRMnode record = Record(attrs);
    return AddSec(CString(), record);
  }

  void Floor(py::handle name, py::handle info) { AddFloor(Gbk(name, "floor name"), Record(info)); }
  void FloorParam(py::handle floor, py::handle name, py::handle value) {
    SetFloorParam(Gbk(floor, "floor name"), Gbk(name, "parameter name"), Gbk(value, "parameter value"));
  }

  // False when the list of the record's type is not there.
  bool Instance(py::handle floor, int type, py::handle name, py::handle id, py::handle atts, py::handle geo,
                py::handle secs) {
    CGXRMobj obj(Gbk(name, "name"), Gbk(id, "id"), static_cast<Type>(type));
    FillLists(obj, atts, geo, secs);
    return floor.is_none() ? AddObj(std::move(obj)) : AddObj(Gbk(floor, "floor name"), std::move(obj));
  }

  bool TypeDef(py::handle floor, int type, py::handle name, py::handle id, py::tuple lists,
               const std::string& rules) {
    CGXRMobjType def(Gbk(name, "name"), static_cast<Type>(type), Gbk(id, "id"));
    FillLists(def, lists[0], lists[1], lists[2]);
    def.MutableSpAttList() = Records(lists[3]);
    for (const dom::Element& rule : ParseRules(rules)) def.AppendCalRule(rule);
    return floor.is_none() ? AddObjType(std::move(def))
                           : AddObjType(Gbk(floor, "floor name"), std::move(def));
  }

  void Save(py::handle path) {
    try {
      WithFilePath(Utf8(path, "path"), [this](const CString& gbk) { SaveGXRMinstance(gbk); });
    } catch (const DomError& error) {
      RaiseSaveError(error, path);
    }
  }

  py::str Xml() const { return Str(m_pDoc.xml()); }

 private:
  std::shared_ptr<ObjectLock> lock_;
};

}  // namespace

void BindWriter(py::module_& m) {
  py::class_<WriterCore>(m, "WriterCore")
      .def(py::init<py::handle>())
      .def("project_settings", Locked(&WriterCore::ProjectSettings))
      .def("rules", Locked(&WriterCore::Rules))
      .def("append_rules", Locked(&WriterCore::AppendRules))
      .def("cross_sections", Locked(&WriterCore::CrossSections))
      .def("add_section", Locked(&WriterCore::AddSection))
      .def("floor_info", Locked(&WriterCore::FloorInfo))
      .def("floor", Locked(&WriterCore::Floor))
      .def("floor_param", Locked(&WriterCore::FloorParam))
      .def("instance", Locked(&WriterCore::Instance))
      .def("typedef", Locked(&WriterCore::TypeDef))
      .def("save", Locked(&WriterCore::Save))
      .def("xml", Locked(&WriterCore::Xml));
}

}  // namespace gxrm::python
