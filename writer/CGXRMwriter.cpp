#include "writer/CGXRMwriter.h"

#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/CGXRMobjTypeBase.h"
#include "core/GXRMerror.h"
#include "core/GXRMtext.h"
#include "format/GXRMformat.h"

namespace format = gxrm::format;

namespace {

// Every element the library makes starts with this text child.
constexpr char kLineFeed[] = "\n";

// One kind of the object-list skeleton, with the names the DOM takes (UTF-8).
struct KindSkeleton {
  GXRM_obj_base::Kind kind;
  std::string element;
  std::vector<std::string> typeNames;  // catalogue order
};

std::vector<KindSkeleton> BuildSkeleton() {
  std::map<GXRM_obj_base::Kind, CString> kinds;
  CGXRMobjBase::GetALLObjInfo(kinds);
  std::vector<KindSkeleton> skeleton;
  for (const auto& [kind, element] : kinds) {
    std::vector<GXRM_objType_define> rows;
    CGXRMobjTypeBase::GetObjTypeByKind(kind, rows);
    KindSkeleton entry{kind, gxrm::ToUtf8(element), {}};
    for (const GXRM_objType_define& row : rows) entry.typeNames.push_back(gxrm::ToUtf8(row.name));
    skeleton.push_back(std::move(entry));
  }
  return skeleton;
}

// The catalogue is constant: it is converted once, not per object list.
const std::vector<KindSkeleton>& Skeleton() {
  static const std::vector<KindSkeleton> skeleton = BuildSkeleton();
  return skeleton;
}

const std::vector<std::string>& TypeNamesOf(GXRM_obj_base::Kind kind) {
  static const std::vector<std::string> none;
  for (const KindSkeleton& entry : Skeleton()) {
    if (entry.kind == kind) return entry.typeNames;
  }
  return none;
}

// An element with the record's attributes, not yet in the tree.
IXMLDOMElementPtr MakeElement(const gxrm::dom::Document& doc, const std::string& name,
                              const CGXRMnode& record) {
  IXMLDOMElementPtr elem = doc.createElement(name);
  std::string attUtf8, valueUtf8;
  for (const auto& [att, value] : record.Atts()) {
    elem.setAttribute(gxrm::AsUtf8(att, attUtf8, "attribute name"),
                      gxrm::AsUtf8(value, valueUtf8, "attribute value"));
  }
  return elem;
}

// Gives a new element its line feed and appends it under `parent`, as AddChild
// does. The line feed goes in first, while the DOM's check that a node is not
// appended below itself has the shortest way up to go.
IXMLDOMElementPtr Attach(const gxrm::dom::Document& doc, IXMLDOMElementPtr parent, IXMLDOMElementPtr elem) {
  elem.appendChild(doc.createTextNode(kLineFeed));
  if (!parent) gxrm::ThrowDomError(gxrm::kErrPointer, "no parent for \"" + elem.nodeName() + "\"");
  parent.appendChild(elem);
  return elem;
}

// AddChild for element names in UTF-8, which the file's own names are.
IXMLDOMElementPtr AppendRecord(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& parent,
                               const std::string& name, const CGXRMnode& record = CGXRMnode()) {
  return Attach(doc, parent, MakeElement(doc, name, record));
}

void AppendRecords(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& parent, const std::string& name,
                   const std::vector<CGXRMnode>& records) {
  for (const CGXRMnode& record : records) AppendRecord(doc, parent, name, record);
}

// The first child element of `parent` with that name, or an empty handle; an
// empty parent (a document without root) raises the DOM error.
IXMLDOMElementPtr ChildNamed(const IXMLDOMElementPtr& parent, const char* name) {
  return IXMLDOMElementPtr(parent.selectSingleNode(name));
}

bool AppendUnderRoot(CGXRMfileParser& parser, const gxrm::dom::Document& doc, const char* name,
                     const CGXRMnode& record) {
  IXMLDOMElementPtr root;
  if (!parser.GetRootElem(root)) return false;
  AppendRecord(doc, root, name, record);
  return true;
}

// One list group of a component element: its element name and its records.
struct ListGroup {
  const char* element;
  const std::vector<CGXRMnode>& records;
};

// A "TypeClass" or "Instance" with its id and name, then its list groups in order.
IXMLDOMElementPtr AppendComponent(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& container,
                                  const char* element, const char* idAtt, const char* nameAtt,
                                  const CGXRMobj& record, std::initializer_list<ListGroup> groups) {
  CGXRMnode head;
  head.AddAtt(idAtt, record.GetId());
  head.AddAtt(nameAtt, record.GetName());
  IXMLDOMElementPtr component = AppendRecord(doc, container, element, head);
  for (const ListGroup& group : groups) AppendRecords(doc, component, group.element, group.records);
  return component;
}

IXMLDOMElementPtr AppendTypeClass(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& container,
                                  const CGXRMobjType& type) {
  return AppendComponent(doc, container, format::kTypeClass, format::kAttClassId,
                         format::kAttClassName, type,
                         {{format::kTypeClassAtt, type.AttList()},
                          {format::kTypeClassGeoAtt, type.GeoAttList()},
                          {format::kTypeClassSection, type.SectionList()},
                          {format::kTypeClassSpecialtyAtt, type.SpAttList()}});
}

bool AppendInstance(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& container, const CGXRMobj& obj) {
  AppendComponent(doc, container, format::kInstance, format::kAttObjId, format::kAttObjName, obj,
                  {{format::kObjAtt, obj.AttList()},
                   {format::kObjGeoAtt, obj.GeoAttList()},
                   {format::kObjSection, obj.SectionList()}});
  return true;
}

// The type's rules, themselves, under a new "TypeClassCalRule"; none, no element.
void AppendTypeRules(const gxrm::dom::Document& doc, const IXMLDOMElementPtr& typeClass,
                     const CGXRMobjType& type) {
  if (type.CalRules().empty()) return;
  IXMLDOMElementPtr holder = AppendRecord(doc, typeClass, format::kTypeClassCalRule);
  for (const IXMLDOMElementPtr& rule : type.CalRules()) holder.appendChild(rule);
}

}  // namespace

