// A document holder whose document a test can load from text.
#pragma once

#include <string>

#include "TestUtil.h"
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

using gxrm_test::CodeOf;
