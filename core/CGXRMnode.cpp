#include "core/CGXRMnode.h"

CGXRMnode::CGXRMnode() = default;
CGXRMnode::CGXRMnode(const CGXRMnode& other) = default;
CGXRMnode& CGXRMnode::operator=(const CGXRMnode& other) = default;
CGXRMnode::CGXRMnode(CGXRMnode&& other) noexcept = default;
CGXRMnode& CGXRMnode::operator=(CGXRMnode&& other) noexcept = default;
CGXRMnode::~CGXRMnode() = default;

void CGXRMnode::AddAtt(const CString& name, const CString& value) { m_atts.emplace_back(name, value); }

void CGXRMnode::ClearAtt() { AttMap().swap(m_atts); }

int CGXRMnode::GetAttNum() const { return static_cast<int>(m_atts.size()); }

CGXRMnode::AttMap CGXRMnode::GetAttMap() const { return m_atts; }

void CGXRMnode::SetAttMap(AttMap pairs) { m_atts = std::move(pairs); }

CString CGXRMnode::GetNamedAtt(const CString& name) const {
  for (const auto& [att, value] : m_atts) {
    if (att == name) return value;
  }
  return CString();
}
