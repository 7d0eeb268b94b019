// The document base: creation and AddChild (copies sharing a document: writer tests).
#include "core/CGXRMfileParser.h"

#include <gtest/gtest.h>

#include "ParserFixture.h"

namespace {

using gxrm_test::Record;

IXMLDOMElementPtr Root(CGXRMfileParser& parser) {
  IXMLDOMElementPtr root;
  parser.GetRootElem(root);
  return root;
}

TEST(CGXRMfileParser, WithoutADocumentRaisesAndANewDocumentHasNoRoot) {
  CGXRMfileParser first;
  IXMLDOMElementPtr root;
  EXPECT_EQ(CodeOf([&] { first.GetRootElem(root); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { first.SaveGXRMinstance("x.gxrm"); }), 0x80004003u);
  CGXRMnode header;
  first.CreateGXRMinstance(header);
  EXPECT_FALSE(Root(first));
}

TEST(CGXRMfileParser, AddChildWritesRecordsInOrderWithLineFeedAndReturnsTheLast) {
  TestParser parser;
  ASSERT_TRUE(parser.LoadXml("<r><x/></r>"));
  IXMLDOMElementPtr root = Root(parser);
  parser.AddChild("e", Record({{"b", "2"}, {"a", "1"}, {"b", "3"}, {"c", ""}}), root);
  EXPECT_FALSE(parser.AddChild("e", std::vector<CGXRMnode>{}, IXMLDOMElementPtr()));
  IXMLDOMElementPtr last = parser.AddChild(
      "e", std::vector<CGXRMnode>{CGXRMnode(), Record({{"i", "2"}}), Record({{"i", "3"}})}, root);
  EXPECT_EQ(last.getAttribute("i"), "3");
  EXPECT_EQ(parser.Doc().xml(),
            "<r><x/><e b=\"3\" a=\"1\" c=\"\">\n</e><e>\n</e><e i=\"2\">\n</e><e i=\"3\">\n</e></r>");
}

TEST(CGXRMfileParser, AddChildBuildsUnderAParentOfAnyDocumentAndFailsWithoutChange) {
  TestParser parser, other;
  ASSERT_TRUE(parser.LoadXml("<r/>"));
  ASSERT_TRUE(other.LoadXml("<o/>"));
  for (IXMLDOMElementPtr parent : {Root(parser), Root(other)}) {
    EXPECT_EQ(CodeOf([&] { parser.AddChild("bad name", CGXRMnode(), parent); }), 0x80070057u);
    EXPECT_EQ(CodeOf([&] { parser.AddChild("e", Record({{"1x", "v"}}), parent); }), 0x80070057u);
    EXPECT_EQ(CodeOf([&] { parser.AddChild("e", Record({{"x", "\x01"}}), parent); }), 0x80070057u);
    EXPECT_EQ(CodeOf([&] { parser.AddChild("e", Record({{"x", "\x81"}}), parent); }), 0x80070459u);
  }
  EXPECT_EQ(CodeOf([&] { parser.AddChild("e", CGXRMnode(), IXMLDOMElementPtr()); }), 0x80004003u);
  EXPECT_EQ(parser.Doc().xml(), "<r/>");
  EXPECT_EQ(other.Doc().xml(), "<o/>");
  // The vector form keeps what it made before the failing record.
  std::vector<CGXRMnode> records = {Record({{"ok", "1"}}), Record({{"no good", "2"}})};
  EXPECT_EQ(CodeOf([&] { parser.AddChild("e", records, Root(parser)); }), 0x80070057u);
  EXPECT_EQ(parser.Doc().xml(), "<r><e ok=\"1\">\n</e></r>");
  // Under a parent of another document it builds there.
  IXMLDOMElementPtr made = parser.AddChild("e", Record({{"n", "楼"}}), Root(other));
  ASSERT_TRUE(made);
  EXPECT_EQ(made.ownerDocument(), other.Doc());
  parser.AddChild("f", std::vector<CGXRMnode>{CGXRMnode(), CGXRMnode()}, made);
  EXPECT_EQ(other.Doc().xml(), "<o><e n=\"楼\">\n<f>\n</f><f>\n</f></e></o>");
}

}  // namespace