CGXRMwriter::CGXRMwriter() = default;
CGXRMwriter::CGXRMwriter(const CGXRMwriter& other) = default;
CGXRMwriter& CGXRMwriter::operator=(const CGXRMwriter& other) = default;
CGXRMwriter::~CGXRMwriter() = default;

bool CGXRMwriter::CreateGXRMinstance(CGXRMnode& header) {
  if (!CGXRMfileParser::CreateGXRMinstance(header)) return false;
  CString name = format::kRootPrefix + GetGXRMversion();
  IXMLDOMElementPtr root = MakeElement(m_pDoc, gxrm::GbkToUtf8(name, "element name"), header);
  m_pDoc.appendChild(root);
  root.appendChild(m_pDoc.createTextNode(kLineFeed));
  return true;
}

bool CGXRMwriter::CreateProjSetting(const CGXRMnode& record) {
  return AppendUnderRoot(*this, m_pDoc, format::kProjSetting, record);
}

bool CGXRMwriter::CreateCalRule(const CGXRMnode& record) {
  return AppendUnderRoot(*this, m_pDoc, format::kCalRule, record);
}

bool CGXRMwriter::CreateProjUseSecInfo(const CGXRMnode& record) {
  return AppendUnderRoot(*this, m_pDoc, format::kUserSecInfo, record);
}

bool CGXRMwriter::CreateProjFloorInfo(const CGXRMnode& record) {
  if (!AppendUnderRoot(*this, m_pDoc, format::kProjFloorInfo, record)) return false;
  return CreateGlobalObjList();
}

bool CGXRMwriter::AddFloor(const CString& floorName, const CGXRMnode& floorRecord) {
  IXMLDOMElementPtr root;
  if (!GetRootElem(root)) return false;
  // Without a floor-information element this raises before anything is attached.
  AppendRecord(m_pDoc, ChildNamed(root, format::kProjFloorInfo), format::kFloorInfo, floorRecord);
  CGXRMnode floorAtts;
  floorAtts.AddAtt(format::kAttFloorName, floorName);
  floorAtts.AddAtt(format::kAttBasePoint, CString());
  return CreateFloorObjList(AppendRecord(m_pDoc, root, format::kFloor, floorAtts));
}

