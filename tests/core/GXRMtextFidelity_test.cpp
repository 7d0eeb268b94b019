// Every character XML can carry reaches the host as code page 936 text and
// comes back unchanged, through the conversions and through files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ParserFixture.h"
#include "core/GXRMtext.h"
#include "format/GXRMformat.h"
#include "reader/CGXRMreader.h"

namespace {

using gxrm::FromUtf8;
using gxrm::ToUtf8;
using gxrm::dom::Document;
using gxrm_test::TempPath;
using gxrm_test::WriteFile;

// Every XML Char as UTF-8 in runs of up to `n`, expanded by the parser.
std::vector<std::string> XmlCharRuns(size_t n) {
  std::string xml = "<r><c>";
  size_t count = 0;
  auto add = [&](unsigned c) {
    if (count++ % n == n - 1) xml += "</c><c>";
    xml += "&#" + std::to_string(c) + ";";
  };
  for (unsigned c : {0x9u, 0xAu, 0xDu}) add(c);
  for (unsigned c = 0x20; c <= 0xD7FF; ++c) add(c);
  for (unsigned c = 0xE000; c <= 0xFFFD; ++c) add(c);
  for (unsigned c = 0x10000; c <= 0x10FFFF; ++c) add(c);
  std::vector<std::string> runs;
  for (gxrm::dom::Node c : Loaded(xml + "</c></r>").documentElement().childNodes()) runs.push_back(c.text());
  return runs;
}

// Attribute values through the writer's and reader's conversions, text through the DOM.
TEST(TextFidelity, EveryXmlCharacterSurvivesHostTextSaveAndLoad) {
  const std::vector<std::string> runs = XmlCharRuns(1024);
  ASSERT_EQ(runs.size(), 1086u);  // 1,112,033 characters
  TestParser writer;
  ASSERT_TRUE(writer.LoadXml("<r/>"));
  IXMLDOMElementPtr root = writer.Doc().documentElement();
  CGXRMnode record;
  for (size_t i = 0; i < runs.size(); ++i) {
    record.AddAtt("a" + std::to_string(i), FromUtf8(runs[i]));
    root.appendChild(writer.Doc().createElement("t")).appendChild(writer.Doc().createTextNode(runs[i]));
  }
  writer.AddChild(gxrm::format::kProjSetting, record, root);
  const std::string path = TempPath("all-characters.xml");
  writer.SaveGXRMinstance(path);

  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(path)) << reader.GetLoadError().reason;
  CGXRMnode back;
  ASSERT_TRUE(reader.GetProjSetting(back));
  const CGXRMnode::AttMap atts = back.GetAttMap();
  IXMLDOMElementPtr loaded;
  ASSERT_TRUE(reader.GetRootElem(loaded));
  gxrm::dom::NodeList texts = loaded.selectNodes("t");
  ASSERT_EQ(atts.size(), runs.size());
  ASSERT_EQ(texts.length(), static_cast<long>(runs.size()));
  for (size_t i = 0; i < runs.size(); ++i) {
    EXPECT_TRUE(ToUtf8(atts[i].second) == runs[i]) << "attribute value lost in run " << i;
    EXPECT_TRUE(texts.item(static_cast<long>(i)).text() == runs[i]) << "text content lost in run " << i;
  }
  std::remove(path.c_str());
}

// Code page 936 has a euro byte and two-byte private-use codes that GB18030
// spells in four bytes; what GBK cannot hold takes GB18030's four bytes.
TEST(TextFidelity, HostTextFollowsCodePage936) {
  const std::pair<const char*, const char*> pairs[] = {
      {"GXRMheader_v1.0 <&>\t\n", "GXRMheader_v1.0 <&>\t\n"},
      {"板.楼梯", "\xB0\xE5.\xC2\xA5\xCC\xDD"},
      {"€", "\x80"},
      {"\uE78D", "\xA6\xD9"},
      {"\uE816", "\xFE\x51"},
      {"\uE864", "\xFE\xA0"},
      {"\uFE10", "\x84\x31\x82\x36"},
      {"\U00020087", "\x95\x32\x90\x31"},
      {"😀", "\x94\x39\xFC\x36"},
      {"\u9FBB", "\x82\x35\x91\x34"},
      {"剪€\uE78D力\U00020087墙\uFE11.",
       "\xBC\xF4\x80\xA6\xD9\xC1\xA6\x95\x32\x90\x31\xC7\xBD\x84\x31\x82\x37."},
  };
  for (const auto& [utf8, host] : pairs) {
    EXPECT_EQ(FromUtf8(utf8), host) << utf8;
    EXPECT_EQ(ToUtf8(host), utf8) << utf8;
  }
  // GB18030's euro reads as the euro but goes back as 0x80: no round trip.
  EXPECT_EQ(ToUtf8("\xA2\xE3"), "€");
  EXPECT_EQ(FromUtf8(ToUtf8("a\xA2\xE3\xB0\xE5")), "a\x80\xB0\xE5");
  for (const char* bad :
       {"\x81", "a\x81\x20", "\xFF\xFF", "\xA6", "\x84\x31\x82", "a\x80\xFF", "\xFE\x51\x81"}) {
    EXPECT_EQ(CodeOf([&] { ToUtf8(bad); }), 0x80070459u) << "host text " << bad;
  }
  // The last one: an overlong U+E78D.
  for (const char* bad : {"\xC3", "\xC3\x28", "\xED\xA0\x80", "\xF8\x88\x80\x80\x80", "\xF0\x8E\x9E\x8D"}) {
    EXPECT_EQ(CodeOf([&] { FromUtf8(bad); }), 0x80070459u) << "UTF-8 " << bad;
  }

  // The euro byte in a file path.
  TestParser parser;
  ASSERT_TRUE(parser.LoadXml("<r/>"));
  parser.SaveGXRMinstance(TempPath("euro\x80.xml"));
  EXPECT_EQ(gxrm_test::ReadFile(TempPath("euro€.xml")), "<r/>");
  std::remove(TempPath("euro€.xml").c_str());
}

