// CGXRMobjTypeBase.cpp: lookups over the types table and the speciality mapping.
#include "catalogue/CGXRMobjTypeBase.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "catalogue/GXRMnameList.h"

namespace gxrm::catalogue {
namespace {

constexpr GXRM_objType_define kTypes[] = {
#include "catalogue/TypeTable.inc"
};
static_assert(std::size(kTypes) == GXRM_objType_base::TYPE_NONE, "one row per type");

// Returned for a type no row has: none of the nine kinds.
constexpr auto kNoKind = static_cast<GXRM_obj_base::Kind>(-1);

template <class Pred>
const GXRM_objType_define* FindType(Pred pred) {
  auto it = std::find_if(std::begin(kTypes), std::end(kTypes), pred);
  return it == std::end(kTypes) ? nullptr : it;
}

const GXRM_objType_define* FindType(GXRM_objType_base::Type type) {
  return FindType([type](const GXRM_objType_define& row) { return row.type == type; });
}

const GXRM_objType_define* FindType(const CString& name) {
  return FindType([&name](const GXRM_objType_define& row) { return name == row.name; });
}

struct MapRow {
  GXRM_Speciality::Speciality source;
  GXRM_objType_base::Type key;
  const char* first;   // names for the lower of the two other specialities
  const char* second;  // names for the higher one
};

constexpr MapRow kSpecialityMaps[] = {
#include "catalogue/SpecialityMapTables.inc"
};
static_assert(std::size(kSpecialityMaps) == 31 + 25 + 16, "rows of the three tables");

// The column of a row that holds the names for `dst`, or null for none.
const char* NamesFor(const MapRow& row, int dst) {
  const int first = row.source == 1 ? 2 : 1;
  const int second = row.source == 3 ? 2 : 3;
  return dst == first ? row.first : dst == second ? row.second : nullptr;
}

std::string_view MappedNames(int src, int dst, GXRM_objType_base::Type type) {
  for (const MapRow& row : kSpecialityMaps) {
    if (row.source == src && row.key == type) {
      const char* names = NamesFor(row, dst);
      return names ? names : "";
    }
  }
  return "";
}

}  // namespace
}  // namespace gxrm::catalogue

namespace cat = gxrm::catalogue;

GXRM_obj_base::Kind CGXRMobjTypeBase::GetObjKind(GXRM_objType_base::Type type) {
  const auto* row = cat::FindType(type);
  return row ? row->kind : cat::kNoKind;
}

void CGXRMobjTypeBase::GetObjTypeByKind(GXRM_obj_base::Kind kind, std::vector<GXRM_objType_define>& rows) {
  std::copy_if(std::begin(cat::kTypes), std::end(cat::kTypes), std::back_inserter(rows),
               [kind](const GXRM_objType_define& row) { return row.kind == kind; });
}

bool CGXRMobjTypeBase::GetObjTypeByNameST(const CString& name, GXRM_objType_define& row) {
  const auto* found = cat::FindType(name);
  if (found) row = *found;
  return found != nullptr;
}

GXRM_objType_base::Type CGXRMobjTypeBase::GetObjTypeByName(const CString& name) {
  const auto* row = cat::FindType(name);
  return row ? row->type : GXRM_objType_base::TYPE_NONE;
}

CString CGXRMobjTypeBase::GetKindChName(const CString& name) {
  return CGXRMobjBase::GetObjChNamebyKind(GetObjKind(GetObjTypeByName(name)));
}

CString CGXRMobjTypeBase::GetObjTypeName(GXRM_objType_base::Type type) {
  const auto* row = cat::FindType(type);
  return row ? row->name : "";
}

int CGXRMobjTypeBase::GetObjTypeCount() { return static_cast<int>(std::size(cat::kTypes)); }

void CGXRMobjTypeBase::GetGXRMObjMap(GXRM_Speciality::Speciality src, GXRM_Speciality::Speciality dst,
                                     GXRM_objType_base::Type type, CStringArray& names) {
  names.clear();
  cat::SplitAtCommas(cat::MappedNames(src, dst, type), names);
}
