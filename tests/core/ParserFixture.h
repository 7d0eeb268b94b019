// Documents loaded from text, and a document holder a test can load from text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "TestUtil.h"
#include "core/CGXRMfileParser.h"

class TestParser : public CGXRMfileParser {
 public:
  bool LoadXml(const std::string& xml) {
    CreateXMLinstance();
    return m_pDoc.loadXML(xml);
  }
  gxrm::dom::Document& Doc() { return m_pDoc; }
};

// A document loaded from `xml`, which must be well formed.
inline gxrm::dom::Document Loaded(const std::string& xml) {
  gxrm::dom::Document doc = gxrm::dom::Document::create();
  EXPECT_TRUE(doc.loadXML(xml)) << doc.parseError().reason;
  return doc;
}

using gxrm_test::CodeOf;
