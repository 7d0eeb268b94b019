// Runs the gxrm program as a user would and checks its exit status, its
// output and the files it writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string Data(const std::string& name) { return std::string(GXRM_TEST_DATA) + "/data/" + name; }

// A fresh directory per test, below TMPDIR.
fs::path WorkDir() {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  fs::path dir = fs::path(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") / "gxrm" /
                 (std::string(test->test_suite_name()) + "." + test->name());
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// Runs gxrm with `args` in `dir`; standard error is no terminal, so no progress line.
Outcome Gxrm(const std::vector<std::string>& args, const fs::path& dir) {
  std::string command = "cd " + Quote(dir) + " && " + Quote(GXRM_TOOL);
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " >" + Quote(dir / "stdout.txt") + " 2>" + Quote(dir / "stderr.txt") + " </dev/null";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "stdout.txt"), ReadFile(dir / "stderr.txt")};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A failure: exit status 2, nothing on standard output, one line on standard
// error that starts with "gxrm: " and holds every fragment.
void ExpectFailure(const Outcome& run, const std::vector<std::string>& fragments) {
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  const auto lines = Lines(run.err);
  ASSERT_EQ(lines.size(), 1u) << run.err;
  EXPECT_EQ(lines[0].rfind("gxrm: ", 0), 0u) << lines[0];
  for (const std::string& fragment : fragments)
    EXPECT_NE(lines[0].find(fragment), std::string::npos) << lines[0];
}

Json DumpJson(const std::vector<std::string>& args, const fs::path& dir) {
  std::vector<std::string> full{"dump"};
  full.insert(full.end(), args.begin(), args.end());
  const Outcome run = Gxrm(full, dir);
  EXPECT_EQ(run.status, 0) << run.err;
  return Json::parse(run.out);
}

const Json& Section(const Json& model, const std::string& element, int nth = 0) {
  for (const Json& item : model["sections"]) {
    if (item["element"] == element && nth-- == 0) return item;
  }
  static const Json kMissing;
  ADD_FAILURE() << "no section " << element;
  return kMissing;
}

// The smallest model the writer can make: one floor, no records.
Json MinimalModel() {
  return Json::parse(R"({"format": "gxrm-json/1", "root": "GXRMheader_v1.0", "header": {}, "sections": [
    {"element": "ProjFloorInfo", "attributes": {}, "floorInfo": [{"FInfo002": "1F"}]},
    {"element": "GlobalObjList", "objects": {}},
    {"element": "Floor", "attributes": {"floorname": "1F", "basepoint": ""}, "objects": {}}]})");
}

TEST(GxrmUsage, BadUsageExitsTwoWithOneLine) {
  const fs::path dir = WorkDir();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "subcommand is required"},
      {{"bogus"}, "unknown command 'bogus'"},
      {{"dump"}, "FILE is required"},
      {{"build", "only-json.json"}, "FILE is required"},
      {{"sample", "--floors", "0"}, "--floors"},
      {{"sample", "--bays", "3"}, "--bays"},
      {{"dump", "x.gxrm", "--type", "墙"}, "unknown component type '墙'"},
      {{"rename", "x.gxrm", "1F", "48", "a", "b"}, "unknown component type '48'"},
      {{"catalogue", "--map", "4", "1", "1"}, "unknown speciality '4'"},
      {{"catalogue", "--section", "metric", "1", "1"}, "unknown section vocabulary 'metric'"},
      {{"info", "a.gxrm", "b.gxrm"}, "b.gxrm"},
  };
  for (const auto& [args, fragment] : cases) {
    std::string key;
    for (const auto& arg : args) key += arg + " ";
    SCOPED_TRACE("gxrm " + key);
    ExpectFailure(Gxrm(args, dir), {fragment});
  }
}

TEST(GxrmUsage, EverySubcommandHasHelp) {
  const fs::path dir = WorkDir();
  for (const char* command : {"sample", "info", "dump", "build", "check", "rename", "catalogue"}) {
    SCOPED_TRACE(command);
    const Outcome run = Gxrm({command, "--help"}, dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(std::string("gxrm ") + command), std::string::npos) << run.out;
  }
}

