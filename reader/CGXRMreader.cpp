// Loading, the project sections, the floors, the user cross-sections and the
// calculation rules. Component types and instances are in CGXRMreaderObjects.cpp.
#include "reader/CGXRMreader.h"

#include <array>
#include <cstring>
#include <string>

#include "core/GXRMerror.h"
#include "core/GXRMtextImpl.h"
#include "core/GXRMtreeImpl.h"
#include "format/GXRMformat.h"
#include "reader/GXRMreadText.h"

using gxrm::dom::detail::ElementView;
namespace format = gxrm::format;

namespace {

using gxrm::KeyText;
using gxrm::ThrowMissing;

// The "FloorInfo" children of the root's first "ProjFloorInfo", or an empty
// list when that section is missing. Raises kErrPointer without a root.
bool FindFloorList(CGXRMfileParser& parser, gxrm::dom::NodeList& list) {
  IXMLDOMElementPtr info = gxrm::FirstChildNamed(gxrm::RequireRoot(parser), format::kProjFloorInfo);
  if (!info) return false;
  list = info.selectNodes(format::kFloorInfo);
  return true;
}

gxrm::dom::NodeList RequireFloorList(CGXRMfileParser& parser) {
  gxrm::dom::NodeList list;
  if (!FindFloorList(parser, list)) ThrowMissing(std::string("section \"") + format::kProjFloorInfo + "\"");
  return list;
}

// The five attributes read from each user cross-section, in output order.
constexpr std::array<const char*, 5> kSecAttributes = {
    format::kAttSecId, format::kAttSecName, format::kAttPoint, format::kAttBulge, format::kAttInsertPt};

// Appends the five values of one cross-section; "" for a missing one.
void AppendSection(const gxrm::dom::Node& child, CStringArray& sections) {
  IXMLDOMElementPtr sec = child;
  if (!sec) ThrowMissing("a cross-section element (a child that is no element was met)");
  std::array<CString, kSecAttributes.size()> values;
  ElementView::Of(sec).ForEachAttribute([&](const char* name, const char* value) {
    for (size_t i = 0; i < kSecAttributes.size(); ++i) {
      if (std::strcmp(name, kSecAttributes[i]) == 0) values[i] = gxrm::FromUtf8(value);
    }
  });
  sections.insert(sections.end(), values.begin(), values.end());
}

}  // namespace

CGXRMreader::CGXRMreader() = default;
CGXRMreader::CGXRMreader(const CGXRMreader& other) = default;
CGXRMreader& CGXRMreader::operator=(const CGXRMreader& other) = default;
CGXRMreader::~CGXRMreader() = default;

// ---- Loading and the root ----

bool CGXRMreader::LoadGXRMfile(const CString& path) {
  // Converted first, so that a path that is no GBK leaves the old document.
  std::string utf8_path = gxrm::GbkToUtf8(path, "file path");
  CreateXMLinstance();  // true or raises
  return m_pDoc.load(utf8_path);
}

gxrm::dom::ParseError CGXRMreader::GetLoadError() const {
  return m_pDoc ? m_pDoc.parseError() : gxrm::dom::ParseError();
}

bool CGXRMreader::GetGXRMfileVer(CString& version) {
  version.clear();
  if (!m_pDoc) return false;
  IXMLDOMElementPtr root = m_pDoc.documentElement();
  if (!root) return false;
  // The '_' and the one character behind it are skipped; the UTF-8 name is
  // cut so that no half of a Chinese character is left.
  std::string name = root.nodeName();
  size_t at = name.find('_');
  if (at == std::string::npos || at + 1 >= name.size()) return true;
  size_t rest = at + 2;
  while (rest < name.size() && (static_cast<unsigned char>(name[rest]) & 0xC0) == 0x80) ++rest;
  version = gxrm::FromUtf8(std::string_view(name).substr(rest));
  return true;
}

