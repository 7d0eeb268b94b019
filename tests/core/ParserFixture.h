// A document holder whose document a test can load from text.
#pragma once

#include <string>

#include "core/CGXRMfileParser.h"

class TestParser : public CGXRMfileParser {
 public:
  bool LoadXml(const std::string& xml) {
    CreateXMLinstance();
    return m_pDoc.loadXML(xml);
  }
  bool NewDocument() { return CreateXMLinstance(); }
  gxrm::dom::Document& Doc() { return m_pDoc; }
};

// Runs `op` and returns the DomError code it raised, or 0.
template <typename Op>
uint32_t CodeOf(Op op) {
  try {
    op();
  } catch (const gxrm::DomError& e) {
    return e.Error();
  }
  return 0;
}