TEST(GxrmFiles, UnreadableFileNamesFileAndReason) {
  const fs::path dir = WorkDir();
  fs::create_directory(dir / "folder.gxrm");
  for (const char* command : {"info", "dump", "check"}) {
    SCOPED_TRACE(command);
    ExpectFailure(Gxrm({command, "missing.gxrm"}, dir), {"missing.gxrm", "No such file or directory"});
    ExpectFailure(Gxrm({command, "folder.gxrm"}, dir), {"folder.gxrm", "Is a directory"});
    ExpectFailure(Gxrm({command, Data("broken.gxrm")}, dir),
                  {"broken.gxrm: line 3, column 3: mismatched tag"});
  }
  ExpectFailure(Gxrm({"rename", "missing.gxrm", "1F", "0", "a", "b"}, dir), {"missing.gxrm", "No such file"});
  ExpectFailure(Gxrm({"build", "missing.json", "out.gxrm"}, dir), {"missing.json", "No such file"});
  // A file the reader trips over fails as a whole, naming the file and the DOM error.
  ExpectFailure(Gxrm({"info", Data("problems.gxrm")}, dir), {"problems.gxrm", "0x80004003"});
}

TEST(GxrmSample, WritesTheBuildingDeterministically) {
  const fs::path dir = WorkDir();
  const Outcome run = Gxrm({"sample"}, dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string first = ReadFile(dir / "building.gxrm");
  ASSERT_EQ(Gxrm({"sample"}, dir).status, 0);
  EXPECT_EQ(ReadFile(dir / "building.gxrm"), first);

  const Outcome info = Gxrm({"info", "building.gxrm"}, dir);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("version:        1.0\n"), std::string::npos);
  EXPECT_NE(info.out.find("floors (6):"), std::string::npos);
  EXPECT_NE(info.out.find("user cross-sections (3):"), std::string::npos);
  EXPECT_NE(info.out.find("calculation rules (3 of 3 nodes):"), std::string::npos);
}