bool CGXRMreader::GetRoot(CGXRMnode& record) {
  if (!m_pDoc) return false;
  return ExtractElemAtt(m_pDoc.documentElement(), record);
}

bool CGXRMreader::ExtractElemAtt(IXMLDOMElementPtr elem, CGXRMnode& record) {
  if (!elem) return false;
  gxrm::reader::ReadAttributes(ElementView::Of(elem), record);
  return true;
}

// ---- Project sections ----

namespace {

// The root's first child of that name; raises kErrPointer without a root.
IXMLDOMElementPtr SectionOf(CGXRMfileParser& parser, const char* name) {
  return gxrm::FirstChildNamed(gxrm::RequireRoot(parser), name);
}

}  // namespace

bool CGXRMreader::GetProjSetting(CGXRMnode& record) {
  return ExtractElemAtt(SectionOf(*this, format::kProjSetting), record);
}

bool CGXRMreader::GetCalRule(CGXRMnode& record) { return ExtractElemAtt(GetCalRuleElem(), record); }

bool CGXRMreader::GetProjFloorInfo(CGXRMnode& record) {
  return ExtractElemAtt(SectionOf(*this, format::kProjFloorInfo), record);
}

// ---- Floors ----

bool CGXRMreader::GetFloor(const CString& floorName, CGXRMnode& record) {
  std::string wanted = gxrm::GbkToUtf8(floorName, "floor name");
  for (const gxrm::dom::Node& node : RequireFloorList(*this)) {
    IXMLDOMElementPtr floor = node;
    if (KeyText(floor, format::kAttFloorKey) == wanted) return ExtractElemAtt(floor, record);
  }
  return false;
}

bool CGXRMreader::GetFloors(std::vector<CGXRMnode>& records) {
  for (const gxrm::dom::Node& node : RequireFloorList(*this)) {
    CGXRMnode record;
    ExtractElemAtt(node, record);
    records.push_back(std::move(record));
  }
  return true;
}

bool CGXRMreader::GetFloorNames(CStringArray& names) {
  gxrm::dom::NodeList list;
  if (!FindFloorList(*this, list)) return false;
  for (const gxrm::dom::Node& node : list) {
    names.push_back(gxrm::FromUtf8(KeyText(node, format::kAttFloorKey)));
  }
  return true;
}

int CGXRMreader::GetFloorCount() { return static_cast<int>(RequireFloorList(*this).length()); }

bool CGXRMreader::GetFloorParam(const CString& floorName, const CString& paramName, CString& value) {
  IXMLDOMElementPtr floor;
  if (!GetFloorNode(floorName, floor)) return false;
  std::string name = gxrm::GbkToUtf8(paramName, "parameter name");
  gxrm::dom::Node att = floor.attributes().getNamedItem(name);
  if (!att) ThrowMissing("floor parameter \"" + name + "\"");
  value = gxrm::FromUtf8(att.text());
  return true;
}

// ---- User cross-sections and calculation rules ----

bool CGXRMreader::GetUserSec(CStringArray& sections) {
  IXMLDOMElementPtr info = SectionOf(*this, format::kUserSecInfo);
  if (!info) return false;
  for (const gxrm::dom::Node& child : info.childNodes()) AppendSection(child, sections);
  return true;
}

IXMLDOMElementPtr CGXRMreader::GetCalRuleElem() { return SectionOf(*this, format::kCalRule); }

int CGXRMreader::CountCalRule() {
  IXMLDOMElementPtr rules = GetCalRuleElem();
  return rules ? static_cast<int>(rules.childNodes().length()) : 0;
}

std::vector<IXMLDOMElementPtr> CGXRMreader::GetCalRule() {
  std::vector<IXMLDOMElementPtr> result;
  IXMLDOMElementPtr rules = GetCalRuleElem();
  if (!rules) return result;
  for (const gxrm::dom::Node& child : rules.childNodes()) {
    IXMLDOMElementPtr rule = child;
    if (!rule) break;
    result.push_back(rule);
  }
  return result;
}
