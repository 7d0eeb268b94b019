// CGXRMobjBase.cpp: lookups over the kinds table.
#include "catalogue/CGXRMobjBase.h"

#include <algorithm>
#include <iterator>

#include "format/GXRMformat.h"

namespace gxrm::catalogue {
namespace {

struct KindRow {
  GXRM_obj_base::Kind kind;
  const char* element;
  const char* chinese;
};

constexpr KindRow kKinds[] = {
#include "catalogue/KindTable.inc"
};
static_assert(std::size(kKinds) == 9, "one row per kind");

const KindRow* FindKind(GXRM_obj_base::Kind kind) {
  auto it = std::find_if(std::begin(kKinds), std::end(kKinds),
                         [kind](const KindRow& row) { return row.kind == kind; });
  return it == std::end(kKinds) ? nullptr : it;
}

}  // namespace
}  // namespace gxrm::catalogue

using gxrm::catalogue::FindKind;
using gxrm::catalogue::kKinds;

CString CGXRMobjBase::GetObjNamebyKind(GXRM_obj_base::Kind kind) {
  const auto* row = FindKind(kind);
  return row ? row->element : "";
}

CString CGXRMobjBase::GetObjChNamebyKind(GXRM_obj_base::Kind kind) {
  const auto* row = FindKind(kind);
  return row ? row->chinese : "";
}

int CGXRMobjBase::GetObjCount() { return static_cast<int>(std::size(kKinds)); }

bool CGXRMobjBase::GetALLObjInfo(std::map<GXRM_obj_base::Kind, CString>& info) {
  for (const auto& row : kKinds) info[row.kind] = row.element;
  return true;
}
