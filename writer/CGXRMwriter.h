#pragma once

#include "../catalogue/CGXRMobjBase.h"
#include "../core/CGXRMfileParser.h"
#include "../core/CGXRMnode.h"
#include "../core/GXRMapi.h"
#include "../core/GXRMdom.h"
#include "../records/CGXRMobj.h"
#include "../records/CGXRMobjType.h"

/// CGXRMwriter: builds a new GXRM document and saves it.
///
/// CreateGXRMinstance starts the document and its root; the project sections,
/// the floors with their object lists, the user cross-sections, the component
/// types and instances and the calculation rules are then appended, and
/// SaveGXRMinstance writes the file. Every operation appends; nothing is
/// looked up for duplicates. Copies share one document.
///
/// Without a document every operation but CreateGXRMinstance raises
/// gxrm::DomError 0x80004003; failing DOM operations raise gxrm::DomError with
/// their code. What is merely not there (a floor, a section container, a
/// calculation-rule element) gives false.
class GXRM_API CGXRMwriter : public CGXRMfileParser {
 public:
  CGXRMwriter();
  /// Shares the source's document.
  CGXRMwriter(const CGXRMwriter& other);
  /// Shares the source's document; the previous one is released.
  CGXRMwriter& operator=(const CGXRMwriter& other);
  ~CGXRMwriter();

  /// Starts a new document whose root, named after the configured version,
  /// carries the header's attributes. True, or raises the DOM error.
  bool CreateGXRMinstance(CGXRMnode& header) override;

  /// Append one project section under the root with the record's attributes.
  ///@{
  bool CreateProjSetting(const CGXRMnode& record);
  bool CreateCalRule(const CGXRMnode& record);
  bool CreateProjUseSecInfo(const CGXRMnode& record);
  ///@}
  /// Appends the floor information and, right after it, the global object list.
  bool CreateProjFloorInfo(const CGXRMnode& record);

  /// Appends the floor's record under the floor information and a "Floor"
  /// element with its object list under the root.
  bool AddFloor(const CString& floorName, const CGXRMnode& floorRecord);
  /// Sets one attribute of the floor's "Floor" element; false for an unknown floor.
  bool SetFloorParam(const CString& floorName, const CString& attName, const CString& value);
  /// Appends one cross-section with the record's attributes (the name is not
  /// written); false when there is no cross-section container.
  bool AddSec(CString secName, CGXRMnode& secRecord);

  /// Append one type definition into the global list or a floor's list;
  /// false when its place is not there. Only the floor form writes the
  /// type's calculation rules.
  ///@{
  bool AddObjType(CGXRMobjType type);
  bool AddObjType(const CString& floorName, CGXRMobjType type);
  ///@}
  /// Append one instance into the global list or a floor's list; false when
  /// its place is not there.
  ///@{
  bool AddObj(CGXRMobj obj);
  bool AddObj(const CString& floorName, CGXRMobj obj);
  ///@}

  /// Removes the first calculation-rule element with its rules; false when none.
  bool ClearCalRule();
  /// Appends the rule under the first calculation-rule element, made when
  /// missing; a rule of another document is copied in.
  bool AppendCalRule(IXMLDOMElementPtr rule);

 private:
  bool CreateGlobalObjList();
  bool CreateFloorObjList(IXMLDOMElementPtr floor);
  bool CreateFloorObjTypeList(GXRM_obj_base::Kind kind, IXMLDOMElementPtr kindElem);
  IXMLDOMElementPtr CheckCalRuleNode();
};
