#include "records/CGXRMobj.h"

CGXRMobj::CGXRMobj() : m_type(GXRM_objType_base::AXIS_GRID) {}

CGXRMobj::CGXRMobj(CString name, GXRM_objType_base::Type type) : m_type(type), m_name(std::move(name)) {}

CGXRMobj::CGXRMobj(CString name, CString id, GXRM_objType_base::Type type)
    : m_type(type), m_name(std::move(name)), m_id(std::move(id)) {}

CGXRMobj::CGXRMobj(const CGXRMobj& other) = default;
CGXRMobj& CGXRMobj::operator=(const CGXRMobj& other) = default;
CGXRMobj::CGXRMobj(CGXRMobj&& other) noexcept = default;
CGXRMobj& CGXRMobj::operator=(CGXRMobj&& other) noexcept = default;
CGXRMobj::~CGXRMobj() = default;

CString CGXRMobj::GetName() const { return m_name; }
CString CGXRMobj::GetId() const { return m_id; }
GXRM_objType_base::Type CGXRMobj::GetType() const { return m_type; }
void CGXRMobj::SetType(const GXRM_objType_base::Type& type) { m_type = type; }
GXRM_obj_base::Kind CGXRMobj::GetKind() const { return CGXRMobjTypeBase::GetObjKind(m_type); }

void CGXRMobj::AddAttNode(CGXRMnode node) { m_attList.push_back(std::move(node)); }
void CGXRMobj::AddGeoAttNode(CGXRMnode node) { m_geoAttList.push_back(std::move(node)); }
void CGXRMobj::AddSection(CGXRMnode node) { m_sectionList.push_back(std::move(node)); }

void CGXRMobj::RemoveAttNodes() { std::vector<CGXRMnode>().swap(m_attList); }
void CGXRMobj::RemoveGeoAttNodes() { std::vector<CGXRMnode>().swap(m_geoAttList); }
void CGXRMobj::RemoveSectionNodes() { std::vector<CGXRMnode>().swap(m_sectionList); }

std::vector<CGXRMnode> CGXRMobj::GetAttList() const { return m_attList; }
std::vector<CGXRMnode> CGXRMobj::GetGeoAttList() const { return m_geoAttList; }
std::vector<CGXRMnode> CGXRMobj::GetSection() const { return m_sectionList; }

int CGXRMobj::GetAttNodeCount() const { return GetListCount(m_attList); }
int CGXRMobj::GetGeoAttNodeCount() const { return GetListCount(m_geoAttList); }
int CGXRMobj::GetSectionNodeCount() const { return GetListCount(m_sectionList); }

CGXRMobj::AttMap CGXRMobj::GetAttMap() const { return Flatten(m_attList); }
CGXRMobj::AttMap CGXRMobj::GetGeoAttMap() const { return Flatten(m_geoAttList); }
CGXRMobj::AttMap CGXRMobj::GetSectionMap() const { return Flatten(m_sectionList); }

CString CGXRMobj::GetNamedAtt(const CString& name) const { return FindNamed(name, m_attList); }
CString CGXRMobj::GetNamedGeoAtt(const CString& name) const { return FindNamed(name, m_geoAttList); }
CString CGXRMobj::GetNamedSectionAtt(const CString& name) const { return FindNamed(name, m_sectionList); }

CString CGXRMobj::GetNamedAttInList(const CString& name, std::vector<CGXRMnode> list) const {
  return FindNamed(name, list);
}

int CGXRMobj::GetListCount(const std::vector<CGXRMnode>& list) const { return static_cast<int>(list.size()); }

CGXRMobj::AttMap CGXRMobj::Flatten(const std::vector<CGXRMnode>& list) {
  AttMap pairs;
  for (const CGXRMnode& node : list) pairs.insert(pairs.end(), node.Atts().begin(), node.Atts().end());
  return pairs;
}

CString CGXRMobj::FindNamed(const CString& name, const std::vector<CGXRMnode>& list) {
  for (const CGXRMnode& node : list) {
    CString value = node.GetNamedAtt(name);
    if (!value.empty()) return value;
  }
  return CString();
}
