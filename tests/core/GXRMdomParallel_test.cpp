// The parallel way of loading against the strict way: the same tree or the
// same error for every document, wherever the document is divided.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "LoadOutcome.h"
#include "TestUtil.h"
#include "core/GXRMdomParallelImpl.h"

namespace {

namespace fs = std::filesystem;
using gxrm::dom::detail::LoadPath;
using gxrm_test::LoadOutcome;

// Every kind of node and reference, line ends of both kinds, blank text made
// of references only.
const char kVaried[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n"
    "<!-- top --><?top pi\r\nline?>\n"
    "<r a=\"x&amp;&lt;&gt;&quot;'&#9;&#10;&#13;y\" b=\"\" c=\"\xE4\xB8\xAD\t1\r\n2\">\r\n"
    "  <empty/><empty2></empty2>&#32;&#10;<e>&#x20;</e>\n"
    "  <e>t&amp;&lt;&gt;\"'&#9;\r z \xE4\xB8\xAD ]]&gt;</e>\n"
    "  <c><![CDATA[raw <&>\r\n text]]><![CDATA[]]></c>\n"
    "  <!-- co-m\r --><?pi data ?><?pi2?>\n"
    "  <deep><a><b x='1'><c/></b></a></deep><f>a<b/>c<!--x-->d<![CDATA[e]]></f>\n"
    "</r>\n"
    "<!-- after --><?end?>\n";

// The files the tests and the fuzzers start from.
std::vector<fs::path> TestFiles() {
  std::vector<fs::path> files;
  for (const char* dir : {"fuzz/corpus", "fuzz/dom-corpus", "fuzz/load-corpus", "tests/reader/data", "tests/tools/data"}) {
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(fs::path(GXRM_SOURCE_DIR) / dir)) {
      if (e.is_regular_file()) files.push_back(e.path());
    }
  }
  return files;
}

void ExpectSameOutcome(const std::string& bytes, const std::string& what) {
  for (bool keep : {false, true}) {
    EXPECT_EQ(LoadOutcome(bytes, keep, true), LoadOutcome(bytes, keep, false)) << what << (keep ? ", blank text kept" : "");
  }
}

TEST(ParallelLoad, GivesTheStrictTreeOrErrorForEveryTestFile) {
  size_t parallel = 0;
  for (const fs::path& file : TestFiles()) {
    const std::string bytes = gxrm_test::ReadFile(file.string());
    ExpectSameOutcome(bytes, file.string());
    LoadPath taken;
    LoadOutcome(bytes, false, true, &taken);
    parallel += taken == LoadPath::kParallel;
  }
  EXPECT_GE(parallel, 10u) << "most test files are UTF-8 and load the parallel way";
}

TEST(ParallelLoad, TakesThePathItsDocumentAllows) {
  const std::vector<std::pair<std::string, LoadPath>> cases = {
      {kVaried, LoadPath::kParallel},
      {"<!DOCTYPE r [<!ENTITY e 'x'>]><r>&e;</r>", LoadPath::kStrict},
      {"<?xml version='1.0' encoding='GBK'?><r/>", LoadPath::kStrict},
      {"<?xml version='1.0' encoding='ISO-8859-1'?><r/>", LoadPath::kStrict},
      {std::string("<\0r\0/\0>\0", 8), LoadPath::kStrict},
      {"<r></x>", LoadPath::kStrict},  // refused: the strict way tells why
  };
  for (const auto& [xml, path] : cases) {
    LoadPath taken;
    LoadOutcome(xml, false, true, &taken);
    EXPECT_EQ(taken, path) << xml;
    ExpectSameOutcome(xml, xml);
  }
}

// One byte dropped, or a '<' or "]]>" written in, at every place: whatever
// the strict way refuses or accepts, the parallel way does too.
TEST(ParallelLoad, RefusesWhatTheStrictWayRefusesWhereverTheFaultLies) {
  const std::string valid = kVaried;
  for (size_t at = 0; at < valid.size(); ++at) {
    ExpectSameOutcome(valid.substr(0, at) + valid.substr(at + 1), "without byte " + std::to_string(at));
    ExpectSameOutcome(valid.substr(0, at) + "<" + valid.substr(at + 1), "'<' at " + std::to_string(at));
    ExpectSameOutcome(valid.substr(0, at) + "]]>" + valid.substr(at), "']]>' at " + std::to_string(at));
  }
}

// expat's verdict on `bytes` divided at `split` equals its verdict on the whole.
bool DividedVerdict(const std::string& bytes, const gxrm::dom::detail::Split& split) {
  using gxrm::dom::detail::ExpatCheck;
  using gxrm::dom::detail::Source;
  const Source source(bytes);
  ExpatCheck head, tail;
  const bool head_ok =
      head.Feed(source, 0, split.offset, false) && head.Feed(split.closing, true);
  const bool tail_ok = tail.Feed(split.opening, false) &&
                       tail.Feed(source, split.offset, bytes.size() - split.offset, true);
  return head_ok && tail_ok;
}

TEST(ParallelLoad, EveryElementStartDividesADocumentSoundly) {
  const std::string valid = kVaried;
  for (size_t at = 0; at < valid.size(); ++at) {
    for (const std::string& bytes : {valid, valid.substr(0, at) + valid.substr(at + 1),
                                     valid.substr(0, at) + "]]>" + valid.substr(at)}) {
      std::string copy = bytes;
      pugi::xml_document doc;
      if (!doc.load_buffer_inplace(copy.data(), copy.size())) continue;
      gxrm::dom::detail::ExpatCheck whole;
      const bool whole_ok = whole.Feed(bytes, true);
      for (size_t from = 0;;) {
        auto split = gxrm::dom::detail::FindSplit(doc.document_element(), copy.data(), from);
        if (!split) break;
        EXPECT_EQ(DividedVerdict(bytes, *split), whole_ok) << "divided at " << split->offset << ": " << bytes;
        from = split->offset + 1;
      }
    }
  }
}

TEST(ParallelLoad, FilesLoadInParallelUnlessOldNodesAreHeld) {
  const std::string path = gxrm_test::WriteFile(gxrm_test::TempPath("parallel.xml"), kVaried);
  gxrm::dom::detail::LoadOptions options;
  options.parallel_from = 0;
  LoadPath taken;
  options.taken = &taken;
  gxrm::dom::Document doc = gxrm::dom::Document::create();
  ASSERT_TRUE(gxrm::dom::detail::LoadFile(doc, path, options));
  EXPECT_EQ(taken, LoadPath::kParallel);
  EXPECT_EQ(gxrm_test::TreeText(gxrm::dom::detail::Access::Pugi(doc)), LoadOutcome(kVaried, false, false));
  gxrm::dom::Node held = doc.documentElement().firstChild();
  ASSERT_TRUE(gxrm::dom::detail::LoadFile(doc, path, options));
  EXPECT_EQ(taken, LoadPath::kStrict);
  EXPECT_EQ(held.nodeName(), "empty");
  held = gxrm::dom::Node();
  ASSERT_TRUE(gxrm::dom::detail::LoadFile(doc, path, options));
  EXPECT_EQ(taken, LoadPath::kParallel);
}

}  // namespace
