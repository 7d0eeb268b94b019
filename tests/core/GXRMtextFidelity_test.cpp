// Text fidelity: every character XML can carry reaches the host as code page
// 936 text and comes back unchanged, through the conversions and through files.
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
using gxrm_test::CodeOf;
using gxrm_test::TempPath;
using gxrm_test::WriteFile;

std::string Utf8(char32_t c) {
  std::string s;
  if (c < 0x80) return s += static_cast<char>(c);
  if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
  } else {
    if (c < 0x10000) {
      s += static_cast<char>(0xE0 | (c >> 12));
    } else {
      s += static_cast<char>(0xF0 | (c >> 18));
      s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    }
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  return s += static_cast<char>(0x80 | (c & 0x3F));
}

// A run of consecutive XML characters and their UTF-8.
struct Piece {
  std::vector<char32_t> chars;
  std::string utf8;

  // "U+XXXX", the first character that `got` does not reproduce.
  std::string FirstLost(const std::string& got) const {
    std::string prefix;
    char hex[16] = "none";
    for (char32_t c : chars) {
      prefix += Utf8(c);
      if (got.compare(0, prefix.size(), prefix) == 0) continue;
      std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(c));
      break;
    }
    return hex;
  }
};

// Every XML 1.0 Char, in pieces of up to `n` characters.
std::vector<Piece> XmlCharPieces(size_t n) {
  std::vector<Piece> pieces;
  auto add = [&](char32_t c) {
    if (pieces.empty() || pieces.back().chars.size() == n) pieces.emplace_back();
    pieces.back().chars.push_back(c);
    pieces.back().utf8 += Utf8(c);
  };
  for (char32_t c : {0x9, 0xA, 0xD}) add(c);
  for (char32_t c = 0x20; c <= 0xD7FF; ++c) add(c);
  for (char32_t c = 0xE000; c <= 0xFFFD; ++c) add(c);
  for (char32_t c = 0x10000; c <= 0x10FFFF; ++c) add(c);
  return pieces;
}

std::string HostRoundTrip(const std::string& utf8) {
  try {
    return ToUtf8(FromUtf8(utf8));
  } catch (const gxrm::DomError& e) {
    return e.what();
  }
}

TEST(TextFidelity, EveryXmlCharacterSurvivesHostText) {
  for (const Piece& piece : XmlCharPieces(64)) {
    std::string back = HostRoundTrip(piece.utf8);
    if (back == piece.utf8) continue;
    // Alone, the lost character shows up at once.
    for (char32_t c : piece.chars) {
      EXPECT_EQ(HostRoundTrip(Utf8(c)), Utf8(c)) << "U+" << std::hex << static_cast<unsigned>(c);
    }
    ADD_FAILURE() << "lost in a run: " << piece.FirstLost(back);
  }
}

// Attribute values go through the writer's and the reader's conversions, and
// text content through the DOM; both through a saved and loaded file.
TEST(TextFidelity, EveryXmlCharacterSurvivesSaveAndLoad) {
  const std::vector<Piece> pieces = XmlCharPieces(1024);
  TestParser writer;
  ASSERT_TRUE(writer.LoadXml("<r/>"));
  IXMLDOMElementPtr root = writer.Doc().documentElement();
  CGXRMnode record;
  for (size_t i = 0; i < pieces.size(); ++i) {
    record.AddAtt("a" + std::to_string(i), FromUtf8(pieces[i].utf8));
    root.appendChild(writer.Doc().createElement("t"))
        .appendChild(writer.Doc().createTextNode(pieces[i].utf8));
  }
  writer.AddChild(gxrm::format::kProjSetting, record, root);
  const std::string path = TempPath("all-characters.xml");
  writer.SaveGXRMinstance(path);

  CGXRMreader reader;
  ASSERT_TRUE(reader.LoadGXRMfile(path)) << reader.GetLoadError().reason;
  CGXRMnode back;
  ASSERT_TRUE(reader.GetProjSetting(back));
  const CGXRMnode::AttMap atts = back.GetAttMap();
  ASSERT_EQ(atts.size(), pieces.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    std::string value = ToUtf8(atts[i].second);
    EXPECT_TRUE(value == pieces[i].utf8) << "attribute value lost " << pieces[i].FirstLost(value);
  }
  IXMLDOMElementPtr loaded;
  ASSERT_TRUE(reader.GetRootElem(loaded));
  gxrm::dom::NodeList texts = loaded.selectNodes("t");
  ASSERT_EQ(texts.length(), static_cast<long>(pieces.size()));
  for (size_t i = 0; i < pieces.size(); ++i) {
    std::string text = texts.item(static_cast<long>(i)).text();
    EXPECT_TRUE(text == pieces[i].utf8) << "text content lost " << pieces[i].FirstLost(text);
  }
  std::remove(path.c_str());
}

