#include "core/CGXRMfileParser.h"

#include "core/GXRMdomImpl.h"
#include "core/GXRMtext.h"

using gxrm::dom::detail::Access;

CGXRMfileParser::CGXRMfileParser() = default;
CGXRMfileParser::CGXRMfileParser(const CGXRMfileParser& other) = default;
CGXRMfileParser& CGXRMfileParser::operator=(const CGXRMfileParser& other) = default;
CGXRMfileParser::~CGXRMfileParser() = default;

bool CGXRMfileParser::CreateXMLinstance() {
  m_pDoc = gxrm::dom::Document();
  m_pDoc = gxrm::dom::Document::create();
  return static_cast<bool>(m_pDoc);
}

bool CGXRMfileParser::CreateGXRMinstance(CGXRMnode&) { return CreateXMLinstance(); }

void CGXRMfileParser::SaveXMLinstance(const CString& path) {
  if (!m_pDoc) gxrm::ThrowDomError(gxrm::kErrPointer, "save without a document");
  m_pDoc.save(gxrm::GbkToUtf8(path, "file path"));
}

void CGXRMfileParser::SaveGXRMinstance(const CString& path) { SaveXMLinstance(path); }

bool CGXRMfileParser::GetRootElem(IXMLDOMElementPtr& root) {
  root = IXMLDOMElementPtr();
  if (!m_pDoc) gxrm::ThrowDomError(gxrm::kErrPointer, "no document to take the root element of");
  root = m_pDoc.documentElement();
  return true;
}

IXMLDOMElementPtr CGXRMfileParser::AddChild(const CString& name, const CGXRMnode& record,
                                            IXMLDOMElementPtr parent) {
  if (!m_pDoc) gxrm::ThrowDomError(gxrm::kErrPointer, "AddChild without a document");
  std::string name_utf8, att_utf8, value_utf8;
  IXMLDOMElementPtr elem = m_pDoc.createElement(gxrm::AsUtf8(name, name_utf8, "element name"));
  for (const auto& [att, value] : record.Atts()) {
    elem.setAttribute(gxrm::AsUtf8(att, att_utf8, "attribute name"),
                      gxrm::AsUtf8(value, value_utf8, "attribute value"));
  }
  if (!parent) gxrm::ThrowDomError(gxrm::kErrPointer, "AddChild under an empty parent handle");
  parent.appendChild(elem);
  elem.appendChild(m_pDoc.createTextNode("\n"));
  return elem;
}

IXMLDOMElementPtr CGXRMfileParser::AddChild(const CString& name, const std::vector<CGXRMnode>& records,
                                            IXMLDOMElementPtr parent) {
  IXMLDOMElementPtr last;
  for (const CGXRMnode& record : records) last = AddChild(name, record, parent);
  return last;
}