// The info table counts what the writer was given: per kind, "types/instances".
TEST(GxrmInfo, FileWithoutSectionsSaysSo) {
  const fs::path dir = WorkDir();
  const Outcome info = Gxrm({"info", Data("bare.gxrm")}, dir);
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("header:         note=no sections at all\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("project:        (none)\n"), std::string::npos);
  EXPECT_EQ(info.out.find("floors ("), std::string::npos);
  EXPECT_EQ(info.out.find("(global)"), std::string::npos);
  EXPECT_NE(info.out.find("calculation rules (0 of 0 nodes):"), std::string::npos);
}

TEST(GxrmSample, BaysAndFloorsDecideTheCounts) {
  const fs::path dir = WorkDir();
  ASSERT_EQ(Gxrm({"sample", "small.gxrm", "--floors", "2", "--bays", "1", "2"}, dir).status, 0);
  const Outcome info = Gxrm({"info", "small.gxrm"}, dir);
  ASSERT_EQ(info.status, 0) << info.err;
  const auto lines = Lines(info.out);
  auto row = [&](const std::string& label) {  // the counts table comes after the floors table
    std::string found = "no row " + label;
    for (const auto& line : lines) {
      if (line.rfind("  " + label + " ", 0) == 0) found = line;
    }
    return found;
  };
  // 1 x 2 bays: 6 columns, 5 + 4 frame beams and 2 secondary ones, 4 shear
  // and 2 brick walls with one opening each, 2 slabs and 2 rooms.
  EXPECT_EQ(row("(global)"), "  (global)  1/1   2/0   2/0   1/0   1/0     -           2/0      1/0       -");
  EXPECT_EQ(row("第1层"), "  第1层     1/1   2/6   2/9   1/2   1/6     -           2/2      1/2       -");
  EXPECT_EQ(row("第2层"), "  第2层     1/1   2/6   2/9   1/2   1/6     -           2/2      1/2       -");
}

TEST(GxrmDumpBuild, WriterFileRebuildsByteForByte) {
  const fs::path dir = WorkDir();
  ASSERT_EQ(Gxrm({"sample", "a.gxrm", "--floors", "3", "--bays", "2", "2"}, dir).status, 0);
  const Outcome dump = Gxrm({"dump", "a.gxrm"}, dir);
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(dump.err, "");
  WriteFile(dir / "a.json", dump.out);
  const Outcome build = Gxrm({"build", "a.json", "b.gxrm"}, dir);
  ASSERT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(build.out + build.err, "");
  EXPECT_EQ(ReadFile(dir / "b.gxrm"), ReadFile(dir / "a.gxrm"));
  EXPECT_EQ(Gxrm({"dump", "b.gxrm"}, dir).out, dump.out);
}

TEST(GxrmDumpBuild, HandWrittenFileRoundTripsThroughJson) {
  const fs::path dir = WorkDir();
  const Outcome first = Gxrm({"dump", Data("roundtrip.gxrm")}, dir);
  ASSERT_EQ(first.status, 0) << first.err;
  WriteFile(dir / "a.json", first.out);
  const Outcome build = Gxrm({"build", "a.json", "b.gxrm"}, dir);
  ASSERT_EQ(build.status, 0) << build.err;
  EXPECT_EQ(Gxrm({"dump", "b.gxrm"}, dir).out, first.out);
}

TEST(GxrmDumpBuild, DumpKeepsIdsOrderParametersAndRuleTrees) {
  const fs::path dir = WorkDir();
  ASSERT_EQ(Gxrm({"sample", "a.gxrm", "--floors", "1", "--bays", "1", "1"}, dir).status, 0);
  const Json model = DumpJson({"a.gxrm"}, dir);
  std::vector<std::string> order;
  for (const Json& item : model["sections"]) order.push_back(item["element"]);
  EXPECT_EQ(order, (std::vector<std::string>{"ProjSetting", "CalRule", "UserSecInfo", "ProjFloorInfo",
                                             "GlobalObjList", "Floor"}));
  const Json& floor = Section(model, "Floor");
  EXPECT_EQ(floor["attributes"].dump(), R"({"floorname":"第1层","basepoint":"0,0,0","Elevation":"0"})");
  const Json& column = floor["objects"]["框架柱"];
  EXPECT_EQ(column["types"][0]["name"], "KZ-1");
  EXPECT_FALSE(column["types"][0]["id"].get<std::string>().empty());
  EXPECT_EQ(column["types"][0]["rules"][0].dump(),
            R"({"name":"CalItem","attributes":{"name":"体积","unit":"m3"},"children":[{"text":"L*B*H"}]})");
  EXPECT_EQ(column["instances"].size(), 4u);
  EXPECT_FALSE(Section(model, "GlobalObjList")["objects"]["框架柱"]["types"][0].contains("rules"));
  EXPECT_EQ(Section(model, "CalRule")["rules"][2]["children"].size(), 2u);
}

// A floor whose name repeats is dumped with its own (empty) lists, not with
// those of the first floor of that name.
TEST(GxrmDumpBuild, DumpWalksEachFloorItself) {
  const fs::path dir = WorkDir();
  const Json model = DumpJson({Data("problems.gxrm")}, dir);
  const Json& first = Section(model, "Floor", 0)["objects"]["轴网"];
  EXPECT_EQ(first["types"][0]["id"], "1");
  EXPECT_EQ(first["types"][0]["name"], "");
  EXPECT_EQ(first["instances"].size(), 2u);
  EXPECT_TRUE(Section(model, "Floor", 1)["objects"].empty());
  EXPECT_EQ(Section(model, "Floor", 1)["attributes"]["floorname"], "1F");
}

TEST(GxrmDumpBuild, FloorAndTypeFiltersKeepOnlyTheirRecords) {
  const fs::path dir = WorkDir();
  ASSERT_EQ(Gxrm({"sample", "a.gxrm", "--floors", "3", "--bays", "1", "1"}, dir).status, 0);
  const Json model = DumpJson({"a.gxrm", "--floor", "第2层", "--type", "门"}, dir);
  int floors = 0;
  for (const Json& item : model["sections"]) floors += item["element"] == "Floor";
  EXPECT_EQ(floors, 1);
  EXPECT_EQ(Section(model, "Floor")["attributes"]["floorname"], "第2层");
  EXPECT_TRUE(Section(model, "GlobalObjList")["objects"].empty());
  // No door above the ground floor: the type list stays, without instances.
  const Json& objects = Section(model, "Floor")["objects"];
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects["门"]["types"].size(), 1u);
  EXPECT_FALSE(objects["门"].contains("instances"));
  const Json byNumber = DumpJson({"a.gxrm", "--type", "37"}, dir);
  EXPECT_EQ(Section(byNumber, "Floor", 2)["objects"]["窗"]["instances"].size(), 2u);
  ExpectFailure(Gxrm({"dump", "a.gxrm", "--floor", "第9层"}, dir), {"a.gxrm", "no floor named '第9层'"});
}

