// What leaves the tree: freed once no handle refers to it, readable while one
// does; deep documents; misplaced declarations. Memory is counted through
// pugixml's allocation hooks, set before any document exists.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <string>

#include "ParserFixture.h"
#include "core/GXRMdom.h"
#include "core/GXRMdomImpl.h"
#include "core/GXRMerror.h"
#include "format/GXRMformat.h"
#include "model/GXRMmodel.h"
#include "writer/CGXRMwriter.h"

namespace {

using gxrm::dom::Document;
using gxrm::dom::Element;
using gxrm::dom::Node;
using gxrm::dom::NodeList;

long long g_live_bytes = 0;

void* CountedAllocate(size_t size) {
  auto* block = static_cast<char*>(std::malloc(size + 16));
  if (!block) return nullptr;
  *reinterpret_cast<size_t*>(block) = size;
  g_live_bytes += static_cast<long long>(size);
  return block + 16;
}

void CountedDeallocate(void* ptr) {
  if (!ptr) return;
  char* block = static_cast<char*>(ptr) - 16;
  g_live_bytes -= static_cast<long long>(*reinterpret_cast<size_t*>(block));
  std::free(block);
}

const bool kCounting = (pugi::set_memory_management_functions(CountedAllocate, CountedDeallocate), true);

// An element of about `bytes` bytes of attributes, ready to be appended.
Element BigElement(const Document& doc, size_t bytes) {
  Element e = doc.createElement("rule");
  e.setAttribute("v", std::string(bytes, 'x'));
  return e;
}

std::string Nested(size_t depth, const std::string& inner) {
  std::string xml;
  for (size_t i = 0; i < depth; ++i) xml += "<d>";
  xml += inner;
  for (size_t i = 0; i < depth; ++i) xml += "</d>";
  return xml;
}

constexpr size_t kRule = 4096;
constexpr int kCycles = 2000;
// A few hundred dropped rules between two sweeps, far below all of them.
constexpr long long kSlack = 400 * static_cast<long long>(kRule);

// Also the writer's rules cleared and appended again, and its refused children.
TEST(DomLifetime, RemovedUnattachedAndRefusedNodesAreFreedOnceUnreferenced) {
  ASSERT_TRUE(kCounting);
  Document doc = Loaded("<root/>");
  Element root = doc.documentElement();
  CGXRMwriter writer;
  CGXRMnode header, big;
  writer.CreateGXRMinstance(header);
  big.AddAtt("v", std::string(kRule, 'y'));
  const Element rule = BigElement(doc, kRule);
  const long long start = g_live_bytes;
  for (int i = 0; i < kCycles; ++i) root.removeChild(root.appendChild(BigElement(doc, kRule)));
  EXPECT_LT(g_live_bytes - start, kSlack);
  for (int i = 0; i < kCycles; ++i) BigElement(doc, kRule);  // never attached
  EXPECT_LT(g_live_bytes - start, kSlack);
  for (int i = 0; i < kCycles; ++i) {
    writer.ClearCalRule();
    ASSERT_TRUE(writer.AppendCalRule(rule));
    EXPECT_EQ(CodeOf([&] { writer.AddChild("a", big, IXMLDOMElementPtr()); }), gxrm::kErrPointer);
  }
  EXPECT_LT(g_live_bytes - start, 2 * kSlack);
}

TEST(DomLifetime, ReloadingFreesEarlierTreesButNotHeldNodes) {
  const std::string xml = "<?xml version='1.0'?><root a='" + std::string(kRule, 'z') + "'><c>kept</c></root>";
  Document doc = Loaded(xml);
  Node decl = doc.firstChild();
  Node held = doc.documentElement().firstChild();
  const long long start = g_live_bytes;
  for (int i = 0; i < kCycles; ++i) ASSERT_TRUE(doc.loadXML(xml));
  EXPECT_LT(g_live_bytes - start, kSlack / 10);
  // Handles from the first load still read their nodes, the declaration too.
  EXPECT_EQ(held.text(), "kept");
  EXPECT_FALSE(held.parentNode().parentNode());
  EXPECT_FALSE(decl.parentNode());
  EXPECT_FALSE(decl.nextSibling());
  EXPECT_EQ(doc.xml().rfind("<?xml", 0), 0u);
  // A failed load leaves an empty document, and the handles still read.
  EXPECT_FALSE(doc.loadXML("<broken"));
  EXPECT_EQ(doc.xml(), "");
  EXPECT_EQ(held.text(), "kept");
}

TEST(DomLifetime, EveryKindOfHandleKeepsItsNodeThroughSweeps) {
  Document doc = Loaded("<root><a x='1'><b>deep</b></a><c/><c/></root>");
  Element root = doc.documentElement();
  NodeList cs = root.selectNodes("c");
  gxrm::dom::NamedNodeMap atts = Element(root.firstChild()).attributes();
  Node x = Element(root.firstChild()).getAttributeNode("x");
  Node b = root.firstChild().firstChild();
  Node moved_to(b);  // copies and moves keep their place in the ring
  Node taken(std::move(moved_to));
  root.removeChild(root.firstChild());
  for (const Node& c : cs) root.removeChild(c);
  doc.createTextNode("never attached");
  for (int i = 0; i < kCycles; ++i) doc.createElement("filler");  // forces sweeps
  EXPECT_EQ(doc.text(), "") << "only what is in the tree";
  EXPECT_EQ(taken.text(), "deep");
  EXPECT_EQ(x.text(), "1");
  EXPECT_EQ(atts.getNamedItem("x").text(), "1");
  EXPECT_EQ(cs.item(1).nodeName(), "c");
  NodeList copy = cs;
  cs = NodeList();
  for (int i = 0; i < kCycles; ++i) doc.createElement("filler");
  EXPECT_EQ(copy.item(0).nodeName(), "c");
  EXPECT_EQ(root.childNodes().length(), 0);
  // With every document object gone, a removed node still finds its document.
  doc = Document();
  root = Element();
  EXPECT_EQ(taken.parentNode().nodeName(), "a");
  taken.ownerDocument().documentElement().appendChild(taken);
  EXPECT_EQ(taken.ownerDocument().xml(), "<root><b>deep</b></root>");
}

TEST(DomLifetime, DeepDocumentsNeverRecurse) {
  const size_t depth = 300000;
  const std::string xml = Nested(depth, "<![CDATA[x]]>end<b x=\"1\"/>");
  Document doc = Loaded(xml);
  EXPECT_EQ(doc.text(), "xend");
  EXPECT_TRUE(doc.xml() == xml);
  const long long one_tree = g_live_bytes;
  Document copy = Document::create();
  copy.appendChild(doc.documentElement());
  EXPECT_TRUE(copy.xml() == xml);
  // A deep removed subtree and a deep failed load leave nothing behind.
  copy.removeChild(copy.documentElement());
  EXPECT_FALSE(copy.loadXML(Nested(depth, "") + "<d>"));
  for (int i = 0; i < kCycles; ++i) copy.createElement("filler");
  EXPECT_LT(g_live_bytes - one_tree, kSlack);
  EXPECT_FALSE(copy.documentElement());
}

// Appending below a deep element walks no way up: a walk per append would take minutes.
TEST(DomLifetime, DeepTreesBuildFromTheTop) {
  const size_t depth = 300000;
  Document doc = Document::create();
  Element parent = doc.createElement("d");
  doc.appendChild(parent);
  Element first = parent;
  for (size_t i = 1; i < depth; ++i) {
    Element child = doc.createElement("d");
    parent.appendChild(child);
    parent = child;
  }
  parent.appendChild(doc.createTextNode("x"));
  EXPECT_TRUE(doc.xml() == Nested(depth, "x"));
  // No cycle; moves from the first, middle and only place keep the rest in order.
  EXPECT_EQ(CodeOf([&] { parent.appendChild(first); }), gxrm::kErrFail);
  Node sub = parent.appendChild(Loaded("<s><a/><b><c/></b><e/></s>").documentElement());
  Node b = sub.firstChild().nextSibling();
  parent.appendChild(b);
  sub.appendChild(sub.firstChild());
  parent.appendChild(b.firstChild());
  EXPECT_TRUE(doc.xml() == Nested(depth, "x<s><e/><a/></s><b/><c/>"));
}

TEST(DomDeclaration, RemovedForRealAndRefusedWhereItCannotStand) {
  Document doc = Loaded("<?xml version='1.0'?><root><a/></root>");
  Node decl = doc.firstChild();
  const std::string before = doc.xml();
  Element root = doc.documentElement();
  // Under an element, after the root, from another document: refused, unchanged.
  EXPECT_EQ(CodeOf([&] { root.appendChild(decl); }), gxrm::kErrFail);
  EXPECT_EQ(CodeOf([&] { doc.appendChild(decl); }), gxrm::kErrFail);
  Document other = Loaded("<?xml version='1.0'?><r/>");
  EXPECT_EQ(CodeOf([&] { root.appendChild(other.firstChild()); }), gxrm::kErrFail);
  EXPECT_EQ(doc.xml(), before);

  EXPECT_EQ(doc.removeChild(decl), decl);
  EXPECT_EQ(doc.xml().find("<?xml"), std::string::npos);
  EXPECT_EQ(doc.firstChild(), root);
  EXPECT_EQ(CodeOf([&] { doc.removeChild(decl); }), gxrm::kErrFail);

  // Into an empty document it is the first node, and the file loads again.
  Document fresh = Document::create();
  fresh.appendChild(decl);
  fresh.appendChild(fresh.createElement("r"));
  Loaded(fresh.xml());
}

// A model's document, which keeps the blank text between tags.
Document LoadedWithLayout(const std::string& xml) { return gxrm::Model::Parse(xml, "test").Document(); }

// A model's text: `inner` under the root, behind the text `lead`.
std::string ModelText(const std::string& inner, const std::string& lead = "\n") {
  const std::string root = std::string(gxrm::format::kRootPrefix) + "1.0";
  return "<" + root + ">" + lead + inner + "</" + root + ">";
}

// Both loads share names. A line feed starting an element costs no node;
// other blank text costs one node each, its text shared.
TEST(DomLayoutLoad, LineFeedsCostNothingAndOtherBlankTextOneNodeEach) {
  constexpr int kElements = 2000;
  for (const std::string blank : {"\n", "\n\t"}) {
    std::string inner;
    for (int i = 0; i < kElements; ++i) inner += "<ComponentRecord MaterialGrade=\"1\">" + blank + "</ComponentRecord>";
    const std::string xml = ModelText(inner);
    const long long start = g_live_bytes;
    Document host = Loaded(xml);
    const long long host_bytes = g_live_bytes - start;
    Document layout = LoadedWithLayout(xml);
    const long long layout_bytes = g_live_bytes - start - host_bytes;
    EXPECT_EQ(layout.xml(), xml);
    const long long node_record = blank == "\n" ? 0 : 8 * sizeof(void*);
    EXPECT_LT(layout_bytes - host_bytes, kElements * (node_record + 8)) << blank.size();
    EXPECT_GE(layout_bytes - host_bytes, kElements * (node_record - 8)) << blank.size();
  }
}

TEST(DomLayoutLoad, SharedStringsChangeOnlyForTheirNodeAndOutliveTheirDocumentInCopies) {
  Document doc = LoadedWithLayout(ModelText("<a x=\"1\"> </a><a x=\"1\">\n</a>", "\n\n"));
  Node blank = doc.documentElement().firstChild();
  Node first = blank.nextSibling();
  Node second = first.nextSibling();
  // Same lengths: pugixml would write over a shared string.
  pugi::xml_node a = gxrm::dom::detail::Access::Pugi(first);
  ASSERT_TRUE(a.set_name("b") && a.first_attribute().set_name("y") && a.first_child().set_value("\t"));
  blank.text(" ");
  EXPECT_EQ(doc.xml(), ModelText("<b y=\"1\">\t</b><a x=\"1\">\n</a>", " "));

  // The copy into another document keeps the line feed.
  Document other = Document::create();
  other.appendChild(second);
  doc = Document();
  blank = first = second = Node();
  EXPECT_EQ(other.xml(), "<a x=\"1\">\n</a>");
}

// The line feed that starts an element stays first, whatever its children become.
TEST(DomLayoutLoad, LineFeedStaysFirstThroughChangesToTheChildren) {
  Document doc = LoadedWithLayout(ModelText("<a>\n<b/></a>"));
  Element a = doc.documentElement().firstChild();
  Node b = a.firstChild();
  ASSERT_EQ(b.nodeName(), "b");
  ASSERT_TRUE(gxrm::dom::detail::Access::Pugi(a).insert_child_before("c", gxrm::dom::detail::Access::Pugi(b)));
  EXPECT_EQ(doc.xml(), ModelText("<a>\n<c/><b/></a>"));
  a.removeChild(a.firstChild());
  a.removeChild(b);
  EXPECT_EQ(doc.xml(), ModelText("<a>\n</a>"));
}

TEST(DomLayoutLoad, ManyDifferentNamesLoadAsTheyStand) {
  std::string inner;
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    inner += "<e" + n + " a" + n + "=\"v\">\n</e" + n + ">";
  }
  inner += "<" + std::string(300, 'n') + ">\n</" + std::string(300, 'n') + ">";
  const std::string xml = ModelText(inner);
  EXPECT_EQ(LoadedWithLayout(xml).xml(), xml);
}

}  // namespace
