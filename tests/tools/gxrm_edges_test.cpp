// The gxrm program at its edges: rules nested deeper than any call stack,
// markup that would not read back as the JSON says, arguments that are no UTF-8.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace {

namespace fs = std::filesystem;
using gxrm_test::ReadFile;
using gxrm_test::WriteFile;

struct Result {
  int status;
  std::string out, err;
};

// Runs gxrm with exactly these argument bytes in `dir`.
Result Gxrm(const fs::path& dir, std::vector<std::string> args) {
  args.insert(args.begin(), GXRM_TOOL);
  const fs::path out = dir / "stdout.txt", err = dir / "stderr.txt";
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (::chdir(dir.c_str()) != 0) ::_exit(127);
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
}

fs::path FreshDir() {
  const fs::path dir = gxrm_test::TempPath(std::string("edges_") +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// A model whose calculation rules are `rules` (JSON text), with one floor.
std::string ModelWithRules(const std::string& rules) {
  return R"({"format": "gxrm-json/1", "root": "GXRMheader_v1.0", "header": {}, "sections": [
    {"element": "CalRule", "attributes": {}, "rules": [)" +
         rules + R"(]},
    {"element": "ProjFloorInfo", "attributes": {}, "floorInfo": [{"FInfo002": "1F"}]},
    {"element": "GlobalObjList", "objects": {}},
    {"element": "Floor", "attributes": {"floorname": "1F", "basepoint": ""}, "objects": {}}]})";
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

TEST(GxrmEdges, RuleNestedTwoHundredThousandDeepDumpsAndBuildsBack) {
  const fs::path dir = FreshDir();
  constexpr std::size_t kDepth = 200000;
  std::string rule;
  for (std::size_t i = 0; i < kDepth; ++i) rule += R"({"name": "R", "children": [)";
  rule += R"({"text": "core"})";
  for (std::size_t i = 0; i < kDepth; ++i) rule += "]}";
  WriteFile(dir / "deep.json", ModelWithRules(rule));

  const Result built = Gxrm(dir, {"build", "deep.json", "deep.gxrm"});
  ASSERT_EQ(built.status, 0) << built.err;
  const std::string xml = ReadFile(dir / "deep.gxrm");
  EXPECT_EQ(Count(xml, "<R>"), kDepth);
  EXPECT_EQ(Count(xml, "</R>"), kDepth);

  const Result dumped = Gxrm(dir, {"dump", "deep.gxrm"});
  ASSERT_EQ(dumped.status, 0) << dumped.err;
  EXPECT_EQ(Count(dumped.out, R"("R")"), kDepth);
  EXPECT_NE(dumped.out.find(R"({"text":"core"})"), std::string::npos);
  // The shallow part stays indented; the deep part goes on one line.
  EXPECT_EQ(dumped.out.rfind("{\n  \"format\": \"gxrm-json/1\",\n", 0), 0u);
  EXPECT_LT(dumped.out.size(), 40 * kDepth);

  WriteFile(dir / "again.json", dumped.out);
  ASSERT_EQ(Gxrm(dir, {"build", "again.json", "again.gxrm"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "again.gxrm"), xml);
}

// Comments, CDATA and processing instructions are written exactly or refused
// with the JSON path; a refused build leaves the output file as it was.
TEST(GxrmEdges, BuildWritesMarkupExactlyOrRefusesIt) {
  const fs::path dir = FreshDir();
  const std::string at = "$.sections[0].rules[0].children[1]";
  const std::vector<std::pair<std::string, std::string>> refused = {
      {R"({"pi": "p", "data": "x?><evil/>"})", at + ".data: holds \"?>\""},
      {R"({"pi": "XmL", "data": "v"})", at + ".pi: \"XmL\" is reserved"},
      {R"({"pi": "a?><evil/><?b", "data": "v"})", at + ": cannot be written as XML"},
      {R"({"pi": "p", "data": " lead"})", at + ".data: begins with white space"},
      {R"({"comment": "a--b"})", at + ": DOM error 0x80070057"},
      {R"({"cdata": "a]]><evil/>"})", at + ".cdata: holds \"]]>\""},
      {R"({"cdata": "line\r\nend"})", at + ".cdata: holds a carriage return"},
      {R"({"comment": "line\rend"})", at + ".comment: holds a carriage return"},
      {R"({"name": "R", "children": [{"text": "ok"}, {"name": "1bad"}]})", at + ".children[1]: DOM error"},
  };
  WriteFile(dir / "out.gxrm", "<old/>");
  for (const auto& [node, message] : refused) {
    SCOPED_TRACE(node);
    WriteFile(dir / "m.json",
              ModelWithRules(R"({"name": "Rule", "children": [{"text": "t"}, )" + node + "]}"));
    const Result run = Gxrm(dir, {"build", "m.json", "out.gxrm"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("gxrm: m.json: " + message, 0), 0u) << run.err;
    EXPECT_EQ(Count(run.err, "\n"), 1u) << run.err;
    EXPECT_EQ(ReadFile(dir / "out.gxrm"), "<old/>");
  }
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_NE(entry.path().filename().string().rfind(".gxrm-", 0), 0u);

  const std::string accepted =
      R"({"name": "Rule", "children": [{"pi": "p", "data": "a?b >c"}, {"comment": "a - b->"},)"
      R"( {"cdata": "x]]y<&>"}, {"pi": "xml-stylesheet", "data": ""}]})";
  WriteFile(dir / "m.json", ModelWithRules(accepted));
  ASSERT_EQ(Gxrm(dir, {"build", "m.json", "out.gxrm"}).status, 0);
  const std::string xml = ReadFile(dir / "out.gxrm");
  EXPECT_NE(xml.find("<Rule><?p a?b >c?><!--a - b->--><![CDATA[x]]y<&>]]><?xml-stylesheet?></Rule>"),
            std::string::npos)
      << xml;
  EXPECT_NE(Gxrm(dir, {"dump", "out.gxrm"}).out.find(R"("data": "a?b >c")"), std::string::npos);
}

TEST(GxrmEdges, ArgumentThatIsNoUtf8IsNamedWithItsBadBytes) {
  const fs::path dir = FreshDir();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"dump", "a\xff.gxrm"}, "gxrm: argument 2 ('a\\xFF.gxrm') is not UTF-8\n"},
      {{"rename", "x.gxrm", "第1层", "10", "K\xe6\xa1", "b"},
       "gxrm: argument 5 ('K\\xE6\\xA1') is not UTF-8\n"},
  };
  for (const auto& [args, message] : cases) {
    const Result run = Gxrm(dir, args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, message);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
