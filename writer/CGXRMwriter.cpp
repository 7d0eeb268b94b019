#include "writer/CGXRMwriter.h"

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/GXRMkindsImpl.h"
#include "core/GXRMerror.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"
#include "format/GXRMformat.h"
#include "writer/GXRMlayoutImpl.h"

namespace format = gxrm::format;

namespace {

// Every element the library makes starts with this text child.
constexpr char kLineFeed[] = "\n";

// One kind of the object-list skeleton: its element name and one "Type"
// record per catalogue type, in catalogue order.
struct KindSkeleton {
  GXRM_obj_base::Kind kind;
  CString element;
  std::vector<CGXRMnode> types;
};

std::vector<KindSkeleton> BuildSkeleton() {
  std::vector<KindSkeleton> skeleton;
  for (const gxrm::catalogue::KindTypes& kind : gxrm::catalogue::KindsWithTypes()) {
    KindSkeleton& entry = skeleton.emplace_back(KindSkeleton{kind.kind, kind.element, {}});
    for (const GXRM_objType_define& row : kind.types)
      entry.types.emplace_back().AddAtt(format::kAttTypeName, row.name);
  }
  return skeleton;
}

// The catalogue is constant: its records are made once, not per object list.
const std::vector<KindSkeleton>& Skeleton() {
  static const std::vector<KindSkeleton> skeleton = BuildSkeleton();
  return skeleton;
}

const std::vector<CGXRMnode>& TypeRecordsOf(GXRM_obj_base::Kind kind) {
  static const std::vector<CGXRMnode> none;
  for (const KindSkeleton& entry : Skeleton()) {
    if (entry.kind == kind) return entry.types;
  }
  return none;
}

// One "Type" element with its two containers.
IXMLDOMElementPtr AppendTypeRecord(CGXRMfileParser& parser, const IXMLDOMElementPtr& kind_elem,
                                   const CGXRMnode& type_record) {
  const CGXRMnode none;
  IXMLDOMElementPtr type = parser.AddChild(format::kType, type_record, kind_elem);
  parser.AddChild(format::kObjTypeInfo, none, type);
  parser.AddChild(format::kObjInstance, none, type);
  return type;
}

// AddChild checks the record first and then raises kErrPointer when the
// document has no root yet.
bool AppendUnderRoot(CGXRMfileParser& parser, const char* name, const CGXRMnode& record) {
  parser.AddChild(name, record, gxrm::RootOf(parser));
  return true;
}

// Lays out components through the parser's GBK AddChild.
IXMLDOMElementPtr AppendLaidOut(CGXRMfileParser& parser, const IXMLDOMElementPtr& container,
                                const gxrm::layout::ComponentShape& shape, const CGXRMobj& record,
                                std::initializer_list<const std::vector<CGXRMnode>*> lists) {
  CGXRMnode head;
  head.AddAtt(shape.id_att, record.GetId());
  head.AddAtt(shape.name_att, record.GetName());
  auto add = [&parser](const char* name, const CGXRMnode& atts, const IXMLDOMElementPtr& parent) {
    return parser.AddChild(name, atts, parent);
  };
  return gxrm::layout::AppendComponent(
      add, container, shape, head,
      [&lists](size_t i) -> const std::vector<CGXRMnode>& { return *lists.begin()[i]; });
}

IXMLDOMElementPtr AppendTypeClass(CGXRMfileParser& parser, const IXMLDOMElementPtr& container,
                                  const CGXRMobjType& type) {
  return AppendLaidOut(parser, container, gxrm::layout::kTypeShape, type,
                       {&type.AttList(), &type.GeoAttList(), &type.SectionList(), &type.SpAttList()});
}

bool AppendInstance(CGXRMfileParser& parser, const IXMLDOMElementPtr& container, const CGXRMobj& obj) {
  AppendLaidOut(parser, container, gxrm::layout::kInstanceShape, obj,
                {&obj.AttList(), &obj.GeoAttList(), &obj.SectionList()});
  return true;
}

// The type's rules, themselves, under a new "TypeClassCalRule"; none, no element.
void AppendTypeRules(CGXRMfileParser& parser, const IXMLDOMElementPtr& type_class, const CGXRMobjType& type) {
  if (type.CalRules().empty()) return;
  IXMLDOMElementPtr holder = parser.AddChild(format::kTypeClassCalRule, CGXRMnode(), type_class);
  for (const IXMLDOMElementPtr& rule : type.CalRules())
    holder.appendChild(gxrm::Require(rule, "a rule of the type"));
}

}  // namespace

CGXRMwriter::CGXRMwriter() = default;
CGXRMwriter::CGXRMwriter(const CGXRMwriter& other) = default;
CGXRMwriter& CGXRMwriter::operator=(const CGXRMwriter& other) = default;
CGXRMwriter::~CGXRMwriter() = default;

bool CGXRMwriter::CreateGXRMinstance(CGXRMnode& header) {
  CGXRMfileParser::CreateGXRMinstance(header);  // true or raises
  IXMLDOMElementPtr root =
      m_pDoc.createElement(gxrm::GbkToUtf8(format::kRootPrefix + GetGXRMversion(), "root name"));
  std::string att, value;
  for (const auto& [name, text] : header.Atts()) {
    root.setAttribute(gxrm::AsUtf8(name, att, "attribute name"),
                      gxrm::AsUtf8(text, value, "attribute value"));
  }
  m_pDoc.appendChild(root);
  root.appendChild(m_pDoc.createTextNode(kLineFeed));
  return true;
}

bool CGXRMwriter::CreateProjSetting(const CGXRMnode& record) {
  return AppendUnderRoot(*this, format::kProjSetting, record);
}

