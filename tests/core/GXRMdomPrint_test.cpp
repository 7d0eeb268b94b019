// Saving writes the bytes pugixml's raw printing writes, except that a
// carriage return in text content is escaped so that it loads back as one.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <sstream>
#include <string>

#include "TestUtil.h"
#include "core/GXRMdom.h"

namespace {

using gxrm::dom::Document;
using gxrm::dom::Element;

const char kVaried[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<!-- top --><?top pi?>\n"
    "<r a=\"x&amp;&lt;&gt;&quot;'&#9;&#10;&#13;y\" b=\"\" c=\"中文 ]]&gt;\">\n"
    "  <empty/><empty2></empty2>\n"
    "  <e>t&amp;&lt;&gt;\"'&#9;\n z 中文 ]]&gt;</e>\n"
    "  <c><![CDATA[raw <&> text]]></c>\n"
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

TEST(DomPrint, WritesWhatPugixmlWritesForEveryKindOfNode) {
  Document doc = Document::create();
  ASSERT_TRUE(doc.loadXML(kVaried)) << doc.parseError().reason;
  pugi::xml_document reference;
  ASSERT_TRUE(reference.load_string(kVaried, pugi::parse_full));

  // Values no parser hands over: "]]>" in CDATA, "?>" in a processing instruction.
  Element root = doc.documentElement();
  root.selectSingleNode("c").firstChild().text("x]]>y]]]>");
  root.selectSingleNode("c").nextSibling().nextSibling().text("v?>w");
  reference.child("r").child("c").first_child().set_value("x]]>y]]]>");
  reference.child("r").child("c").next_sibling().next_sibling().set_value("v?>w");

  EXPECT_EQ(doc.xml(), PugixmlPrint(reference));
}

// Each character that needs it is escaped, carriage returns in text too, so
// that what was saved loads back unchanged.
TEST(DomPrint, EscapesWhatWouldNotLoadBackUnchanged) {
  Document doc = Document::create();
  Element root = doc.createElement("r");
  doc.appendChild(root);
  const std::string value = "q\"a&l<g>t\tn\nr\r'中\r\n";
  const std::string text = "\rline\r\nnext&<>\r";
  root.setAttribute("v", value);
  root.appendChild(doc.createTextNode(text));
  const std::string path = gxrm_test::TempPath("print_escapes.xml");
  doc.save(path);
  EXPECT_EQ(
      gxrm_test::ReadFile(path),
      "<r "
      "v=\"q&quot;a&amp;l&lt;g>t&#09;n&#10;r&#13;'中&#13;&#10;\">&#13;line&#13;\nnext&amp;&lt;&gt;&#13;</r>");
  Document back = Document::create();
  ASSERT_TRUE(back.load(path));
  EXPECT_EQ(back.documentElement().getAttribute("v"), value);
  EXPECT_EQ(back.documentElement().firstChild().text(), text);
}

}  // namespace
