// CGXRMobjBase.h: the catalogue of the nine component kinds.
//
// Each kind has the element name under which its types stand in every object
// list and a Chinese display name for the host.
#pragma once

#include <map>

#include "../core/GXRMapi.h"

namespace GXRM_obj_base {
/// int-based so that any value a host passes is a valid, merely unknown, kind.
enum Kind : int {
  AXIS = 0,
  WALL = 1,
  BEAM = 2,
  SLAB = 3,
  COLUMN = 4,
  FOUNDATION = 5,
  WINDOOR = 6,
  DECORATE = 7,
  SLICE = 8
};
}  // namespace GXRM_obj_base

/// Static lookups over the constant kinds table; the class holds no data.
class GXRM_API CGXRMobjBase {
 public:
  CGXRMobjBase() = default;
  ~CGXRMobjBase() = default;
  CGXRMobjBase& operator=(const CGXRMobjBase&) = default;  ///< nothing to copy

  /// Element name of the kind; empty for a value no kind has.
  static CString GetObjNamebyKind(GXRM_obj_base::Kind kind);
  /// Chinese name of the kind (GBK); empty for a value no kind has.
  static CString GetObjChNamebyKind(GXRM_obj_base::Kind kind);
  /// Number of kinds: 9.
  static int GetObjCount();
  /// Stores every kind's element name under its kind, keeping other entries.
  static bool GetALLObjInfo(std::map<GXRM_obj_base::Kind, CString>& info);
};