// Host text is code page 936: its euro byte and its two-byte codes of
// private-use characters, whose standard namesakes in GB18030 take four bytes.
TEST(TextFidelity, HostTextFollowsCodePage936) {
  const std::pair<const char*, const char*> pairs[] = {
      {"€", "\x80"},
      {"\uE78D", "\xA6\xD9"},
      {"\uE816", "\xFE\x51"},
      {"\uE864", "\xFE\xA0"},
      {"\uFE10", "\x84\x31\x82\x36"},
      {"\U00020087", "\x95\x32\x90\x31"},
      {"\u9FBB", "\x82\x35\x91\x34"},
      {"剪€\uE78D力\U00020087墙\uFE11.",
       "\xBC\xF4\x80\xA6\xD9\xC1\xA6\x95\x32\x90\x31\xC7\xBD\x84\x31\x82\x37."},
  };
  for (const auto& [utf8, host] : pairs) {
    EXPECT_EQ(FromUtf8(utf8), host) << utf8;
    EXPECT_EQ(ToUtf8(host), utf8) << utf8;
  }
  // GB18030's own euro code still reads as the euro.
  EXPECT_EQ(ToUtf8("\xA2\xE3"), "€");
  for (const char* bad : {"\xA6", "\x84\x31\x82", "a\x80\xFF", "\xFE\x51\x81"}) {
    EXPECT_EQ(CodeOf([&] { ToUtf8(bad); }), 0x80070459u) << bad;
  }
  EXPECT_EQ(CodeOf([&] { FromUtf8("\xF0\x8E\x9E\x8D"); }), 0x80070459u) << "overlong U+E78D";

  // The euro byte in a value and in a file path.
  TestParser parser;
  ASSERT_TRUE(parser.LoadXml("<r/>"));
  CGXRMnode record;
  record.AddAtt("v", "\x80\xFE\x51");
  parser.AddChild("e", record, parser.Doc().documentElement());
  parser.SaveGXRMinstance(TempPath("euro\x80.xml"));
  EXPECT_EQ(gxrm_test::ReadFile(TempPath("euro€.xml")), "<r><e v=\"€\uE816\">\n</e></r>");
  std::remove(TempPath("euro€.xml").c_str());
}

// Files in the Chinese code pages read as host text does, whatever the label
// says and wherever the reading splits the file.
TEST(TextFidelity, ChineseLabelsReadAsCodePage936) {
  // 丂 (8140) is GBK but not GB2312; FE51 is the private-use U+E816.
  for (const char* label : {"GB2312", "gb2312", "GBK", "CP936", "GB18030"}) {
    Document doc = Document::create();
    std::string file =
        std::string("<?xml version=\"1.0\" encoding=\"") + label + "\"?><r v=\"\x81\x40\x80\xFE\x51\"/>";
    ASSERT_TRUE(doc.loadXML(file)) << label << ": " << doc.parseError().reason;
    EXPECT_EQ(doc.documentElement().getAttribute("v"), "丂€\uE816") << label;
  }
  // The loader reads a megabyte at a time: split a two- and a four-byte code.
  const std::string head = "<?xml version=\"1.0\" encoding=\"GBK\"?><r v=\"";
  for (size_t split = 1; split <= 5; ++split) {
    const size_t filler = (1 << 20) - head.size() - split;
    std::string file = head + std::string(filler, 'x') + "\xFE\x51\x84\x31\x82\x36\x81\x40\"/>";
    Document doc = Document::create();
    ASSERT_TRUE(doc.load(WriteFile(TempPath("split.xml"), file))) << doc.parseError().reason;
    EXPECT_EQ(doc.documentElement().getAttribute("v").substr(filler), "\uE816\uFE10丂") << "split " << split;
  }
  std::remove(TempPath("split.xml").c_str());
}

// An entity the parser cannot expand is refused wherever it stands: expat
// alone would drop it from attribute values once a DTD goes unread.
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
    EXPECT_FALSE(doc.documentElement()) << xml;
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