// Two-byte codes convert through a table filled from iconv one code at a
// time; text with the euro byte goes through iconv whole. Both must agree on
// every code, and a code with no character must be refused either way.
TEST(TextFidelity, EveryTwoByteCodeConvertsAloneAsInRunningText) {
  int refused = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      std::string alone, running;
      const bool alone_ok = CodeOf([&] { alone = ToUtf8(code); }) == 0;
      const bool running_ok = CodeOf([&] { running = ToUtf8("\x80" + code + "a"); }) == 0;
      ASSERT_EQ(alone_ok, running_ok) << std::hex << lead << trail;
      if (!alone_ok) {
        ++refused;
        continue;
      }
      ASSERT_EQ("€" + alone + "a", running) << std::hex << lead << trail;
      ASSERT_EQ(ToUtf8(code), alone) << std::hex << lead << trail;
    }
  }
  EXPECT_EQ(refused, 126);  // trail byte 0x7F
}

// Files in the Chinese code pages read as host text does, whatever the label
// and wherever the reading splits the file.
TEST(TextFidelity, ChineseLabelsReadAsCodePage936) {
  // 丂 (8140) is GBK but not GB2312; FE51 is the private-use U+E816.
  for (const char* label : {"GB2312", "gb2312", "GBK", "CP936", "GB18030"}) {
    Document doc = Document::create();
    std::string file =
        std::string("<?xml version=\"1.0\" encoding=\"") + label + "\"?><r v=\"\x81\x40\x80\xFE\x51\"/>";
    ASSERT_TRUE(doc.loadXML(file)) << label << ": " << doc.parseError().reason;
    EXPECT_EQ(doc.documentElement().getAttribute("v"), "丂€\uE816") << label;
  }
  const std::string head = "<?xml version=\"1.0\" encoding=\"GBK\"?><r v=\"";
  Document doc = Document::create();
  EXPECT_FALSE(doc.load(WriteFile(TempPath("split.xml"), head + "\x81\x20\"/>"))) << "no GBK";
  // Split a two- and a four-byte code at the loader's first and second megabyte.
  const std::string codes = "\xFE\x51\x84\x31\x82\x36\x81\x40";
  const std::string chars = "\uE816\uFE10丂";
  constexpr size_t kChunk = 1 << 20;
  for (size_t split = 1; split <= 5; ++split) {
    const size_t filler = kChunk - head.size() - split;
    const std::string between(kChunk - codes.size(), 'y');
    ASSERT_TRUE(doc.load(
        WriteFile(TempPath("split.xml"), head + std::string(filler, 'x') + codes + between + codes + "\"/>")))
        << doc.parseError().reason;
    EXPECT_TRUE(doc.documentElement().getAttribute("v").substr(filler) == chars + between + chars)
        << "split " << split;
  }
  std::remove(TempPath("split.xml").c_str());
}

// Unexpandable entities are refused: expat would drop them from attribute
// values once a DTD goes unread.
TEST(TextFidelity, UnexpandableEntitiesAreRefusedNotDropped) {
  const std::string external = "<!DOCTYPE r SYSTEM \"r.dtd\" [<!ENTITY e \"E\"><!ENTITY n \"&ext;\">]>";
  const std::string refused[] = {
      external + "<r a=\"x&ext;y\"/>",
      external + "<r><s b='1' a=\"x&n;y\"/></r>",
      external + "<r>x&ext;y</r>",
      "<!DOCTYPE r [<!ENTITY % p \"\"> %p;]><r a=\"&ext;\"/>",
  };
  for (const std::string& xml : refused) {
    Document doc = Document::create();
    EXPECT_FALSE(doc.loadXML(xml)) << xml;
    EXPECT_NE(doc.parseError().reason.find("ext"), std::string::npos) << doc.parseError().reason;
    EXPECT_EQ(doc.parseError().line, 1) << xml;
  }
  // Declared, predefined and character references still expand, in UTF-16 too.
  auto utf16 = [](const std::string& ascii) {
    std::string le = "\xFF\xFE";
    for (char c : ascii) le += std::string{c, '\0'};
    return le;
  };
  const std::string expanding = external + "<r a=\"x&e;&amp;&#38;ext;\"/>";
  for (const std::string& xml : {expanding, utf16(expanding)}) {
    Document doc = Document::create();
    ASSERT_TRUE(doc.loadXML(xml)) << doc.parseError().reason;
    EXPECT_EQ(doc.documentElement().getAttribute("a"), "xE&&ext;");
  }
  Document doc = Document::create();
  EXPECT_FALSE(doc.loadXML(utf16(refused[0])));
  EXPECT_NE(doc.parseError().reason.find("in an attribute value"), std::string::npos)
      << doc.parseError().reason;
}

}  // namespace