TEST(GxrmBuild, MinimalModelMakesACleanFile) {
  const fs::path dir = WorkDir();
  WriteFile(dir / "m.json", MinimalModel().dump());
  ASSERT_EQ(Gxrm({"build", "m.json", "m.gxrm"}, dir).status, 0);
  const Outcome check = Gxrm({"check", "m.gxrm"}, dir);
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.out, "m.gxrm: no problems found\n");
}

// Each case changes the minimal model into one the writer cannot make.
TEST(GxrmBuild, RefusesWhatTheWriterCannotWrite) {
  const fs::path dir = WorkDir();
  struct Case {
    const char* name;
    void (*edit)(Json&);
    const char* message;
  };
  const Case cases[] = {
      {"format", [](Json& m) { m["format"] = "gxrm-json/2"; }, "$.format: expected \"gxrm-json/1\""},
      {"version", [](Json& m) { m["root"] = "GXRMheader_v9.9"; },
       "$.root: \"GXRMheader_v9.9\" but this library"},
      {"unknown section", [](Json& m) { m["sections"][0]["element"] = "Roof"; },
       "$.sections[0]: unknown section"},
      {"misspelt member", [](Json& m) { m["sections"][2]["attribute"] = Json::object(); },
       "unexpected member"},
      {"number value", [](Json& m) { m["header"]["n"] = 1; }, "$.header.n: expected a string"},
      {"global list apart", [](Json& m) { m["sections"].erase(1); },
       "$.sections[1]: \"GlobalObjList\" stands"},
      {"floor without record", [](Json& m) { m["sections"].push_back(m["sections"][2]); },
       "no floor record left"},
      {"record without floor", [](Json& m) { m["sections"].erase(2); }, "more floor records than"},
      {"floor attributes", [](Json& m) { m["sections"][2]["attributes"].erase("basepoint"); },
       "must begin with \"floorname\" and \"basepoint\""},
      {"unknown type", [](Json& m) { m["sections"][2]["objects"]["风管"] = Json::object(); },
       "unknown component type"},
      {"rules of a global type",
       [](Json& m) {
         m["sections"][1]["objects"]["门"]["types"] =
             Json::parse(R"([{"id": "1", "name": "M", "rules": [{"name": "R"}]}])");
       },
       "no rules for a type of the global list"},
      {"rule not an element",
       [](Json& m) {
         m["sections"].insert(m["sections"].begin(), Json::parse(R"({"element": "CalRule",
           "attributes": {}, "rules": [{"comment": "c"}]})"));
       },
       "$.sections[0].rules[0]: a rule is an element"},
      {"second floor of one name",
       [](Json& m) {
         m["sections"][0]["floorInfo"].push_back(m["sections"][0]["floorInfo"][0]);
         m["sections"].push_back(m["sections"][2]);
         m["sections"][3]["attributes"]["basepoint"] = "1,1,0";
       },
       "$.sections[3]: an earlier floor has the same name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Json model = MinimalModel();
    c.edit(model);
    WriteFile(dir / "bad.json", model.dump());
    ExpectFailure(Gxrm({"build", "bad.json", "out.gxrm"}, dir), {"bad.json: ", c.message});
    EXPECT_FALSE(fs::exists(dir / "out.gxrm"));
  }
  WriteFile(dir / "text.json", "{\"format\": \n  [1,}");
  ExpectFailure(Gxrm({"build", "text.json", "out.gxrm"}, dir), {"text.json: ", "line 2, column"});
  WriteFile(dir / "m.json", MinimalModel().dump());
  ExpectFailure(Gxrm({"build", "m.json", "no/such/dir/out.gxrm"}, dir),
                {"no/such/dir/out.gxrm", "0x80070003"});
}

TEST(GxrmBuild, AnyVersionWritesTheLibrarysVersion) {
  const fs::path dir = WorkDir();
  Json model = MinimalModel();
  model["root"] = "GXRMheader_v9.9";
  WriteFile(dir / "m.json", model.dump());
  ASSERT_EQ(Gxrm({"build", "--any-version", "m.json", "m.gxrm"}, dir).status, 0);
  EXPECT_EQ(DumpJson({"m.gxrm"}, dir)["root"], "GXRMheader_v1.0");
}

TEST(GxrmCheck, ReportsEveryProblemWithItsLocation) {
  const fs::path dir = WorkDir();
  const std::string file = Data("problems.gxrm");
  const Outcome run = Gxrm({"check", file}, dir);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "");
  const std::string f1 = "/GXRMheader_v1.0/Floor[1][@floorname=\"1F\"]";
  const std::string axis = f1 + "/AXIS/Type[1][@typename=\"轴网\"]";
  const std::string allKinds =
      "missing kind elements: AXIS, WALL, BEAM, SLAB, COLUMN, FOUNDATION, WINDOOR, DECORATE, SLICE";
  const std::string rulesLost =
      "not an element where only elements are read: the rules after it are not returned";
  const std::vector<std::string> expected = {
      "/GXRMheader_v1.0/CalRule/comment(): " + rulesLost,
      "/GXRMheader_v1.0/UserSecInfo/text(): not an element where only elements are read: reading the "
      "cross-sections fails here",
      "/GXRMheader_v1.0/ProjFloorInfo/FloorInfo[2]: no \"FInfo002\": reading the floor names fails here",
      "/GXRMheader_v1.0/ProjFloorInfo/FloorInfo[3][@FInfo002=\"1F\"]: floor name \"1F\" used twice: this one "
      "is "
      "unreachable",
      "/GXRMheader_v1.0/ProjFloorInfo/FloorInfo[4][@FInfo002=\"3F\"]: no \"Floor\" for floor \"3F\"",
      "/GXRMheader_v1.0/GlobalObjList: missing kind elements: WALL, BEAM, SLAB, COLUMN, FOUNDATION, WINDOOR, "
      "DECORATE, SLICE",
      axis + "/ObjTypeInfo/TypeClass: no \"classname\": reading this list fails here",
      axis + "/ObjTypeInfo/TypeClass/TypeClassCalRule/processing-instruction(): " + rulesLost,
      axis + "/ObjInstance/Instance[2]: no \"objname\": reading this list fails here",
      f1 + "/AXIS/Type[2][@typename=\"风管\"]: unknown type \"风管\" for this kind",
      f1 + "/AXIS/Type[3]: no \"typename\": every look-up in this kind fails here",
      f1 + "/ROOF: unknown kind element \"ROOF\"",
      f1 + ": missing kind elements: WALL, BEAM, SLAB, COLUMN, FOUNDATION, WINDOOR, DECORATE, SLICE",
      "/GXRMheader_v1.0/Floor[2][@floorname=\"1F\"]: floor name \"1F\" used twice: this one is unreachable",
      "/GXRMheader_v1.0/Floor[2][@floorname=\"1F\"]: " + allKinds,
      "/GXRMheader_v1.0/Floor[3][@floorname=\"2F\"]: no \"FloorInfo\" for floor \"2F\"",
      "/GXRMheader_v1.0/Floor[3][@floorname=\"2F\"]: " + allKinds,
      "/GXRMheader_v1.0/Floor[4]: no \"floorname\": every look-up of a floor by name fails here",
      "/GXRMheader_v1.0/Floor[4]: " + allKinds,
  };
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), expected.size() + 1) << run.out;
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], file + ": " + expected[i]);
  EXPECT_EQ(lines.back(), file + ": 19 problems");
}

