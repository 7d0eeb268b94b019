// Catalogue lookups for the Kind and Type enums and the mapping functions.
#include <pybind11/stl.h>

#include <vector>

#include "bindings.h"
#include "catalogue/CGXRMobjBase.h"
#include "catalogue/CGXRMobjTypeBase.h"
#include "catalogue/CGXRMsectMng.h"
#include "convert.h"

namespace gxrm::python {

namespace {

using GXRM_obj_base::Kind;
using GXRM_objType_base::Type;

std::vector<int> TypesOf(int kind) {
  std::vector<GXRM_objType_define> rows;
  CGXRMobjTypeBase::GetObjTypeByKind(static_cast<Kind>(kind), rows);
  std::vector<int> types;
  for (const GXRM_objType_define& row : rows) types.push_back(row.type);
  return types;
}

// The catalogue row of a type, or none.
py::object Speciality(int type) {
  GXRM_objType_define row{};
  if (!CGXRMobjTypeBase::GetObjTypeByNameST(CGXRMobjTypeBase::GetObjTypeName(static_cast<Type>(type)), row)) {
    return py::none();
  }
  return py::int_(row.speciality);
}

py::object TypeFromChinese(py::handle name) {
  const Type type = CGXRMobjTypeBase::GetObjTypeByName(Gbk(name, "type name"));
  if (type == GXRM_objType_base::TYPE_NONE) return py::none();
  return py::int_(static_cast<int>(type));
}

// Names of the target speciality; empty when nothing maps.
py::list MapTypeNames(int source, int target, int type) {
  CStringArray names;
  CGXRMobjTypeBase::GetGXRMObjMap(static_cast<GXRM_Speciality::Speciality>(source),
                                  static_cast<GXRM_Speciality::Speciality>(target), static_cast<Type>(type),
                                  names);
  py::list result;
  if (names.size() == 1 && names[0].empty()) return result;
  for (const CString& name : names) result.append(StrFromGbk(name));
  return result;
}

using SectLookup = CString (*)(CString, Type);

// Binds one section-identifier lookup that takes str and a type.
void BindSect(py::module_& m, const char* name, SectLookup lookup) {
  m.def(name, [lookup](py::handle text, int type) {
    return StrFromGbk(lookup(Gbk(text, "section key"), static_cast<Type>(type)));
  });
}

}  // namespace

void BindCatalogue(py::module_& m) {
  m.def("kind_element",
        [](int kind) { return StrFromGbk(CGXRMobjBase::GetObjNamebyKind(static_cast<Kind>(kind))); });
  m.def("kind_chinese",
        [](int kind) { return StrFromGbk(CGXRMobjBase::GetObjChNamebyKind(static_cast<Kind>(kind))); });
  m.def("kind_types", &TypesOf);
  m.def("type_kind",
        [](int type) { return static_cast<int>(CGXRMobjTypeBase::GetObjKind(static_cast<Type>(type))); });
  m.def("type_chinese",
        [](int type) { return StrFromGbk(CGXRMobjTypeBase::GetObjTypeName(static_cast<Type>(type))); });
  m.def("type_speciality", &Speciality);
  m.def("type_from_chinese", &TypeFromChinese);
  m.def("map_type_names", &MapTypeNames);
  BindSect(m, "section_id_cal", &CGXRMsectMng::GetGXRMSectId_Cal);
  BindSect(m, "section_id_steel", &CGXRMsectMng::GetGXRMSectId_Steel);
  BindSect(m, "section_id_az", &CGXRMsectMng::GetGXRMSectId_AZ);
  BindSect(m, "cal_section_key", &CGXRMsectMng::GetCalSectId);
  BindSect(m, "steel_section_key", &CGXRMsectMng::GetSteelSectId);
  BindSect(m, "az_section_key", &CGXRMsectMng::GetAZSectId);
}

}  // namespace gxrm::python
