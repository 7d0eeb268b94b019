// The DOM layer: error codes and the state after each failure, handle
// lifetimes, strict loading, and saving that never loses a file.
#include "core/GXRMdom.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
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

// Runs `body` in a child process that has a mount namespace of its own with a
// 64 KiB tmpfs at `dir`, and returns what it reports; nothing when such a
// mount cannot be had (not root, or no namespaces here).
std::optional<std::string> InSmallTmpfs(const std::string& dir, const std::function<std::string()>& body) {
  std::filesystem::create_directories(dir);
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) {
    close(out[0]);
    close(out[1]);
    return std::nullopt;
  }
  if (child == 0) {
    close(out[0]);
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") != 0) {
      _exit(77);
    }
    const std::string report = body();
    _exit(write(out[1], report.data(), report.size()) == static_cast<ssize_t>(report.size()) ? 0 : 1);
  }
  close(out[1]);
  std::string report;
  char buf[256];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) report.append(buf, n);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 77) return std::nullopt;
  return report;
}

// The code saving raised, the file's content and what else the directory holds.
std::string SaveOutcome(Document& doc, const std::string& dir) {
  std::string report =
      std::to_string(CodeOf([&] { doc.save(dir + "/f.xml"); })) + " " + ReadFile(dir + "/f.xml");
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename() != "f.xml") report += " +" + entry.path().filename().string();
  }
  return report;
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
  EXPECT_NE(doc.xml().find("v=\"old\""), std::string::npos);
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
  Document doc = DocWithRoot("<r x=\"1\"><a><b/></a></r>");
  Element root = doc.documentElement();
  Element a = root.selectSingleNode("a");
  Element b = a.selectSingleNode("b");
  Node x = root.getAttributeNode("x");
  ASSERT_TRUE(x);
  EXPECT_EQ(CodeOf([&] { b.appendChild(a); }), 0x80004005u);  // below itself
  EXPECT_EQ(CodeOf([&] { a.appendChild(a); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { doc.appendChild(doc.createElement("second")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { doc.appendChild(doc.createTextNode("t")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { a.appendChild(x); }), 0x80004005u);  // an attribute is no child
  EXPECT_EQ(CodeOf([&] { x.appendChild(doc.createTextNode("t")); }), 0x80004005u);
  EXPECT_EQ(CodeOf([&] { root.appendChild(root.getAttributeNode("none")); }), 0x80004003u);
  EXPECT_EQ(CodeOf([&] { root.removeChild(b); }), 0x80004005u);  // not a child of root
  EXPECT_EQ(doc.xml(), "<r x=\"1\"><a><b/></a></r>");
}

TEST(DomTree, SiblingsListCursorsAndTextOfEachKindOfNode) {
  Document doc = DocWithRoot("<r a=\"v\"><x>one<y>two</y><!--c--><![CDATA[three]]></x><z/></r>");
  Element root = doc.documentElement();
  Node x = root.firstChild();
  EXPECT_EQ(x.nextSibling().nodeName(), "z");
  EXPECT_FALSE(x.nextSibling().nextSibling());
  EXPECT_FALSE(root.getAttributeNode("a").nextSibling());
  // An element's text is all text and CDATA below it; comments do not count.
  EXPECT_EQ(x.text(), "onetwothree");
  EXPECT_EQ(root.text(), "onetwothree");
  EXPECT_EQ(root.getAttributeNode("a").nodeTypedValue(), "v");
  EXPECT_EQ(x.firstChild().nodeTypedValue(), "one");
  x.text("a&b");
  EXPECT_EQ(doc.xml(), "<r a=\"v\"><x>a&amp;b</x><z/></r>");
  // A node list walks once, then stays at its end.
  gxrm::dom::NodeList children = root.childNodes();
  EXPECT_EQ(children.nextNode().nodeName(), "x");
  EXPECT_EQ(children.nextNode().nodeName(), "z");
  EXPECT_FALSE(children.nextNode());
  EXPECT_FALSE(children.nextNode());
  // A node taken out of the tree has no siblings.
  root.removeChild(x);
  EXPECT_FALSE(x.nextSibling());
}

TEST(DomTree, TwoAndFourByteCharactersInNamesAndValuesSurviveSaveAndLoad) {
  // é (two bytes) and 楼 (three) in names; 𠀀 and 😀 (four) in values only,
  // since a name holding them would not load back.
  const std::string name = "\xC3\xA9\xE6\xA5\xBC";
  const std::string value = "\xC3\xA9\xF0\x9F\x98\x80\xF0\xA0\x80\x80";
  Document doc = Document::create();
  Element root = doc.createElement(name);
  doc.appendChild(root);
  root.setAttribute(name, value);
  root.appendChild(doc.createTextNode(value));
  std::string path = TempPath("wide.xml");
  doc.save(path);
  Document back = Document::create();
  ASSERT_TRUE(back.load(path)) << back.parseError().reason;
  EXPECT_EQ(back.documentElement().nodeName(), name);
  EXPECT_EQ(back.documentElement().getAttribute(name), value);
  EXPECT_EQ(back.documentElement().text(), value);
  EXPECT_EQ(CodeOf([&] { doc.createElement("a\xF0\xA0\x80\x80"); }), 0x80070057u);
  EXPECT_EQ(CodeOf([&] { root.setAttribute("\xF0\x9F\x98\x80", "v"); }), 0x80070057u);
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
      "<a/><b/>",                                   // two roots
      "<a/>text",                                   // text after the root
      "<a x=\"1\" x=\"2\"/>",                       // duplicated attribute
      "<a>&undefined;</a>",                         // undefined entity
      "<a>\xC3\x28</a>",                            // invalid UTF-8
      "<a>\x01</a>",                                // control character
      "<a></b>",                                    // mismatched tags
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
    std::string gbk =
        std::string("<?xml version=\"1.0\" encoding=\"") + enc + "\"?><r n=\"\xC2\xA5\xB2\xE3\"/>";
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

TEST(DomLoad, ChineseCharactersAcrossReadChunksConvertWhole) {
  // Loading reads a megabyte at a time: 楼 straddles the first boundary, and
  // the second one 层 in GBK or 😀 (four bytes) in GB18030.
  constexpr size_t kChunk = 1 << 20;
  struct Case {
    const char* enc;
    std::string second, second_utf8;
  };
  for (const Case& c :
       {Case{"GBK", "\xB2\xE3", "\xE5\xB1\x82"}, Case{"GB18030", "\x94\x39\xFC\x36", "\xF0\x9F\x98\x80"}}) {
    const std::string head = std::string("<?xml version=\"1.0\" encoding=\"") + c.enc + "\"?><r>";
    const size_t xs = kChunk - 1 - head.size();
    const size_t ys = 2 * kChunk - c.second.size() / 2 - (kChunk + 1);
    const std::string text =
        head + std::string(xs, 'x') + "\xC2\xA5" + std::string(ys, 'y') + c.second + "</r>";
    ASSERT_EQ(text.find(c.second), 2 * kChunk - c.second.size() / 2);
    Document doc = Document::create();
    ASSERT_TRUE(doc.load(WriteFile(TempPath("chunks.xml"), text)))
        << c.enc << ": " << doc.parseError().reason;
    const std::string got = doc.documentElement().text();
    EXPECT_EQ(got.find("\xE6\xA5\xBC"), xs) << c.enc;
    EXPECT_EQ(got.find(c.second_utf8), xs + 3 + ys) << c.enc;
    EXPECT_EQ(got.size(), xs + 3 + ys + c.second_utf8.size()) << c.enc;
  }
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

TEST(DomSave, FullAndReadOnlyFileSystemsRaiseTheirCodesAndKeepTheOldFile) {
  Document doc = DocWithRoot("<r>" + std::string(100000, 'x') + "</r>");
  const std::string dir = TempPath("small_fs");
  std::optional<std::string> report = InSmallTmpfs(dir, [&] {
    WriteFile(dir + "/f.xml", "<old/>");
    std::string full = SaveOutcome(doc, dir);
    mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr);
    return full + " | " + SaveOutcome(doc, dir);
  });
  if (!report) GTEST_SKIP() << "needs root and mount namespaces for a small tmpfs (unshare -m)";
  EXPECT_EQ(*report, std::to_string(0x80070070u) + " <old/> | " + std::to_string(0x80070005u) + " <old/>");
}

}  // namespace