bool CGXRMwriter::SetFloorParam(const CString& floorName, const CString& attName, const CString& value) {
  IXMLDOMElementPtr floor;
  if (!GetFloorNode(floorName, floor)) return false;
  floor.setAttribute(gxrm::GbkToUtf8(attName, "attribute name"), gxrm::GbkToUtf8(value, "attribute value"));
  return true;
}

bool CGXRMwriter::AddSec(CString /*secName: the record carries the name*/, CGXRMnode& secRecord) {
  IXMLDOMElementPtr root;
  if (!GetRootElem(root)) return false;
  IXMLDOMElementPtr container = ChildNamed(root, format::kUserSecInfo);
  if (!container) return false;
  AppendRecord(m_pDoc, container, format::kSecInfo, secRecord);
  return true;
}

bool CGXRMwriter::AddObjType(CGXRMobjType type) {
  IXMLDOMElementPtr info;
  if (!GetObjTypeInfoNode(type.GetType(), info)) return false;
  AppendTypeClass(m_pDoc, info, type);
  return true;
}

bool CGXRMwriter::AddObjType(const CString& floorName, CGXRMobjType type) {
  IXMLDOMElementPtr info;
  if (!GetObjTypeInfoNode(floorName, type.GetType(), info)) return false;
  AppendTypeRules(m_pDoc, AppendTypeClass(m_pDoc, info, type), type);
  return true;
}

bool CGXRMwriter::AddObj(CGXRMobj obj) {
  IXMLDOMElementPtr container;
  if (!GetObjInstanceNode(obj.GetType(), container)) return false;
  return AppendInstance(m_pDoc, container, obj);
}

bool CGXRMwriter::AddObj(const CString& floorName, CGXRMobj obj) {
  IXMLDOMElementPtr container;
  if (!GetObjInstanceNode(floorName, obj.GetType(), container)) return false;
  return AppendInstance(m_pDoc, container, obj);
}

bool CGXRMwriter::ClearCalRule() {
  IXMLDOMElementPtr root;
  if (!GetRootElem(root)) return false;
  IXMLDOMElementPtr calRule = ChildNamed(root, format::kCalRule);
  if (!calRule) return false;
  root.removeChild(calRule);
  return true;
}

bool CGXRMwriter::AppendCalRule(IXMLDOMElementPtr rule) {
  IXMLDOMElementPtr holder = CheckCalRuleNode();
  if (!holder) return false;
  holder.appendChild(rule);
  return true;
}

bool CGXRMwriter::CreateGlobalObjList() {
  IXMLDOMElementPtr root;
  if (!GetRootElem(root)) return false;
  return CreateFloorObjList(AppendRecord(m_pDoc, root, format::kGlobalObjList));
}

bool CGXRMwriter::CreateFloorObjList(IXMLDOMElementPtr floor) {
  for (const KindSkeleton& entry : Skeleton()) {
    CreateFloorObjTypeList(entry.kind, AppendRecord(m_pDoc, floor, entry.element));
  }
  return true;
}

bool CGXRMwriter::CreateFloorObjTypeList(GXRM_obj_base::Kind kind, IXMLDOMElementPtr kindElem) {
  for (const std::string& typeName : TypeNamesOf(kind)) {
    IXMLDOMElementPtr type = m_pDoc.createElement(format::kType);
    type.setAttribute(format::kAttTypeName, typeName);
    Attach(m_pDoc, kindElem, type);
    AppendRecord(m_pDoc, type, format::kObjTypeInfo);
    AppendRecord(m_pDoc, type, format::kObjInstance);
  }
  return true;
}

IXMLDOMElementPtr CGXRMwriter::CheckCalRuleNode() {
  IXMLDOMElementPtr root;
  if (!GetRootElem(root)) return IXMLDOMElementPtr();
  IXMLDOMElementPtr calRule = ChildNamed(root, format::kCalRule);
  if (calRule) return calRule;
  return AppendRecord(m_pDoc, root, format::kCalRule);
}
