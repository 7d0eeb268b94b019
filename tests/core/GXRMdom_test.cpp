// The DOM layer: error codes and the state after each failure, handle
// lifetimes, strict loading, and saving that never loses a file.
#include "core/GXRMdom.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "core/GXRMerror.h"

namespace {

using gxrm::DomError;
using gxrm::dom::Document;
using gxrm::dom::Element;
using gxrm::dom::Node;

using gxrm_test::CodeOf;
using gxrm_test::ReadFile;
using gxrm_test::WriteFile;

std::string TempPath(const std::string& name) { return gxrm_test::TempPath("dom_" + name); }

Document DocWithRoot(const std::string& xml) {
  Document doc = Document::create();
  EXPECT_TRUE(doc.loadXML(xml)) << doc.parseError().reason;
  return doc;
}

TEST(DomHandles, EmptyHandlesRaisePointerErrorWithAReadableMessage) {
  DomError e(0x80070003, "cannot save 'x'");
  EXPECT_STREQ(e.what(), "DOM error 0x80070003: cannot save 'x'");
  Node node;
  Element elem;
  Document doc;
  gxrm::dom::NodeList list;
  gxrm::dom::NamedNodeMap map;
  EXPECT_FALSE(node);
  EXPECT_EQ(CodeOf([&] { node.nodeName(); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { node.selectSingleNode("a"); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { elem.setAttribute("a", "1"); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { doc.createElement("a"); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { doc.save(TempPath("never")); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { list.length(); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { map.nextNode(); }), 0x80004003u);
  Document real = Document::create();
  EXPECT_EQ(CodeOf([&] { real.appendChild(Node()); }), 0x80004003u);
}

TEST(DomNames, IllegalNamesAndTextAreRefusedBeforeEnteringTheTree) {
  Document doc = DocWithRoot("<r/>");
  Element root = doc.documentElement();
  for (const char* bad : {"", "1a", "a b", "a<", "-x", ".x", "a\x01", "\xff"}) {
    EXPECT_EQ(CodeOf([&] { doc.createElement(bad); }), 0x80070057u) << bad;
    EXPECT_EQ(CodeOf([&] { root.setAttribute(bad, "v"); }), 0x80070057u) << bad;
  }
  for (const char* good : {"a", "_a", "a-b.c", "ns:a", "\xE6\xA5\xBC"}) {  // last: 楼
    EXPECT_EQ(CodeOf([&] { root.setAttribute(good, "v"); }), 0u) << good;
  }
  root.setAttribute("v", "old");
  for (const char* bad : {"a\x01", "\x1f", "\xEF\xBF\xBE", "\xEF\xBF\xBF", "\xC0\x80", "\xED\xA0\x80"}) {
    EXPECT_EQ(CodeOf([&] { root.setAttribute("v", bad); }), 0x80070057u) << bad;
    EXPECT_EQ(CodeOf([&] { doc.createTextNode(bad); }), 0x80070057u) << bad;
  }
  EXPECT_EQ(root.getAttribute("v"), "old");
  EXPECT_EQ(doc.xml().find("v=\"old\"") != std::string::npos, true);
}

TEST(DomTree, SetAttributeReplacesInPlaceOrAppends) {
  Document doc = DocWithRoot("<r b=\"2\" a=\"1\"/>");
  Element root = doc.documentElement();
  root.setAttribute("b", "3");
  root.setAttribute("c", "4");
  EXPECT_EQ(doc.xml(), "<r b=\"3\" a=\"1\" c=\"4\"/>");
  auto attrs = root.attributes();
  ASSERT_EQ(attrs.length(), 3);
  EXPECT_EQ(attrs.nextNode().nodeName(), "b");
  EXPECT_EQ(attrs.getNamedItem("a").text(), "1");
  EXPECT_FALSE(attrs.getNamedItem("A"));
  EXPECT_EQ(attrs.item(2).nodeType(), gxrm::dom::NODE_ATTRIBUTE);
}

TEST(DomTree, AppendChildRefusesWhatCannotStandThere) {
  Document doc = DocWithRoot("<r><a><b/></a></r>");
  Element root = doc.documentElement();
  Element a = root.selectSingleNode("a");
  Element b = a.selectSingleNode("b");
  EXPECT_EQ(CodeOf([&] { b.appendChild(a); }), 0x80004005u);     // below itself
  EXPECT_EQ(CodeOf([&] { a.appendChild(a); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { doc.appendChild(doc.createElement("second")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { doc.appendChild(doc.createTextNode("t")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { root.appendChild(root.getAttributeNode("x")); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { root.removeChild(b); }), 0x80004005u);  // not a child of root
  EXPECT_EQ(doc.xml(), "<r><a><b/></a></r>");
}

TEST(DomTree, AppendMovesWithinADocumentAndCopiesFromAnother) {
  Document doc = DocWithRoot("<r><a/><b/></r>");
  Element root = doc.documentElement();
  root.appendChild(root.selectSingleNode("a"));
  EXPECT_EQ(doc.xml(), "<r><b/><a/></r>");

  Document other = DocWithRoot("<o><rule k=\"1\"/></o>");
  Node rule = other.documentElement().selectSingleNode("rule");
  Node copy = root.appendChild(rule);
  EXPECT_NE(copy, rule);
  EXPECT_EQ(doc.xml(), "<r><b/><a/><rule k=\"1\"/></r>");
  EXPECT_EQ(other.xml(), "<o><rule k=\"1\"/></o>");
  EXPECT_EQ(copy.ownerDocument(), doc);
}

TEST(DomLifetime, HandlesKeepNodesAndDocumentsAlive) {
  Element kept;
  Element removed;
  {
    Document doc = DocWithRoot("<r><a x=\"1\"><c/></a><b/></r>");
    kept = doc.documentElement().selectSingleNode("b");
    removed = doc.documentElement().removeChild(doc.documentElement().selectSingleNode("a"));
    EXPECT_FALSE(removed.parentNode());
    EXPECT_EQ(doc.xml(), "<r><b/></r>");
  }
  // Every document object is gone; the handles still work.
  EXPECT_EQ(kept.nodeName(), "b");
  EXPECT_EQ(kept.parentNode().nodeName(), "r");
  EXPECT_EQ(removed.getAttribute("x"), "1");
  EXPECT_EQ(removed.childNodes().length(), 1);
  Document owner = removed.ownerDocument();
  owner.documentElement().appendChild(removed);
  EXPECT_EQ(owner.xml(), "<r><b/><a x=\"1\"><c/></a></r>");
}

TEST(DomLifetime, LoadingAgainKeepsOldHandlesValid) {
  Document doc = DocWithRoot("<old><x v=\"1\"/></old>");
  Element x = doc.documentElement().selectSingleNode("x");
  ASSERT_TRUE(doc.loadXML("<new/>"));
  EXPECT_EQ(x.getAttribute("v"), "1");
  EXPECT_EQ(doc.xml(), "<new/>");
  EXPECT_FALSE(doc.loadXML("<broken"));
  EXPECT_FALSE(doc.documentElement());
  EXPECT_EQ(doc.xml(), "");
  EXPECT_EQ(x.getAttribute("v"), "1");
}

TEST(DomLoad, KeepsCommentsPisCdataAndDropsWhiteSpaceText) {
  Document doc = DocWithRoot(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!--top-->\n<r>\n  <a/>\n  <!--c-->\n  "
      "<?pi data?>\n  <![CDATA[ ]]> text \n</r>");
  Element root = doc.documentElement();
  std::vector<int> types;
  for (Node n : root.childNodes()) types.push_back(n.nodeType());
  EXPECT_EQ(types, (std::vector<int>{1, 8, 7, 4, 3}));
  EXPECT_EQ(root.childNodes().item(4).text(), " text \n");
  EXPECT_EQ(doc.xml(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!--top--><r><a/><!--c--><?pi data?>"
            "<![CDATA[ ]]> text \n</r>");
}

TEST(DomLoad, RejectsEveryDocumentThatIsNotWellFormed) {
  const std::string valid = "<r a=\"1\"><b>t&amp;</b><!--c--></r>";
  for (size_t n = 0; n < valid.size(); ++n) {
    Document doc = Document::create();
    EXPECT_FALSE(doc.loadXML(valid.substr(0, n))) << "prefix of " << n << " bytes";
    EXPECT_FALSE(doc.documentElement());
  }
  const std::vector<std::string> broken = {
      "<a/><b/>",                        // two roots
      "<a/>text",                        // text after the root
      "<a x=\"1\" x=\"2\"/>",            // duplicated attribute
      "<a>&undefined;</a>",              // undefined entity
      "<a>\xC3\x28</a>",                 // invalid UTF-8
      "<a>\x01</a>",                     // control character
      "<a></b>",                         // mismatched tags
      "<!DOCTYPE a SYSTEM \"x.dtd\"><a>&ext;</a>",  // entity that would need the DTD
      "<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><a>&e;</a>",
      "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>",
      // A processing instruction is no declaration: the GBK text below is no UTF-8.
      "<?xmlml encoding=\"GBK\"?><a n=\"\xB2\xE3\"/>",
  };
  for (const std::string& xml : broken) {
    Document doc = Document::create();
    EXPECT_FALSE(doc.loadXML(xml)) << xml;
    EXPECT_FALSE(doc.parseError().reason.empty()) << xml;
  }
}

TEST(DomLoad, ReportsLineAndColumnOfTheError) {
  Document doc = Document::create();
  ASSERT_FALSE(doc.loadXML("<r>\n  <a>\n</r>"));
  EXPECT_EQ(doc.parseError().line, 3);
  EXPECT_EQ(doc.parseError().linepos, 3);
  EXPECT_EQ(doc.parseError().reason, "mismatched tag");
  EXPECT_FALSE(doc.load(TempPath("missing.xml")));
  EXPECT_NE(doc.parseError().reason.find("missing.xml"), std::string::npos);
}

TEST(DomLoad, HonoursChineseAndUtf16Encodings) {
  // <r n="楼层"/> declared and encoded as GBK, and as UTF-16 with a byte-order mark.
  const std::string utf8_attr = "\xE6\xA5\xBC\xE5\xB1\x82";
  for (const char* enc : {"GBK", "gb2312", "CP936", "GB18030"}) {
    std::string gbk = std::string("<?xml version=\"1.0\" encoding=\"") + enc +
                      "\"?><r n=\"\xC2\xA5\xB2\xE3\"/>";
    std::string path = TempPath(std::string("enc_") + enc + ".xml");
    WriteFile(path, gbk);
    Document doc = Document::create();
    ASSERT_TRUE(doc.load(path)) << enc << ": " << doc.parseError().reason;
    EXPECT_EQ(doc.documentElement().getAttribute("n"), utf8_attr) << enc;
  }
  std::string utf16 = "\xFF\xFE";
  for (char16_t unit : std::u16string(u"<r n=\"楼层\"/>")) {
    utf16 += static_cast<char>(unit & 0xFF);
    utf16 += static_cast<char>(unit >> 8);
  }
  std::string path = TempPath("utf16.xml");
  WriteFile(path, utf16);
  Document doc = Document::create();
  ASSERT_TRUE(doc.load(path)) << doc.parseError().reason;
  EXPECT_EQ(doc.documentElement().getAttribute("n"), utf8_attr);
  // A processing instruction that mentions an encoding changes nothing, and
  // what was loaded saves into a file that loads again.
  ASSERT_TRUE(doc.loadXML("<?xml-note encoding=\"GBK\"?><r n=\"" + utf8_attr + "\"/>"));
  doc.save(path);
  ASSERT_TRUE(doc.load(path)) << doc.parseError().reason;
  EXPECT_EQ(doc.documentElement().getAttribute("n"), utf8_attr);
  // Bytes that are no GBK in a file declared GBK.
  WriteFile(path, "<?xml version=\"1.0\" encoding=\"GBK\"?><r n=\"\x81\x20\"/>");
  EXPECT_FALSE(doc.load(path));
}

TEST(DomSave, WritesExactlyTheNodesAndValuesReadBackUnchanged) {
  Document doc = Document::create();
  Element root = doc.createElement("r");
  doc.appendChild(root);
  const std::string value = "q\"a&l<g>t\tn\nr\r'\xE4\xB8\xAD";
  root.setAttribute("v", value);
  root.appendChild(doc.createTextNode("\n"));
  std::string path = TempPath("values.xml");
  doc.save(path);
  EXPECT_EQ(ReadFile(path), "<r v=\"q&quot;a&amp;l&lt;g>t&#09;n&#10;r&#13;'\xE4\xB8\xAD\">\n</r>");
  Document back = Document::create();
  ASSERT_TRUE(back.load(path));
  EXPECT_EQ(back.documentElement().getAttribute("v"), value);
}

TEST(DomSave, FailuresRaiseTheirCodeAndLeaveTheOldFileIntact) {
  Document doc = DocWithRoot("<r>" + std::string(100000, 'x') + "</r>");
  EXPECT_EQ(CodeOf([&] { doc.save(TempPath("no_such_dir/f.xml")); }), 0x80070003u);

  std::string path = TempPath("intact.xml");
  WriteFile(path, "<old/>");
  // A file-size limit makes the write fail half-way.
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  auto old_handler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = {4096, old_limit.rlim_max};
  setrlimit(RLIMIT_FSIZE, &small);
  uint32_t code = CodeOf([&] { doc.save(path); });
  setrlimit(RLIMIT_FSIZE, &old_limit);
  signal(SIGXFSZ, old_handler);
  EXPECT_EQ(code, 0x80004005u);
  EXPECT_EQ(ReadFile(path), "<old/>");

  // A directory in the way of the rename.
  std::string dir = TempPath("a_directory");
  std::remove(dir.c_str());
  ASSERT_EQ(std::system(("mkdir -p " + dir + "/sub").c_str()), 0);
  EXPECT_EQ(CodeOf([&] { doc.save(dir); }), 0x80004005u);

  // Nothing but the target is left in the directory.
  doc.save(path);
  EXPECT_EQ(ReadFile(path).size(), 100007u);
  std::string listing = TempPath("listing.txt");
  std::system(("ls " + TempPath("intact.xml") + "* > " + listing).c_str());
  EXPECT_EQ(ReadFile(listing), path + "\n");
}

}  // namespace
