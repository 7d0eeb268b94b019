#include "writer/CGXRMwriter.h"

#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/GXRMkindsImpl.h"
#include "core/GXRMbuildImpl.h"
#include "core/GXRMdomImpl.h"
#include "core/GXRMerror.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"
#include "format/GXRMformat.h"
#include "writer/GXRMlayoutImpl.h"

namespace format = gxrm::format;
using gxrm::dom::detail::Access;
using gxrm::dom::detail::DocImpl;

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

// Lays out a component straight in the tree, without a handle per element.
pugi::xml_node AppendLaidOut(DocImpl& impl, pugi::xml_node_struct* container,
                             const gxrm::layout::ComponentShape& shape, const CGXRMobj& record,
                             std::initializer_list<const std::vector<CGXRMnode>*> lists) {
  const std::pair<CString, CString> head[] = {{shape.id_att, record.GetId()},
                                              {shape.name_att, record.GetName()}};
  auto add = [&impl, container](const char* name, const auto& atts, pugi::xml_node parent) {
    return gxrm::AppendRecord(impl, parent, name, gxrm::PairsOf(atts), parent != pugi::xml_node(container));
  };
  return gxrm::layout::AppendComponent(
      add, pugi::xml_node(container), shape, gxrm::GbkPairs{head, std::size(head)},
      [&lists](size_t i) -> const std::vector<CGXRMnode>& { return *lists.begin()[i]; });
}

pugi::xml_node AppendTypeClass(DocImpl& impl, pugi::xml_node_struct* container, const CGXRMobjType& type) {
  return AppendLaidOut(impl, container, gxrm::layout::kTypeShape, type,
                       {&type.AttList(), &type.GeoAttList(), &type.SectionList(), &type.SpAttList()});
}

void AppendInstance(DocImpl& impl, pugi::xml_node_struct* container, const CGXRMobj& obj) {
  AppendLaidOut(impl, container, gxrm::layout::kInstanceShape, obj,
                {&obj.AttList(), &obj.GeoAttList(), &obj.SectionList()});
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
  pugi::xml_node_struct* info = FindTypeLevel(nullptr, type.GetType(), format::kObjTypeInfo);
  if (!info) return false;
  AppendTypeClass(*Access::Impl(m_pDoc), info, type);
  return true;
}

bool CGXRMwriter::AddObjType(const CString& floorName, CGXRMobjType type) {
  pugi::xml_node_struct* info = FindTypeLevel(&floorName, type.GetType(), format::kObjTypeInfo);
  if (!info) return false;
  pugi::xml_node type_class = AppendTypeClass(*Access::Impl(m_pDoc), info, type);
  AppendTypeRules(*this, IXMLDOMElementPtr(Access::MakeNode(Access::Impl(m_pDoc), type_class)), type);
  return true;
}

bool CGXRMwriter::AddObj(CGXRMobj obj) {
  pugi::xml_node_struct* container = FindTypeLevel(nullptr, obj.GetType(), format::kObjInstance);
  if (!container) return false;
  AppendInstance(*Access::Impl(m_pDoc), container, obj);
  return true;
}

bool CGXRMwriter::AddObj(const CString& floorName, CGXRMobj obj) {
  pugi::xml_node_struct* container = FindTypeLevel(&floorName, obj.GetType(), format::kObjInstance);
  if (!container) return false;
  AppendInstance(*Access::Impl(m_pDoc), container, obj);
  return true;
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
