// The DOM layer: error codes and the state after each failure, strict
// loading and the bytes saving writes.
#include "core/GXRMdom.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ParserFixture.h"
#include "core/GXRMerror.h"

namespace {

using gxrm::DomError;
using gxrm::dom::Document;
using gxrm::dom::Element;
using gxrm::dom::Node;

TEST(DomHandles, EmptyHandlesRaisePointerErrorWithAReadableMessage) {
  DomError e(0x80070003, "cannot save 'x'");
  EXPECT_STREQ(e.what(), "DOM error 0x80070003: cannot save 'x'");
  EXPECT_EQ(CodeOf([] { Node().nodeName(); }), 0x80004003u);
  EXPECT_EQ(CodeOf([] { Element().setAttribute("a", "1"); }), 0x80004003u);
  EXPECT_EQ(CodeOf([] { Document().createElement("a"); }), 0x80004003u);
  EXPECT_EQ(CodeOf([] { gxrm::dom::NodeList().length(); }), 0x80004003u);
  EXPECT_EQ(CodeOf([] { gxrm::dom::NamedNodeMap().nextNode(); }), 0x80004003u);
}

TEST(DomNames, IllegalNamesAndTextAreRefusedBeforeEnteringTheTree) {
  Document doc = Loaded("<r/>");
  Element root = doc.documentElement();
  // Four-byte characters would not load back in a name.
  for (const char* bad :
       {"", "1a", "a b", "a<", "-x", ".x", "a\x01", "\xff", "a\xF0\xA0\x80\x80", "\xF0\x9F\x98\x80"}) {
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
  EXPECT_NE(doc.xml().find("v=\"old\""), std::string::npos);
}

TEST(DomTree, AppendChildMovesCopiesOrRefusesWhatCannotStandThere) {
  Document doc = Loaded("<r x=\"1\"><a><b/></a></r>");
  Element root = doc.documentElement();
  Element a = root.selectSingleNode("a");
  Element b = a.selectSingleNode("b");
  Node x = root.getAttributeNode("x");
  EXPECT_EQ(CodeOf([&] { b.appendChild(a); }), 0x80004005u);  // below itself
  EXPECT_EQ(CodeOf([&] { a.appendChild(a); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { doc.appendChild(doc.createElement("second")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { doc.appendChild(doc.createTextNode("t")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { a.appendChild(x); }), 0x80004005u);  // an attribute is no child
  EXPECT_EQ(CodeOf([&] { x.appendChild(doc.createTextNode("t")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { root.appendChild(root.getAttributeNode("none")); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { root.removeChild(b); }), 0x80004005u);  // not a child of root
  EXPECT_EQ(doc.xml(), "<r x=\"1\"><a><b/></a></r>");
  // Within a document a node moves; from another it is copied.
  root.appendChild(b);
  Document other = Loaded("<o><rule k=\"1\"/></o>");
  Node copy = root.appendChild(other.documentElement().firstChild());
  EXPECT_EQ(copy.ownerDocument(), doc);
  EXPECT_EQ(doc.xml(), "<r x=\"1\"><a/><b/><rule k=\"1\"/></r>");
  EXPECT_EQ(other.xml(), "<o><rule k=\"1\"/></o>");
}

TEST(DomTree, SiblingsCursorsAttributesAndTextOfEachKindOfNode) {
  Document doc = Loaded("<r a=\"v\"><x>one<y>two</y><!--c--><![CDATA[three]]></x><z/></r>");
  Element root = doc.documentElement();
  Node x = root.firstChild();
  EXPECT_FALSE(x.nextSibling().nextSibling());
  EXPECT_FALSE(root.getAttributeNode("a").nextSibling());
  // An element's text is all text and CDATA below it; comments do not count.
  EXPECT_EQ(x.text(), "onetwothree");
  EXPECT_EQ(root.text(), "onetwothree");
  EXPECT_EQ(root.getAttributeNode("a").nodeTypedValue(), "v");
  EXPECT_EQ(x.firstChild().nodeTypedValue(), "one");
  x.text("a&b");
  root.setAttribute("a", "w");  // in place
  root.setAttribute("b", "2");
  EXPECT_EQ(doc.xml(), "<r a=\"w\" b=\"2\"><x>a&amp;b</x><z/></r>");
  gxrm::dom::NamedNodeMap attrs = root.attributes();
  EXPECT_EQ(attrs.nextNode().nodeName(), "a");
  EXPECT_FALSE(attrs.getNamedItem("B"));
  // A node list walks once, then stays at its end.
  gxrm::dom::NodeList children = root.childNodes();
  EXPECT_EQ(children.nextNode().nodeName(), "x");
  EXPECT_EQ(children.nextNode().nodeName(), "z");
  EXPECT_FALSE(children.nextNode());
  EXPECT_FALSE(children.nextNode());
  root.removeChild(x);
  EXPECT_FALSE(x.nextSibling());
}

TEST(DomLoad, RejectsEveryDocumentThatIsNotWellFormedSayingWhere) {
  const std::string valid = "<r a=\"1\"><b>t&amp;</b><!--c--></r>";
  for (size_t n = 0; n < valid.size(); ++n) {
    Document doc = Document::create();
    EXPECT_FALSE(doc.loadXML(valid.substr(0, n))) << "prefix of " << n << " bytes";
    EXPECT_FALSE(doc.documentElement());
  }
  const std::vector<std::string> broken = {
      "<a/><b/>",              // two roots
      "<a/>text",              // text after the root
      "<a x=\"1\" x=\"2\"/>",  // duplicated attribute
      "<a>&undefined;</a>",    // undefined entity
      "<a>\xC3\x28</a>",       // invalid UTF-8
      "<a>\x01</a>",           // control character
      "<a></b>",               // mismatched tags
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
  // The error says where.
  Document doc = Document::create();
  ASSERT_FALSE(doc.loadXML("<r>\n  <a>\n</r>"));
  EXPECT_EQ(std::make_tuple(doc.parseError().line, doc.parseError().linepos, doc.parseError().reason),
            std::make_tuple(3L, 3L, std::string("mismatched tag")));
  EXPECT_FALSE(doc.load(gxrm_test::TempPath("missing.xml")));
  EXPECT_NE(doc.parseError().reason.find("missing.xml"), std::string::npos);
}

const char kVaried[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<!-- top --><?top pi?>\n"
    "<r a=\"x&amp;&lt;&gt;&quot;'&#9;&#10;&#13;y\" b=\"\" c=\"中文 ]]&gt;\">\n"
    "  <empty/><empty2></empty2>\n"
    "  <e>t&amp;&lt;&gt;\"'&#9;\n z 中文 ]]&gt;</e>\n"
    "  <c><![CDATA[raw <&> text]]><![CDATA[ ]]></c>\n"
    "  <!-- co-m --><?pi data?><?pi2?>\n"
    "  <deep><a><b x='1'><c/></b></a></deep><é楼 é楼=\"é\"/>\n"
    "  <mixed>a<b/>c<!--x-->d<![CDATA[e]]></mixed>\n"
    "</r>\n"
    "<!-- after -->";

std::string PugixmlPrint(const pugi::xml_document& doc) {
  std::ostringstream out;
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    n.print(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  }
  return out.str();
}

// Saving writes the bytes pugixml's raw printing writes, except that a
// carriage return in text content is escaped so that it loads back as one.
TEST(DomPrint, WritesWhatPugixmlWritesForEveryKindOfNode) {
  Document doc = Loaded(kVaried);
  pugi::xml_document reference;
  ASSERT_TRUE(reference.load_string(kVaried, pugi::parse_full));
  EXPECT_EQ(doc.xml(), PugixmlPrint(reference));
  // The declaration names the encoding saving uses.
  EXPECT_EQ(Loaded("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>").xml(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r/>");
}

// Raw text that could not be saved exactly is refused where it is set; what
// comes close but can be written loads back unchanged.
TEST(DomPrint, RawTextIsRefusedUnlessItLoadsBackUnchanged) {
  Document doc = Loaded("<r><!--c--><?p d?><![CDATA[x]]></r>");
  Node comment = doc.documentElement().firstChild();
  Node pi = comment.nextSibling();
  Node cdata = pi.nextSibling();
  const std::vector<std::pair<Node, std::vector<const char*>>> refused = {
      {comment, {"a\rb", "\r", "a--b", "a-", "-"}},
      {pi, {"a?>b", "?>", "a\rb", " a", "\ta", "\na"}},
      {cdata, {"x]]>y", "]]>", "a\r\nb"}},
  };
  for (const auto& [node, texts] : refused) {
    for (const char* text : texts) {
      EXPECT_EQ(CodeOf([&] { Node(node).text(text); }), 0x80070057u) << node.nodeName() << " " << text;
    }
  }
  EXPECT_EQ(CodeOf([&] { doc.createComment("a--b"); }), 0x80070057u);  // the same check as text()
  EXPECT_EQ(doc.xml(), "<r><!--c--><?p d?><![CDATA[x]]></r>");

  comment.text("- a -b\n");
  pi.text("a? >b?\n");
  cdata.text("]] >]>]]");
  Node added = doc.documentElement().appendChild(doc.createComment("\n-x- y"));
  Document back = Loaded(doc.xml());
  Node n = back.documentElement().firstChild();
  for (const Node& sent : {comment, pi, cdata, added}) {
    ASSERT_TRUE(n);
    EXPECT_EQ(n.nodeType(), sent.nodeType());
    EXPECT_EQ(n.text(), sent.text());
    n = n.nextSibling();
  }
}

TEST(DomPrint, EscapesWhatWouldNotLoadBackUnchanged) {
  Document doc = Loaded("<r/>");
  Element root = doc.documentElement();
  const std::string value = "q\"a&l<g>t\tn\nr\r'中\r\n";
  const std::string text = "\rline\r\nnext&<>\r";
  root.setAttribute("v", value);
  root.appendChild(doc.createTextNode(text));
  EXPECT_EQ(
      doc.xml(),
      "<r "
      "v=\"q&quot;a&amp;l&lt;g>t&#09;n&#10;r&#13;'中&#13;&#10;\">&#13;line&#13;\nnext&amp;&lt;&gt;&#13;</r>");
  Document back = Loaded(doc.xml());
  EXPECT_EQ(back.documentElement().getAttribute("v"), value);
  EXPECT_EQ(back.documentElement().firstChild().text(), text);
}

}  // namespace
