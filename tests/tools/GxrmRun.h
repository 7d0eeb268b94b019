// GxrmRun.h: running the gxrm program as a user would, for the tool tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestUtil.h"

namespace gxrm_test {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;
using Json = nlohmann::ordered_json;

struct Outcome {
  int status;
  std::string out, err;
};

inline std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The nth section of that element in a dumped model.
inline Json& Section(Json& model, const std::string& element, int nth = 0) {
  for (Json& item : model["sections"])
    if (item["element"] == element && nth-- == 0) return item;
  throw std::runtime_error("no section " + element);
}

// A rule section holding `rules` (JSON text), to stand first in a model.
inline std::string RuleSection(const std::string& rules) {
  return R"({"element": "CalRule", "attributes": {}, "rules": [)" + rules + "]}";
}

// The smallest model the writer can make: one floor, no records; `rules` adds a rule section in front.
inline std::string MinimalModel(const std::string& rules = "") {
  return R"({"format": "gxrm-json/1", "root": "GXRMheader_v1.0", "header": {}, "sections": [)" +
         (rules.empty() ? "" : RuleSection(rules) + ",") + R"(
    {"element": "ProjFloorInfo", "attributes": {}, "floorInfo": [{"FInfo002": "1F"}]},
    {"element": "GlobalObjList", "objects": {}},
    {"element": "Floor", "attributes": {"floorname": "1F", "basepoint": ""}, "objects": {}}]})";
}

// Expects every fragment in `text`, or none of them when `present` is false.
inline void ExpectHas(const std::string& text, const Args& fragments, bool present = true) {
  for (const std::string& f : fragments)
    EXPECT_EQ(text.find(f) != std::string::npos, present) << f << " in\n" << text;
}

// A failure: exit status 2, nothing on standard output, one line on standard error that starts with "gxrm: "
// and holds every fragment.
inline void ExpectFailure(const Outcome& run, const Args& fragments) {
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("gxrm: ", 0), 0u) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  ExpectHas(run.err, fragments);
}

// Each test runs gxrm in a fresh directory of its own below TMPDIR.
class Gxrm : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = TempPath(std::string("gxrm/") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }

  // A shell command line run in the test's directory, standard input empty unless the line redirects it.
  // Standard error is no terminal, so no progress line.
  Outcome Shell(const std::string& line) const {
    const int raw =
        std::system(("cd " + Quote(dir_) + " && (" + line + ") >stdout.txt 2>stderr.txt </dev/null").c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_ / "stdout.txt"),
            ReadFile(dir_ / "stderr.txt")};
  }

  Outcome Run(const Args& args) const {
    std::string command = Quote(GXRM_TOOL);
    for (const std::string& arg : args) command += " " + Quote(arg);
    return Shell(command);
  }

  // Standard output of a run that must succeed without a word on standard error.
  std::string Out(const Args& args) const {
    const Outcome run = Run(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return run.out;
  }

  Json Dump(Args args) const {
    args.insert(args.begin(), "dump");
    return Json::parse(Out(args));
  }

  // Builds `file` from the JSON model `json`, which must succeed.
  void Build(const std::string& json, const std::string& file) const {
    const Outcome run = Run({"build", WriteFile(dir_ / (file + ".json"), json), file});
    ASSERT_EQ(run.status, 0) << run.err;
  }

  // Standard output of "gxrm REST", REST a shell pipeline's rest, which must succeed.
  std::string Piped(const std::string& rest) const {
    const Outcome run = Shell(Quote(GXRM_TOOL) + " " + rest);
    EXPECT_EQ(run.status, 0) << rest << "\n" << run.err;
    return run.out;
  }

  fs::path dir_;
};

}  // namespace gxrm_test
