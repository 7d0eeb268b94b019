#pragma once

#include <cstddef>
#include <vector>

#include "../core/CGXRMfileParser.h"
#include "../core/CGXRMnode.h"
#include "../core/GXRMapi.h"
#include "../core/GXRMdom.h"
#include "../records/CGXRMobj.h"
#include "../records/CGXRMobjType.h"

/// CGXRMreader: loads a GXRM file and hands its content back as records.
///
///     CGXRMreader reader;
///     if (!reader.LoadGXRMfile(path)) { gxrm::dom::ParseError e = reader.GetLoadError(); ... }
///     CStringArray floors;
///     reader.GetFloorNames(floors);
///     std::vector<CGXRMobj> walls;
///     reader.GetObjList(floors[0], GXRM_objType_base::SHEAR_WALL, walls);
///
/// Every value comes back as GBK text, unchanged. Look-ups that find nothing
/// return false (or 0, -1, an empty vector); an operation that goes on from an
/// element that is not there (no document, no root, a missing section or key
/// attribute met by a walk) raises gxrm::DomError 0x80004003. Container
/// getters append and never empty the caller's container; single-record
/// getters replace the record only when they return true. Copies share one
/// document; rule handles handed out keep their elements alive.
class GXRM_API CGXRMreader : public CGXRMfileParser {
 public:
  CGXRMreader();
  /// Shares the source's document.
  CGXRMreader(const CGXRMreader& other);
  /// Shares the source's document; the previous one is released.
  CGXRMreader& operator=(const CGXRMreader& other);
  ~CGXRMreader();

  /// Replaces the document by the file at `path` (GBK). False when the file
  /// cannot be read or is not well-formed; the reader then holds an empty
  /// document without root.
  bool LoadGXRMfile(const CString& path);
  /// Why the last LoadGXRMfile failed: `line` and `linepos` (1-based, 0 when
  /// unknown, as for a file that could not be opened), `errorCode` (the
  /// parser's error number, -1 when the file could not be read) and `reason`
  /// (the parser's message). `reason` is empty after a successful load and on
  /// a reader that never loaded. A copy, so that it outlives the next load.
  gxrm::dom::ParseError GetLoadError() const;

  /// The text of the root's name two characters after its first '_'
  /// ("GXRMheader_v1.0" gives "1.0"); "" when it has no '_'. False, with "",
  /// without document or root.
  bool GetGXRMfileVer(CString& version);
  /// The root's attributes; false without document or root.
  bool GetRoot(CGXRMnode& record);
  /// The attributes of the root's first "ProjSetting", "CalRule" or
  /// "ProjFloorInfo" child; false when there is none.
  ///@{
  bool GetProjSetting(CGXRMnode& record);
  bool GetCalRule(CGXRMnode& record);
  bool GetProjFloorInfo(CGXRMnode& record);
  ///@}

  // Floors as the floor-information list names them (by "FInfo002").
  /// The first floor of that name; false when none.
  bool GetFloor(const CString& floorName, CGXRMnode& record);
  /// Appends one record per floor, in file order; 0x80004003 without the section.
  bool GetFloors(std::vector<CGXRMnode>& records);
  /// Appends every floor's name; false (not an error) without the
  /// floor-information section.
  bool GetFloorNames(CStringArray& names);
  /// Number of floors; -1 when the root cannot be had, 0x80004003 without the section.
  int GetFloorCount();
  /// One attribute of the floor's object list element; false when the floor
  /// is not there, DomError 0x80004003 when it has no such attribute.
  bool GetFloorParam(const CString& floorName, const CString& paramName, CString& value);

  /// Appends the type definitions of `type` on that floor, or in the global
  /// list; false when the list is not there. Each record gets its name
  /// ("classname"), type and lists; its id stays empty: "classId" is not read.
  /// gxrm::Model (GXRMparser/model/GXRMmodel.h) reads and changes ids.
  ///@{
  bool GetObjTypeList(const CString& floorName, GXRM_objType_base::Type type,
                      std::vector<CGXRMobjType>& types);
  bool GetObjTypeList(GXRM_objType_base::Type type, std::vector<CGXRMobjType>& types);
  ///@}
  /// Appends the instances of `type` on that floor, or in the global list;
  /// false likewise. Each record gets its name ("objname"), type and lists; its
  /// id stays empty: "objId" is not read. gxrm::Model reads and changes ids.
  ///@{
  bool GetObjList(const CString& floorName, GXRM_objType_base::Type type, std::vector<CGXRMobj>& objs);
  bool GetObjList(GXRM_objType_base::Type type, std::vector<CGXRMobj>& objs);
  ///@}
  /// Renames every instance of that floor and type whose name is `oldName`
  /// byte for byte; true when the list is there, renamed or not.
  bool ChangeObjName(const CString& floorName, GXRM_objType_base::Type type, const CString& oldName,
                     const CString& newName);

  /// Appends five strings per user cross-section: "SecID", "SecName",
  /// "Point", "Bulge", "InsertPt" ("" for a missing one); false without the section.
  bool GetUserSec(CStringArray& sections);
  /// Handles on the calculation rules, up to the first non-element child; empty without them.
  std::vector<IXMLDOMElementPtr> GetCalRule();
  /// Number of child nodes of the calculation-rule section, of any kind; 0 without it.
  int CountCalRule();

 private:
  // Replaces the record by the element's attributes; false for an empty handle.
  bool ExtractElemAtt(IXMLDOMElementPtr elem, CGXRMnode& record);
  // The root's first "CalRule" child, or an empty handle.
  IXMLDOMElementPtr GetCalRuleElem();
};

namespace gxrm {
/// How many records CGXRMreader::GetObjTypeList and GetObjList would append
/// for `type` on the floor `floorName` names, or in the global list when it is
/// null, without building them or converting any text: what a summary needs.
/// 0 when the list is not there; raises what those getters raise.
///@{
GXRM_API size_t CountObjTypes(CGXRMreader& reader, const CString* floorName, GXRM_objType_base::Type type);
GXRM_API size_t CountObjs(CGXRMreader& reader, const CString* floorName, GXRM_objType_base::Type type);
///@}
}  // namespace gxrm