bool CGXRMwriter::CreateCalRule(const CGXRMnode& record) {
  return AppendUnderRoot(*this, format::kCalRule, record);
}

bool CGXRMwriter::CreateProjUseSecInfo(const CGXRMnode& record) {
  return AppendUnderRoot(*this, format::kUserSecInfo, record);
}

bool CGXRMwriter::CreateProjFloorInfo(const CGXRMnode& record) {
  if (!AppendUnderRoot(*this, format::kProjFloorInfo, record)) return false;
  return CreateGlobalObjList();
}

bool CGXRMwriter::AddFloor(const CString& floorName, const CGXRMnode& floorRecord) {
  IXMLDOMElementPtr root = gxrm::RequireRoot(*this);
  // Without a floor-information element AddChild raises kErrPointer once the
  // record is found good, before anything is attached.
  AddChild(format::kFloorInfo, floorRecord, gxrm::FirstChildNamed(root, format::kProjFloorInfo));
  CGXRMnode floor_atts;
  floor_atts.AddAtt(format::kAttFloorName, floorName);
  floor_atts.AddAtt(format::kAttBasePoint, CString());
  return CreateFloorObjList(AddChild(format::kFloor, floor_atts, root));
}

bool CGXRMwriter::SetFloorParam(const CString& floorName, const CString& attName, const CString& value) {
  IXMLDOMElementPtr floor;
  if (!GetFloorNode(floorName, floor)) return false;
  floor.setAttribute(gxrm::GbkToUtf8(attName, "attribute name"), gxrm::GbkToUtf8(value, "attribute value"));
  return true;
}

bool CGXRMwriter::AddSec(CString /*secName: the record carries the name*/, CGXRMnode& secRecord) {
  IXMLDOMElementPtr container = gxrm::FirstChildNamed(gxrm::RequireRoot(*this), format::kUserSecInfo);
  if (!container) return false;
  AddChild(format::kSecInfo, secRecord, container);
  return true;
}

bool CGXRMwriter::AddObjType(CGXRMobjType type) {
  IXMLDOMElementPtr info;
  if (!GetObjTypeInfoNode(type.GetType(), info)) return false;
  AppendTypeClass(*this, info, type);
  return true;
}

bool CGXRMwriter::AddObjType(const CString& floorName, CGXRMobjType type) {
  IXMLDOMElementPtr info;
  if (!GetObjTypeInfoNode(floorName, type.GetType(), info)) return false;
  AppendTypeRules(*this, AppendTypeClass(*this, info, type), type);
  return true;
}

bool CGXRMwriter::AddObj(CGXRMobj obj) {
  IXMLDOMElementPtr container;
  if (!GetObjInstanceNode(obj.GetType(), container)) return false;
  return AppendInstance(*this, container, obj);
}

bool CGXRMwriter::AddObj(const CString& floorName, CGXRMobj obj) {
  IXMLDOMElementPtr container;
  if (!GetObjInstanceNode(floorName, obj.GetType(), container)) return false;
  return AppendInstance(*this, container, obj);
}

bool CGXRMwriter::ClearCalRule() {
  IXMLDOMElementPtr root = gxrm::RequireRoot(*this);
  IXMLDOMElementPtr cal_rule = gxrm::FirstChildNamed(root, format::kCalRule);
  if (!cal_rule) return false;
  root.removeChild(cal_rule);
  return true;
}

bool CGXRMwriter::AppendCalRule(IXMLDOMElementPtr rule) {
  // The holder is made even when the rule turns out empty.
  CheckCalRuleNode().appendChild(gxrm::Require(rule, "the rule to append"));
  return true;
}

bool CGXRMwriter::CreateGlobalObjList() {
  return CreateFloorObjList(AddChild(format::kGlobalObjList, CGXRMnode(), gxrm::RequireRoot(*this)));
}

bool CGXRMwriter::CreateFloorObjList(IXMLDOMElementPtr floor) {
  for (const KindSkeleton& entry : Skeleton()) gxrm::layout::AppendKindSkeleton(*this, floor, entry.kind);
  return true;
}

bool CGXRMwriter::CreateFloorObjTypeList(GXRM_obj_base::Kind kind, IXMLDOMElementPtr kindElem) {
  for (const CGXRMnode& type_record : TypeRecordsOf(kind)) AppendTypeRecord(*this, kindElem, type_record);
  return true;
}

IXMLDOMElementPtr CGXRMwriter::CheckCalRuleNode() {
  IXMLDOMElementPtr root = gxrm::RequireRoot(*this);
  IXMLDOMElementPtr cal_rule = gxrm::FirstChildNamed(root, format::kCalRule);
  if (cal_rule) return cal_rule;
  return AddChild(format::kCalRule, CGXRMnode(), root);
}

IXMLDOMElementPtr gxrm::layout::AppendTypeSkeleton(CGXRMfileParser& parser,
                                                   const IXMLDOMElementPtr& kind_elem,
                                                   const CString& type_name) {
  CGXRMnode record;
  record.AddAtt(format::kAttTypeName, type_name);
  return AppendTypeRecord(parser, kind_elem, record);
}

IXMLDOMElementPtr gxrm::layout::AppendKindSkeleton(CGXRMfileParser& parser, const IXMLDOMElementPtr& list,
                                                   GXRM_obj_base::Kind kind) {
  IXMLDOMElementPtr kind_elem = parser.AddChild(CGXRMobjBase::GetObjNamebyKind(kind), CGXRMnode(), list);
  for (const CGXRMnode& type_record : TypeRecordsOf(kind)) AppendTypeRecord(parser, kind_elem, type_record);
  return kind_elem;
}