TEST(GxrmCheck, MissingSectionsAndCleanFiles) {
  const fs::path dir = WorkDir();
  const std::string bare = Data("bare.gxrm");
  const Outcome run = Gxrm({"check", bare}, dir);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, bare + ": /GXRMheader_v1.0: no \"ProjFloorInfo\": the floors cannot be listed\n" + bare +
                         ": /GXRMheader_v1.0: no \"GlobalObjList\": the global lists cannot be read\n" +
                         bare + ": 2 problems\n");
  ASSERT_EQ(Gxrm({"sample", "s.gxrm", "--floors", "2"}, dir).status, 0);
  const Outcome clean = Gxrm({"check", "s.gxrm"}, dir);
  EXPECT_EQ(clean.status, 0);
  EXPECT_EQ(clean.out, "s.gxrm: no problems found\n");
}

TEST(GxrmRename, RenamesEveryMatchOfOneFloorAndSavesInPlace) {
  const fs::path dir = WorkDir();
  ASSERT_EQ(Gxrm({"sample", "a.gxrm", "--floors", "2", "--bays", "1", "1"}, dir).status, 0);
  const Outcome run = Gxrm({"rename", "a.gxrm", "第1层", "框架柱", "KZ-1", "KZ-甲"}, dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "a.gxrm: 4 instances renamed\n");
  const Json model = DumpJson({"a.gxrm", "--type", "10"}, dir);
  for (const Json& column : Section(model, "Floor")["objects"]["框架柱"]["instances"]) {
    EXPECT_EQ(column["name"], "KZ-甲");
  }
  EXPECT_EQ(Section(model, "Floor", 1)["objects"]["框架柱"]["instances"][0]["name"], "KZ-1");

  const std::string before = ReadFile(dir / "a.gxrm");
  EXPECT_EQ(Gxrm({"rename", "a.gxrm", "第1层", "10", "KZ-1", "X"}, dir).out, "a.gxrm: 0 instances renamed\n");
  EXPECT_EQ(ReadFile(dir / "a.gxrm"), before);
  ExpectFailure(Gxrm({"rename", "a.gxrm", "第7层", "10", "KZ-1", "X"}, dir),
                {"a.gxrm", "no floor named '第7层'"});
}

TEST(GxrmCatalogue, ListsAndTranslates) {
  const fs::path dir = WorkDir();
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--map", "1", "2", "框架梁"}, "框架梁\n次梁\n"},
      {{"--map", "3", "1", "10"}, "砼柱\n砖柱\n"},
      {{"--map", "1", "2", "砖外墙"}, "(none)\n"},
      {{"--section", "steel", "LiangJM9", "框架梁"}, "08000003\n"},
      {{"--section", "cal", "1000", "框架柱"}, "自定义截面1000\n"},
      {{"--section", "az", "662", "门"}, "(none)\n"},
  };
  for (const auto& [args, expected] : cases) {
    SCOPED_TRACE(args[0] + " " + args[3]);
    std::vector<std::string> full{"catalogue"};
    full.insert(full.end(), args.begin(), args.end());
    const Outcome run = Gxrm(full, dir);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected);
  }
  const Outcome list = Gxrm({"catalogue"}, dir);
  EXPECT_NE(list.out.find("  0     AXIS        轴网\n"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("  40    填充墙          WINDOOR     1\n"), std::string::npos) << list.out;
}

}  // namespace
