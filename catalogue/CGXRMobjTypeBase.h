// CGXRMobjTypeBase.h: the catalogue of the 48 component types and the mapping
// of type names between the three specialities.
#pragma once

#include <cstdint>
#include <vector>

#include "CGXRMobjBase.h"
#include "../core/GXRMapi.h"

namespace GXRM_objType_base {
/// One value per catalogue type; TYPE_NONE is what a failed name lookup gives.
enum Type : int {
  AXIS_GRID = 0,
  SHEAR_WALL = 1,
  BRICK_WALL = 2,
  CONC_OUTER_WALL = 3,
  CONC_INNER_WALL = 4,
  BRICK_OUTER_WALL = 5,
  BRICK_INNER_WALL = 6,
  SHAFT_WALL = 7,
  PARTITION_WALL = 8,
  ZERO_WALL = 9,
  FRAME_COLUMN = 10,
  CONC_COLUMN = 11,
  HIDDEN_COLUMN = 12,
  BRICK_COLUMN = 13,
  STRUCT_COLUMN = 14,
  ADAPTIVE_HIDDEN_COLUMN = 15,
  FRAME_BEAM = 16,
  SECONDARY_BEAM = 17,
  COUPLING_BEAM = 18,
  INDEPENDENT_BEAM = 19,
  RING_BEAM = 20,
  CAST_SLAB = 21,
  SLAB_HOLE = 22,
  STAIR = 23,
  ISOLATED_FOOTING = 24,
  STRIP_FOOTING = 25,
  FOUND_TIE_BEAM = 26,
  FOUND_MAIN_BEAM = 27,
  FOUND_SECONDARY_BEAM = 28,
  FOUND_BEAM = 29,
  CONC_STRIP_FOOTING = 30,
  MASONRY_STRIP_FOOTING = 31,
  PEDESTAL_FOOTING = 32,
  MAT_FOUNDATION = 33,
  RAFT_FOUNDATION = 34,
  WALL_HOLE = 35,
  DOOR = 36,
  WINDOW = 37,
  BAY_WINDOW = 38,
  CORNER_BAY_WINDOW = 39,
  INFILL_WALL = 40,
  LINTEL = 41,
  ROOM = 42,
  POST_CAST_STRIP = 43,
  CUSTOM_LINEAR = 44,
  RAFT_HOLE = 45,
  PIT = 46,
  BUILDING_AREA = 47,
  TYPE_NONE = 48
};
}  // namespace GXRM_objType_base

namespace GXRM_Speciality {
/// The three disciplines whose type vocabularies the mapping translates.
enum Speciality : int { SPECIALITY_1 = 1, SPECIALITY_2 = 2, SPECIALITY_3 = 3 };
}  // namespace GXRM_Speciality

/// One catalogue row; name points into the constant table and is never freed.
struct GXRM_objType_define {
  int32_t speciality;            ///< GXRM_Speciality 1 or 2, 0: common to both; 3 has no types of its own
  GXRM_obj_base::Kind kind;      ///< the kind the type belongs to
  GXRM_objType_base::Type type;  ///< the type's number
  const char* name;              ///< Chinese type name (GBK)
};

/// Static lookups over the constant types table; the class holds no data.
class GXRM_API CGXRMobjTypeBase {
 public:
  CGXRMobjTypeBase() = default;
  ~CGXRMobjTypeBase() = default;
  CGXRMobjTypeBase& operator=(const CGXRMobjTypeBase&) = default;  ///< nothing to copy

  /// Kind of the type; a value outside 0..8 for a value no type has.
  static GXRM_obj_base::Kind GetObjKind(GXRM_objType_base::Type type);
  /// Appends every row of the kind, in catalogue order.
  static void GetObjTypeByKind(GXRM_obj_base::Kind kind, std::vector<GXRM_objType_define>& rows);
  /// Copies the row with that Chinese name; false, row untouched, if none.
  static bool GetObjTypeByNameST(const CString& name, GXRM_objType_define& row);
  /// Type with that Chinese name; TYPE_NONE if none.
  static GXRM_objType_base::Type GetObjTypeByName(const CString& name);
  /// Chinese name of the kind of the type with that Chinese name; empty if none.
  static CString GetKindChName(const CString& name);
  /// Chinese name of the type; empty for a value no type has.
  static CString GetObjTypeName(GXRM_objType_base::Type type);
  /// Number of types: 48.
  static int GetObjTypeCount();
  /// Replaces `names` by the names that speciality `dst` gives the type `type`
  /// of speciality `src`; always at least one element, possibly empty.
  static void GetGXRMObjMap(GXRM_Speciality::Speciality src, GXRM_Speciality::Speciality dst,
                            GXRM_objType_base::Type type, CStringArray& names);
};
