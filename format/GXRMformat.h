// GXRMformat.h: every element and attribute name of the GXRM exchange file.
//
// The writer, the navigation and the reader name elements and attributes only
// through these constants, so the file's vocabulary is defined in one place.
// All names are ASCII; kind element names are used by the kinds catalogue.
#pragma once

namespace gxrm::format {

/// Root element: this prefix followed directly by the format version.
inline constexpr char kRootPrefix[] = "GXRMheader_v";

/// Project sections under the root.
inline constexpr char kProjSetting[] = "ProjSetting";
inline constexpr char kCalRule[] = "CalRule";
inline constexpr char kUserSecInfo[] = "UserSecInfo";
inline constexpr char kSecInfo[] = "SecInfo";
inline constexpr char kProjFloorInfo[] = "ProjFloorInfo";
inline constexpr char kFloorInfo[] = "FloorInfo";

/// Object lists: the global one and one per floor.
inline constexpr char kGlobalObjList[] = "GlobalObjList";
inline constexpr char kFloor[] = "Floor";

/// Kind elements, one per component kind, in every object list.
inline constexpr char kAxis[] = "AXIS";
inline constexpr char kWall[] = "WALL";
inline constexpr char kBeam[] = "BEAM";
inline constexpr char kSlab[] = "SLAB";
inline constexpr char kColumn[] = "COLUMN";
inline constexpr char kFoundation[] = "FOUNDATION";
inline constexpr char kWindoor[] = "WINDOOR";
inline constexpr char kDecorate[] = "DECORATE";
inline constexpr char kSlice[] = "SLICE";

/// One "Type" per catalogue type under its kind element, with its containers.
inline constexpr char kType[] = "Type";
inline constexpr char kObjTypeInfo[] = "ObjTypeInfo";
inline constexpr char kObjInstance[] = "ObjInstance";

/// Component type definitions and their child lists.
inline constexpr char kTypeClass[] = "TypeClass";
inline constexpr char kTypeClassAtt[] = "TypeClassAtt";
inline constexpr char kTypeClassGeoAtt[] = "TypeClassGeoAtt";
inline constexpr char kTypeClassSection[] = "TypeClassSection";
inline constexpr char kTypeClassSpecialtyAtt[] = "TypeClassSpecialtyAtt";
inline constexpr char kTypeClassCalRule[] = "TypeClassCalRule";

/// Component instances and their child lists.
inline constexpr char kInstance[] = "Instance";
inline constexpr char kObjAtt[] = "objAtt";
inline constexpr char kObjGeoAtt[] = "objGeoAtt";
inline constexpr char kObjSection[] = "objSection";

/// Attributes the library itself writes or keys on.
inline constexpr char kAttFloorName[] = "floorname";
inline constexpr char kAttBasePoint[] = "basepoint";
inline constexpr char kAttTypeName[] = "typename";
inline constexpr char kAttClassId[] = "classId";
inline constexpr char kAttClassName[] = "classname";
inline constexpr char kAttObjId[] = "objId";
inline constexpr char kAttObjName[] = "objname";
inline constexpr char kAttFloorKey[] = "FInfo002";

/// Floor information hosts write beside the name: number, storey height,
/// bottom elevation and use.
inline constexpr char kAttFloorNumber[] = "FInfo001";
inline constexpr char kAttFloorHeight[] = "FInfo003";
inline constexpr char kAttFloorElevation[] = "FInfo004";
inline constexpr char kAttFloorUse[] = "FInfo005";

/// Attributes read from each user cross-section, in the order they are returned.
inline constexpr char kAttSecId[] = "SecID";
inline constexpr char kAttSecName[] = "SecName";
inline constexpr char kAttPoint[] = "Point";
inline constexpr char kAttBulge[] = "Bulge";
inline constexpr char kAttInsertPt[] = "InsertPt";

}  // namespace gxrm::format
