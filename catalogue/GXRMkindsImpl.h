// GXRMkindsImpl.h: the catalogue seen kind by kind, for the library's own use
// and the programs built beside it. Made once from the public look-ups.
#pragma once

#include <map>
#include <vector>

#include "catalogue/CGXRMobjBase.h"
#include "catalogue/CGXRMobjTypeBase.h"

namespace gxrm::catalogue {

// One kind: its element name and its types, in catalogue order.
struct KindTypes {
  GXRM_obj_base::Kind kind;
  CString element;
  std::vector<GXRM_objType_define> types;
};

// Every kind in kind order.
inline const std::vector<KindTypes>& KindsWithTypes() {
  static const std::vector<KindTypes> kinds = [] {
    std::map<GXRM_obj_base::Kind, CString> names;
    CGXRMobjBase::GetALLObjInfo(names);
    std::vector<KindTypes> all;
    for (const auto& [kind, element] : names) {
      KindTypes& entry = all.emplace_back(KindTypes{kind, element, {}});
      CGXRMobjTypeBase::GetObjTypeByKind(kind, entry.types);
    }
    return all;
  }();
  return kinds;
}

}  // namespace gxrm::catalogue
