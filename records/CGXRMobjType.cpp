#include "records/CGXRMobjType.h"

CGXRMobjType::CGXRMobjType() = default;

CGXRMobjType::CGXRMobjType(CString name, GXRM_objType_base::Type type)
    : CGXRMobj(CString(), type), m_name(std::move(name)) {}

CGXRMobjType::CGXRMobjType(CString name, GXRM_objType_base::Type type, CString id)
    : CGXRMobj(CString(), type), m_name(std::move(name)), m_id(std::move(id)) {}

CGXRMobjType::CGXRMobjType(const CGXRMobjType& other) = default;
CGXRMobjType& CGXRMobjType::operator=(const CGXRMobjType& other) = default;
CGXRMobjType::CGXRMobjType(CGXRMobjType&& other) noexcept = default;
CGXRMobjType& CGXRMobjType::operator=(CGXRMobjType&& other) noexcept = default;
CGXRMobjType::~CGXRMobjType() = default;

CString CGXRMobjType::GetName() const { return m_name; }
CString CGXRMobjType::GetId() const { return m_id; }

void CGXRMobjType::AddSpAttNode(CGXRMnode node) { m_spAttList.push_back(std::move(node)); }
void CGXRMobjType::RemoveSpAttNodes() { std::vector<CGXRMnode>().swap(m_spAttList); }
std::vector<CGXRMnode> CGXRMobjType::GetSpAttList() const { return m_spAttList; }
int CGXRMobjType::GetSpAttNodeCount() const { return GetListCount(m_spAttList); }
CGXRMobj::AttMap CGXRMobjType::GetSpAttMap() const { return Flatten(m_spAttList); }
CString CGXRMobjType::GetNamedSpAtt(const CString& name) const { return FindNamed(name, m_spAttList); }

void CGXRMobjType::AppendCalRule(IXMLDOMElementPtr rule) { m_calRules.push_back(std::move(rule)); }
void CGXRMobjType::ClearCalRule() { std::vector<IXMLDOMElementPtr>().swap(m_calRules); }
int CGXRMobjType::CountCalRule() const { return static_cast<int>(m_calRules.size()); }
std::vector<IXMLDOMElementPtr> CGXRMobjType::GetCalRule() const { return m_calRules; }
