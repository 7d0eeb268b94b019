// The parallel way of loading against the strict way: the same tree or the
// same error for every document, wherever the document is divided.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "LoadOutcome.h"
#include "ParserFixture.h"

namespace {

namespace fs = std::filesystem;
using gxrm::dom::detail::LoadPath;
using gxrm_test::LoadOutcome;

// Every kind of node and reference, line ends of both kinds, blank text made
// of references only, blank CDATA, text that starts with a blank line.
const char kVaried[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
    "<!-- top --><?top pi\r\nline?>\n"
    "<r a=\"x&amp;&lt;&gt;&quot;'&#9;&#10;&#13;y\" b=\"\" c=\"\xE4\xB8\xAD\t1\r\n2\">\r\n"
    "  <empty/><empty2></empty2>&#32;&#10;<e>&#x20;</e>\n"
    "  <e>t&amp;&lt;&gt;\"'&#9;\r z \xE4\xB8\xAD ]]&gt;</e>\n"
    "  <c><![CDATA[raw <&>\r\n text]]><![CDATA[]]></c><c><![CDATA[ \n ]]>\n <![CDATA[]]> </c>\n"
    "  <e>\r\n  x\n</e>\n"
    "  <!-- co-m\r --><?pi data ?><?pi2?>\n"
    "  <deep><a><b x='1'><c/></b></a></deep><f>a<b/>c<!--x-->d<![CDATA[e]]></f>\n"
    "  <m>\n</m><m>\r\n<x/>\n</m><m>&#10;<!--c--></m><m>\n\n</m>\n"
    "</r>\n"
    "<!-- after --><?end?>\n";

// The files the tests and the fuzzers start from.
std::vector<fs::path> TestFiles() {
  std::vector<fs::path> files;
  for (const char* dir :
       {"fuzz/corpus", "fuzz/dom-corpus", "fuzz/load-corpus", "tests/reader/data", "tests/tools/data"}) {
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(fs::path(GXRM_SOURCE_DIR) / dir)) {
      if (e.is_regular_file()) files.push_back(e.path());
    }
  }
  return files;
}

// The parallel way, divided at each element start from `from` on (every
// one when `from` is 1), gives what the strict way gives.
void ExpectSameOutcome(const std::string& bytes, const std::string& what, size_t from = 0) {
  for (bool keep : {false, true}) {
    const std::string strict = LoadOutcome(bytes, keep);
    EXPECT_EQ(LoadOutcome(bytes, keep, 0, nullptr, true), strict) << what << ", on one thread";
    for (size_t at = from ? from : bytes.size() / 2; at <= bytes.size(); at = bytes.find('<', at + 1)) {
      EXPECT_EQ(LoadOutcome(bytes, keep, std::max<size_t>(at, 1)), strict)
          << what << (keep ? ", blank text kept" : "") << ", divided from " << at;
      if (!from || at == std::string::npos) break;
    }
  }
}

TEST(ParallelLoad, GivesTheStrictTreeOrErrorForEveryTestFile) {
  size_t parallel = 0;
  for (const fs::path& file : TestFiles()) {
    const std::string bytes = gxrm_test::ReadFile(file.string());
    ExpectSameOutcome(bytes, file.string());
    LoadPath taken;
    LoadOutcome(bytes, false, std::max<size_t>(bytes.size() / 2, 1), &taken);
    parallel += taken != LoadPath::kStrict;
  }
  EXPECT_GE(parallel, 10u) << "most test files are UTF-8 and load on two threads";
}

TEST(ParallelLoad, TakesThePathItsDocumentAllows) {
  const std::vector<std::pair<std::string, LoadPath>> cases = {
      {kVaried, LoadPath::kChecked},
      {"<!DOCTYPE r [<!ENTITY e 'x'>]><r><a>&e;</a><b>&e;</b></r>", LoadPath::kStrict},
      {"<?xml version='1.0' encoding='GBK'?><r><a/><b/></r>", LoadPath::kStrict},
      {"<?xml version='1.0' encoding='ISO-8859-1'?><r><a/><b/></r>", LoadPath::kStrict},
      {std::string("<\0r\0>\0<\0a\0/\0>\0<\0/\0r\0>\0", 18), LoadPath::kStrict},
  };
  for (const auto& [xml, path] : cases) {
    LoadPath taken;
    LoadOutcome(xml, false, xml.size() / 2, &taken);
    EXPECT_EQ(taken, path) << xml;
    LoadOutcome(xml, false, 0, &taken, true);
    EXPECT_EQ(taken, path == LoadPath::kChecked ? LoadPath::kCheckedOnOneThread : path) << xml;
    ExpectSameOutcome(xml, xml, 1);
  }
}

// Kept layout: a file whose only blank text is a line feed starting an
// element's content (as the library writes) goes the checked way, its line
// feeds as marks; one with other blank text goes the way that keeps it.
TEST(ParallelLoad, KeepsTheLayoutOfAWrittenFileTheCheckedWay) {
  const std::string written =
      "<r a=\"x>y\" b='q\"/'>\n<e/><f>\n</f><g>\n<!--c--><h x=\"1\">\n<i>\n</i></h>t<j/></g>"
      "<k>\n<![CDATA[\n]]></k><l>\n<?p d?></l></r>\n";
  const std::string indented = "<r>\n\t<a>\n\t</a>\n</r>";
  for (const std::string& xml : {written, indented}) {
    LoadPath taken;
    LoadOutcome(xml, true, xml.size() / 2, &taken);
    EXPECT_EQ(taken == LoadPath::kChecked, xml == written) << xml;
    ExpectSameOutcome(xml, xml, 1);
  }
}

// Every division of a document of every kind of node, and of copies with one
// byte dropped, or a '<' or "]]>" written in, at every place: whatever the
// strict way refuses or accepts, the parallel way does too.
TEST(ParallelLoad, RefusesWhatTheStrictWayRefusesWhereverTheDocumentIsDivided) {
  const std::string valid = kVaried;
  ExpectSameOutcome(valid, "the whole", 1);
  // End tags that close as many elements as were open, not the ones open.
  // Junk after the root that a division ends inside: expat's error depends on what follows.
  for (const char* xml : {"<r><a>x<b/></x></r>", "<r><a><b/></a></x>", "<r><a><b/></a></r></r>",
                          "<r99/>0000963<a><b>a\xff\xa6</b></a>"}) {
    ExpectSameOutcome(xml, xml, 1);
  }
  for (size_t at = 0; at < valid.size(); ++at) {
    ExpectSameOutcome(valid.substr(0, at) + valid.substr(at + 1), "without byte " + std::to_string(at));
    ExpectSameOutcome(valid.substr(0, at) + "<" + valid.substr(at + 1), "'<' at " + std::to_string(at));
    ExpectSameOutcome(valid.substr(0, at) + "]]>" + valid.substr(at), "']]>' at " + std::to_string(at));
    ExpectSameOutcome(valid.substr(0, at) + "</r>" + valid.substr(at), "'</r>' at " + std::to_string(at));
  }
}

// Loads from a file, the second beside a node the first left held.
TEST(ParallelLoad, FilesLoadInParallelBesideHeldNodes) {
  namespace detail = gxrm::dom::detail;
  LoadPath taken;
  detail::LoadOptions options;
  options.parallel_from = 0;
  options.divide_from = sizeof kVaried / 2;
  options.taken = &taken;
  const std::string path = gxrm_test::WriteFile(gxrm_test::TempPath("parallel.xml"), kVaried);
  gxrm::dom::Document doc = gxrm::dom::Document::create();
  ASSERT_TRUE(detail::LoadFile(doc, path, options));
  EXPECT_EQ(gxrm_test::TreeText(detail::Access::Pugi(doc)), LoadOutcome(kVaried, false));
  gxrm::dom::Node held = doc.documentElement().firstChild();
  ASSERT_TRUE(detail::LoadFile(doc, path, options));
  EXPECT_EQ(taken, LoadPath::kParallel);
  EXPECT_EQ(held.nodeName(), "empty");
  const gxrm::dom::Document fresh = Loaded(kVaried);
  EXPECT_EQ(gxrm_test::TreeText(detail::Access::Pugi(doc.documentElement())),
            gxrm_test::TreeText(detail::Access::Pugi(fresh.documentElement())));
}

}  // namespace
