// The document base: creation and AddChild (copies sharing a document: writer
// tests); the records it writes.
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

// Names and values converted before are remembered per thread: what each was
// found good for, as a name or as text, must not carry over to the other use,
// a refused text must stay refused, and a record of more texts than are
// remembered, names and values in each other's way, must come out whole.
TEST(CGXRMfileParser, RepeatedHostTextKeepsItsChecksAndValues) {
  TestParser parser;
  ASSERT_TRUE(parser.LoadXml("<r/>"));
  IXMLDOMElementPtr root = Root(parser);
  auto refusal = [&](const CGXRMnode& record) { return CodeOf([&] { parser.AddChild("e", record, root); }); };
  CGXRMnode bad_text;
  bad_text.AddAtt(gxrm_test::Gbk("名"), "\xB0\xE5\x81");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(refusal(Record({{"v", "名 称"}, {"名 称", "x"}})), 0x80070057u);
    EXPECT_EQ(refusal(Record({{"v", "值\x01"}})), 0x80070057u);
    EXPECT_EQ(refusal(bad_text), 0x80070459u);
  }
  EXPECT_EQ(parser.Doc().xml(), "<r/>");
  parser.AddChild("e", Record({{"名称", "名称"}, {"值", "名称"}}), root);
  // Past a few attributes names are found through an index: a name set again
  // keeps its first place and takes the last value.
  CGXRMnode many;
  for (int i = 0; i < 5000; ++i)
    many.AddAtt(gxrm_test::Gbk("名" + std::to_string(i)), gxrm_test::Gbk("值" + std::to_string(i)));
  for (int i = 0; i < 5000; i += 1000) many.AddAtt(gxrm_test::Gbk("名" + std::to_string(i)), "last");
  IXMLDOMElementPtr made = parser.AddChild("e", many, root);
  EXPECT_EQ(parser.Doc().documentElement().firstChild().attributes().length(), 2);
  ASSERT_EQ(made.attributes().length(), 5000);
  EXPECT_EQ(made.attributes().item(1000).nodeName(), "名1000");
  EXPECT_EQ(made.attributes().item(1000).text(), "last");
  for (int i = 1; i < 5000; i += 7)
    EXPECT_EQ(made.getAttribute("名" + std::to_string(i)), "值" + std::to_string(i));
}

// A record: an ordered list of pairs, duplicates kept, looked up by first exact name.
TEST(CGXRMnode, KeepsPairsInOrderAndFindsTheFirstExactName) {
  EXPECT_EQ(CGXRMnode().GetNamedAtt("a"), "");
  CGXRMnode node = Record({{"a", "one"}, {"b", ""}, {"a", "two"}});
  EXPECT_EQ(node.GetAttNum(), 3);
  EXPECT_EQ(node.GetAttMap(), (CGXRMnode::AttMap{{"a", "one"}, {"b", ""}, {"a", "two"}}));
  EXPECT_EQ(node.GetNamedAtt("a"), "one");
  for (const char* miss : {"A", "a ", ""}) EXPECT_EQ(node.GetNamedAtt(miss), "") << miss;
  node.SetAttMap({{"k", "1"}, {"k", "2"}});
  EXPECT_EQ(node.GetNamedAtt("k"), "1");
  node.ClearAtt();
  EXPECT_EQ(node.GetAttNum(), 0);
}

}  // namespace
