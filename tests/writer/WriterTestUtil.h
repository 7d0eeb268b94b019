// Helpers of the writer tests: records from UTF-8 text, started writers,
// the saved file as text; CodeOf comes from the core tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>

#include "../core/ParserFixture.h"  // CodeOf
#include "core/GXRMerror.h"
#include "core/GXRMtext.h"
#include "format/GXRMformat.h"
#include "writer/CGXRMwriter.h"

namespace writer_test {

inline CString G(const char* utf8) { return gxrm::FromUtf8(utf8); }

// A record from UTF-8 pairs, in their order.
inline CGXRMnode Record(std::initializer_list<std::pair<const char*, const char*>> pairs) {
  CGXRMnode node;
  for (const auto& [name, value] : pairs) node.AddAtt(G(name), G(value));
  return node;
}

// A writer with a root made from `header`.
inline CGXRMwriter Started(CGXRMnode header = CGXRMnode()) {
  CGXRMwriter writer;
  EXPECT_TRUE(writer.CreateGXRMinstance(header));
  return writer;
}

// A started writer with floor information and the given floors.
inline CGXRMwriter WithFloors(std::initializer_list<const char*> floors) {
  CGXRMwriter writer = Started();
  EXPECT_TRUE(writer.CreateProjFloorInfo(CGXRMnode()));
  for (const char* floor : floors) {
    EXPECT_TRUE(writer.AddFloor(G(floor), Record({{gxrm::format::kAttFloorKey, floor}})));
  }
  return writer;
}

inline std::string RootName() { return gxrm::format::kRootPrefix + CGXRMwriter().GetGXRMversion(); }

// The whole saved file for a root whose children serialise to `inner`.
inline std::string InRoot(const std::string& inner, const std::string& rootAtts = "") {
  return "<" + RootName() + rootAtts + ">\n" + inner + "</" + RootName() + ">";
}

// Saves through the library into this test's own file and reads it back as text.
inline std::string Saved(CGXRMwriter& writer) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir ? dir : "/tmp") + "/" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".gxrm";
  writer.SaveGXRMinstance(path);
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline IXMLDOMElementPtr Root(CGXRMwriter& writer) {
  IXMLDOMElementPtr root;
  EXPECT_TRUE(writer.GetRootElem(root));
  return root;
}

}  // namespace writer_test
