// Runs the gxrm program as a user would and checks its exit status, its output and the files it writes.
#include <string>
#include <vector>

#include "GxrmRun.h"

namespace {

using namespace gxrm_test;

// Every refusal: status 2, one line on standard error, the files left as they were.
TEST_F(Gxrm, RefusalsExitTwoWithOneLineAndChangeNothing) {
  ASSERT_EQ(Run({"sample", "a.gxrm", "--floors", "2", "--bays", "1", "1"}).status, 0);
  ASSERT_EQ(Run({"sample", "many.gxrm", "--floors", "30", "--bays", "1", "1"}).status, 0);
  fs::create_directory(dir_ / "folder.gxrm");
  fs::copy_file(Data("problems.gxrm"), dir_ / "p.gxrm");
  WriteFile(dir_ / "text.json", "{\"format\": \n  [1,}");
  WriteFile(dir_ / "m.json", MinimalModel());
  WriteFile(dir_ / "a.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"><g/></svg>");
  const std::string before = ReadFile(dir_ / "a.gxrm"), broken = Data("broken.gxrm");
  const std::vector<std::pair<Args, Args>> rows = {
      {{}, {"subcommand is required"}},
      {{"bogus"}, {"unknown command 'bogus'"}},
      {{"dump"}, {"FILE is required"}},
      {{"sample", "--floors", "0"}, {"--floors"}},
      {{"sample", "--bays", "3"}, {"--bays"}},
      {{"dump", "x.gxrm", "--type", "墙"}, {"unknown component type '墙'"}},
      {{"rename", "x.gxrm", "1F", "48", "a", "b"}, {"unknown component type '48'"}},
      {{"catalogue", "--map", "4", "1", "1"}, {"unknown speciality '4'"}},
      {{"catalogue", "--section", "metric", "1", "1"}, {"unknown section vocabulary 'metric'"}},
      {{"info", "a.gxrm", "b.gxrm"}, {"b.gxrm"}},
      {{"dump", "a\xff.gxrm"}, {"argument 2 ('a\\xFF.gxrm') is not UTF-8"}},
      {{"rename", "a.gxrm", "第1层", "10", "K\xe6\xa1", "b"}, {"argument 5 ('K\\xE6\\xA1') is not UTF-8"}},
      {{"info", "missing.gxrm"}, {"missing.gxrm", "No such file or directory"}},
      {{"dump", "folder.gxrm"}, {"folder.gxrm", "Is a directory"}},
      {{"check", broken}, {"broken.gxrm: line 3, column 3: mismatched tag"}},
      {{"info", Data("problems.gxrm")}, {"problems.gxrm", "0x80004003"}},  // the reader trips over it
      // What is no model, read by the reader and by the model interface.
      {{"check", "a.svg"}, {"a.svg: not a GXRM model: its root element is <svg>"}},
      {{"report", "a.svg"}, {"a.svg: not a GXRM model: its root element is <svg>"}},
      // An unknown floor lists the file's floors, or the closest of many.
      {{"dump", "a.gxrm", "--floor", "3F"},
       {"a.gxrm: no floor named '3F' (its floors: \"第1层\", \"第2层\")"}},
      {{"rename", "many.gxrm", "第21", "10", "a", "b"},
       {"no floor named '第21' (the closest of its 30 floors: ", "\"第21层\""}},
      {{"rename", "a.gxrm", "第1层", "10", "KZ-1", "K\x01"}, {"a.gxrm", "0x80070057"}},
      {{"rename", "p.gxrm", "1F", "门", "M1", "X"}, {"p.gxrm", "floor '1F' has no instance list for '门'"}},
      {{"build", "missing.json", "out.gxrm"}, {"missing.json", "No such file"}},
      {{"build", "text.json", "out.gxrm"}, {"text.json: ", "line 2, column"}},
      {{"build", "m.json", "no/such/dir/out.gxrm"}, {"no/such/dir/out.gxrm: cannot write: No such file"}},
      {{"diff", "a.gxrm", "missing.gxrm"}, {"missing.gxrm", "No such file"}},
      {{"diff", broken, "a.gxrm"}, {"broken.gxrm: line 3, column 3"}},
      {{"diff", "a.gxrm", "a.gxrm", "--floor", "x"},
       {"no floor named 'x' (its floors: \"第1层\", \"第2层\")"}},
      {{"diff", "-", "-"}, {"standard input can give only one of the two files"}},
      {{"report", "a.gxrm", "-o", "no/such/dir/page.html"},
       {"no/such/dir/page.html: cannot write: No such file or directory"}},
  };
  for (const auto& [args, fragments] : rows) {
    SCOPED_TRACE(testing::PrintToString(args));
    ExpectFailure(Run(args), fragments);
  }
  EXPECT_EQ(ReadFile(dir_ / "a.gxrm"), before);
  EXPECT_EQ(ReadFile(dir_ / "p.gxrm"), ReadFile(Data("problems.gxrm")));
  EXPECT_FALSE(fs::exists(dir_ / "out.gxrm"));
  EXPECT_FALSE(fs::exists(dir_ / "a.html"));
}

// Each row patches the minimal model into one the writer cannot make; the output file keeps its old bytes and
// no scratch file is left.
TEST_F(Gxrm, BuildRefusesWhatTheWriterCannotWrite) {
  const auto append = [](const std::string& section) {
    return R"({"op": "add", "path": "/sections/-", "value": )" + section + "}";
  };
  const std::string rule = append(RuleSection(R"({"name": "R"})"));
  const std::string secs = append(R"({"element": "UserSecInfo", "attributes": {}, "crossSections": [{}]})");
  std::vector<std::pair<std::string, Args>> rows = {
      {R"({"op": "replace", "path": "/format", "value": "gxrm-json/2"})",
       {"$.format: expected \"gxrm-json/1\""}},
      {R"({"op": "replace", "path": "/root", "value": "GXRMheader_v9.9"})",
       {"$.root: \"GXRMheader_v9.9\" but"}},
      {R"({"op": "replace", "path": "/sections/0/element", "value": "Roof"})",
       {"$.sections[0]: unknown section"}},
      {R"({"op": "add", "path": "/sections/2/attribute", "value": {}})", {"unexpected member"}},
      {R"({"op": "add", "path": "/header/n", "value": 1})", {"$.header.n: expected a string"}},
      {R"({"op": "remove", "path": "/sections/1"})", {"$.sections[1]: \"GlobalObjList\" stands"}},
      {R"({"op": "copy", "from": "/sections/2", "path": "/sections/-"})", {"no floor record left"}},
      {R"({"op": "remove", "path": "/sections/2"})", {"more floor records than"}},
      {R"({"op": "remove", "path": "/sections/2/attributes/basepoint"})", {"begin with \"floorname\" and"}},
      {R"({"op": "add", "path": "/sections/2/objects/风管", "value": {}})", {"unknown component type"}},
      {R"({"op": "add", "path": "/sections/1/objects/门", "value": {"types": [{"id": "1", "name": "M",
         "rules": [{"name": "R"}]}]}})",
       {"no rules for a type of the global list"}},
      {R"({"op": "add", "path": "/sections/0", "value": )" + RuleSection(R"({"comment": "c"})") + "}",
       {"$.sections[0].rules[0]: a rule is an element"}},
      {R"({"op": "copy", "from": "/sections/0/floorInfo/0", "path": "/sections/0/floorInfo/-"},
          {"op": "copy", "from": "/sections/2", "path": "/sections/-"},
          {"op": "replace", "path": "/sections/3/attributes/basepoint", "value": "1,1,0"})",
       {"$.sections[3]: an earlier floor has the same name"}},
      {R"({"op": "copy", "from": "/sections/0", "path": "/sections/-"})",
       {"$.sections[3]: the writer adds floors to the first \"ProjFloorInfo\" only"}},
      {append(R"({"element": "ProjFloorInfo", "attributes": {}})") + "," +
           append(R"({"element": "GlobalObjList", "objects": {"门": {}}})"),
       {"$.sections[4]: the writer adds to the first global list only"}},
      {rule + "," + rule, {"$.sections[4]: the writer adds rules to the first \"CalRule\" only"}},
      {secs + "," + secs,
       {"$.sections[4]: the writer adds cross-sections to the first \"UserSecInfo\" only"}},
      {R"({"op": "add", "path": "/sections/2/attributes/bad name", "value": "1"})", {"0x80070057"}},
  };
  // Markup in a rule is written exactly or refused with its JSON path.
  const std::vector<std::pair<std::string, std::string>> markup = {
      {R"({"pi": "p", "data": "x?><evil/>"})", ".data: holds \"?>\""},
      {R"({"pi": "XmL", "data": "v"})", ".pi: \"XmL\" is reserved"},
      {R"({"pi": "a?><evil/><?b", "data": "v"})", ": cannot be written as XML"},
      {R"({"pi": "p", "data": " lead"})", ".data: begins with white space"},
      {R"({"comment": "a--b"})", ": DOM error 0x80070057"},
      {R"({"cdata": "a]]><evil/>"})", ".cdata: holds \"]]>\""},
      {R"({"cdata": "line\r\nend"})", ".cdata: holds a carriage return"},
      {R"({"comment": "line\rend"})", ".comment: holds a carriage return"},
      {R"({"name": "R", "children": [{"text": "ok"}, {"name": "1bad"}]})", ".children[1]: DOM error"},
  };
  for (const auto& [node, message] : markup) {
    const std::string rules = R"({"name": "Rule", "children": [{"text": "t"}, )" + node + "]}";
    rows.push_back({R"({"op": "add", "path": "/sections/0", "value": )" + RuleSection(rules) + "}",
                    {"m.json: $.sections[0].rules[0].children[1]" + message}});
  }
  WriteFile(dir_ / "o.gxrm", "<old/>");
  for (const auto& [patch, fragments] : rows) {
    SCOPED_TRACE(patch);
    const Json model = Json::parse(MinimalModel()).patch(Json::parse("[" + patch + "]"));
    ExpectFailure(Run({"build", WriteFile(dir_ / "m.json", model.dump()), "o.gxrm"}), fragments);
    ExpectHas(ReadFile(dir_ / "o.gxrm"), {"<old/>"});
  }
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_NE(entry.path().filename().string().rfind(".gxrm-", 0), 0u) << entry.path();
  // --any-version takes another version and writes the library's own.
  Json model = Json::parse(MinimalModel());
  model["root"] = "GXRMheader_v9.9";
  ASSERT_EQ(Run({"build", "--any-version", WriteFile(dir_ / "v.json", model.dump()), "v.gxrm"}).status, 0);
  EXPECT_EQ(Dump({"v.gxrm"})["root"], "GXRMheader_v1.0");
}

// Markup at the edge of what XML allows is written byte for byte and dumped back.
TEST_F(Gxrm, BuildWritesRuleMarkupExactly) {
  const std::string rule =
      R"({"name": "Rule", "children": [{"pi": "p", "data": "a?b >c"}, {"comment": "a - b->"},)"
      R"( {"cdata": "x]]y<&>"}, {"pi": "xml-stylesheet", "data": ""}]})";
  ASSERT_EQ(Run({"build", WriteFile(dir_ / "m.json", MinimalModel(rule)), "o.gxrm"}).status, 0);
  ExpectHas(ReadFile(dir_ / "o.gxrm"),
            {"<Rule><?p a?b >c?><!--a - b->--><![CDATA[x]]y<&>]]><?xml-stylesheet?></Rule>"});
  ExpectHas(Out({"dump", "o.gxrm"}), {R"("data": "a?b >c")"});
}

// The info table and its JSON form count what the writer was given: per kind, "types/instances".
TEST_F(Gxrm, SampleIsDeterministicAndInfoCountsItAsTextAndJson) {
  Out({"sample"});
  const std::string first = ReadFile(dir_ / "building.gxrm");
  ASSERT_EQ(Run({"sample"}).status, 0);
  EXPECT_EQ(ReadFile(dir_ / "building.gxrm"), first);
  ExpectHas(Out({"info", "building.gxrm"}), {"cross-sections (3):", "calculation rules (3 of 3 nodes):"});
  // 1 x 2 bays: 6 columns, 5 + 4 frame beams and 2 secondary ones, 4 shear and 2 brick walls with one opening
  // each, 2 slabs and 2 rooms.
  ASSERT_EQ(Run({"sample", "small.gxrm", "--floors", "2", "--bays", "1", "2"}).status, 0);
  ExpectHas(Out({"info", "small.gxrm"}),
            {"\n  (global)  1/1   2/0   2/0   1/0   1/0     -           2/0      1/0       -\n",
             "\n  第1层     1/1   2/6   2/9   1/2   1/6     -           2/2      1/2       -\n",
             "\n  第2层     1/1   2/6   2/9   1/2   1/6     -           2/2      1/2       -\n"});
  const std::string bare = Out({"info", Data("bare.gxrm")});
  ExpectHas(bare, {"header:             note=no sections at all\n", "project settings:   (none)\n",
                   "calculation rules:  (none)\n", "floor information:  (none)\n",
                   "calculation rules (0 of 0 nodes):"});
  ExpectHas(bare, {"floors (", "(global)"}, false);

  // info --json: the layout docs/info-json.md gives, with the text output's content.
  const Json info = Json::parse(Out({"info", "small.gxrm", "--json"}));
  std::string members;
  for (const auto& item : info.items()) members += item.key() + " ";
  EXPECT_EQ(members,
            "format version header projectSettings calculationRules floorInformation floors objectLists "
            "crossSections rules ");
  EXPECT_EQ(info["format"], "gxrm-info/1");
  ASSERT_EQ(info["floors"].size(), 2u);
  EXPECT_EQ(info["floors"][1]["name"], "第2层");
  EXPECT_EQ(info["floors"][1]["info"]["FInfo002"], "第2层");
  EXPECT_FALSE(info["floors"][1]["attributes"].contains("floorname"));
  ASSERT_EQ(info["objectLists"].size(), 3u);
  EXPECT_EQ(info["objectLists"][0]["floor"], nullptr);
  // The text table's "1/6" for columns on the first floor.
  EXPECT_EQ(info["objectLists"][1]["kinds"]["COLUMN"], Json::parse(R"({"types": 1, "instances": 6})"));
  EXPECT_EQ(info["rules"]["nodes"], 3);

  const Json bare_json = Json::parse(Out({"info", Data("bare.gxrm"), "--json"}));
  EXPECT_EQ(bare_json["projectSettings"], nullptr);
  EXPECT_EQ(bare_json["floors"], nullptr);
  EXPECT_EQ(bare_json["objectLists"], Json::array());
}

// dump -> build -> dump gives the same JSON for a hand-written file with escapes, comments and CDATA (for
// files the writer wrote: the one-floor dump below; the deep rule in the diff tests rebuilds byte for byte).
TEST_F(Gxrm, DumpBuildDumpIsIdentityForHandWrittenMarkup) {
  const std::string json = Out({"dump", Data("roundtrip.gxrm")});
  EXPECT_EQ(Out({"build", WriteFile(dir_ / "a.json", json), "b.gxrm"}), "");
  EXPECT_EQ(Out({"dump", "b.gxrm"}), json);
}

// --floor and --type keep only their records, and one floor's dump builds as a one-floor model. A floor whose
// name repeats is dumped with its own (empty) lists, not those of the first.
TEST_F(Gxrm, DumpFiltersRebuildsOneFloorAndWalksEachFloorItself) {
  ASSERT_EQ(Run({"sample", "a.gxrm", "--floors", "3", "--bays", "1", "1"}).status, 0);
  Json all = Dump({"a.gxrm"});
  EXPECT_EQ(Section(all, "Floor")["objects"]["框架柱"]["types"][0]["rules"][0].dump(),
            R"({"name":"CalItem","attributes":{"name":"体积","unit":"m3"},"children":[{"text":"L*B*H"}]})");
  Json filtered = Dump({"a.gxrm", "--floor", "第2层", "--type", "门"});
  EXPECT_EQ(filtered["sections"].size(), 6u);  // one floor
  EXPECT_EQ(Section(filtered, "Floor")["attributes"]["floorname"], "第2层");
  EXPECT_TRUE(Section(filtered, "GlobalObjList")["objects"].empty());
  // No door above the ground floor: the type list stays, without instances.
  Json& objects = Section(filtered, "Floor")["objects"];
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects["门"]["types"].size(), 1u);
  EXPECT_FALSE(objects["门"].contains("instances"));
  Json windows = Dump({"a.gxrm", "--type", "37"});
  EXPECT_EQ(Section(windows, "Floor", 2)["objects"]["窗"]["instances"].size(), 2u);

  Json one = Dump({"a.gxrm", "--floor", "第2层"});
  EXPECT_EQ(Section(one, "Floor"), Section(all, "Floor", 1));
  Build(one.dump(), "one.gxrm");
  EXPECT_EQ(Dump({"one.gxrm"}), one);
  EXPECT_EQ(Out({"check", "one.gxrm"}), "one.gxrm: no problems found\n");

  Json repeated = Dump({Data("problems.gxrm")});
  EXPECT_EQ(Section(repeated, "Floor", 0)["objects"]["轴网"]["instances"].size(), 2u);
  EXPECT_EQ(Section(repeated, "Floor", 1).dump(),
            R"({"element":"Floor","attributes":{"floorname":"1F","basepoint":""},"objects":{}})");
}

TEST_F(Gxrm, CheckReportsEveryProblemWithItsLocation) {
  const std::string file = Data("problems.gxrm"), h = "/GXRMheader_v1.0";
  const Outcome run = Run({"check", file});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "");
  const std::string f1 = h + "/Floor[1][@floorname=\"1F\"]", axis = f1 + "/AXIS/Type[1][@typename=\"轴网\"]";
  const std::string kinds = "WALL, BEAM, SLAB, COLUMN, FOUNDATION, WINDOOR, DECORATE, SLICE";
  const std::string some = "missing kind elements: " + kinds, all = "missing kind elements: AXIS, " + kinds;
  const std::string skipped = "not an element where only elements are read: ";
  const std::string rules_lost = skipped + "the rules after it are not returned";
  const std::string twice = "floor name \"1F\" used twice: this one is unreachable";
  const std::string f2 = h + "/Floor[2][@floorname=\"1F\"]: ", f3 = h + "/Floor[3][@floorname=\"2F\"]: ";
  const Args expected = {
      h + "/CalRule/comment(): " + rules_lost,
      h + "/UserSecInfo/text(): " + skipped + "reading the cross-sections fails here",
      h + "/ProjFloorInfo/FloorInfo[2]: no \"FInfo002\": reading the floor names fails here",
      h + "/ProjFloorInfo/FloorInfo[3][@FInfo002=\"1F\"]: " + twice,
      h + "/ProjFloorInfo/FloorInfo[4][@FInfo002=\"3F\"]: no \"Floor\" for floor \"3F\"",
      h + "/GlobalObjList: " + some,
      axis + "/ObjTypeInfo/TypeClass: no \"classname\": reading this list fails here",
      axis + "/ObjTypeInfo/TypeClass/TypeClassCalRule/processing-instruction(): " + rules_lost,
      axis + "/ObjInstance/Instance[2]: no \"objname\": reading this list fails here",
      f1 + "/AXIS/Type[2][@typename=\"风管\"]: unknown type \"风管\" for this kind",
      f1 + "/AXIS/Type[3]: no \"typename\": every look-up in this kind fails here",
      f1 + "/ROOF: unknown kind element \"ROOF\"",
      f1 + ": " + some,
      f2 + twice,
      f2 + all,
      f3 + "no \"FloorInfo\" for floor \"2F\"",
      f3 + all,
      h + "/Floor[4]: no \"floorname\": every look-up of a floor by name fails here",
      h + "/Floor[4]: " + all,
  };
  std::string lines;
  for (const std::string& line : expected) lines += file + ": " + line + "\n";
  EXPECT_EQ(run.out, lines + file + ": 19 problems\n");
  const std::string bare = Data("bare.gxrm"), at = ": /GXRMheader_v1.0: no ";
  const Outcome missing = Run({"check", bare});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, bare + at + "\"ProjFloorInfo\": the floors cannot be listed\n" + bare + at +
                             "\"GlobalObjList\": the global lists cannot be read\n" + bare +
                             ": 2 problems\n");
  // The writer's smallest file is clean (the sample is, in the GBK test).
  Build(MinimalModel(), "m.gxrm");
  EXPECT_EQ(Out({"check", "m.gxrm"}), "m.gxrm: no problems found\n");
}

// Every command that reads a model takes a GBK file as its UTF-8 original. Rename renames every match of one
// floor and saves in place; with no match it exits 1 and leaves the file.
TEST_F(Gxrm, GbkEncodedFileReadsLikeItsUtf8OriginalAndRenamesInPlace) {
  ASSERT_EQ(Run({"sample", "s.gxrm", "--floors", "2", "--bays", "1", "1"}).status, 0);
  const std::string model = ReadFile(dir_ / "s.gxrm");
  WriteFile(dir_ / "u.gxrm", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + model);
  WriteFile(dir_ / "g.gxrm", "<?xml version=\"1.0\" encoding=\"GBK\"?>" + Gbk(model));
  const auto as_utf8_run = [](std::string text) {  // names the UTF-8 file where the GBK one stands
    for (size_t at; (at = text.find("g.gxrm")) != std::string::npos;) text[at] = 'u';
    return text;
  };
  for (const char* command : {"info", "dump", "check"})
    EXPECT_EQ(as_utf8_run(Out({command, "g.gxrm"})), Out({command, "u.gxrm"})) << command;
  EXPECT_EQ(Out({"check", "u.gxrm"}), "u.gxrm: no problems found\n");
  for (const char* file : {"u.gxrm", "g.gxrm"}) {
    EXPECT_EQ(Out({"rename", file, "第1层", "框架柱", "KZ-1", "KZ-甲"}),
              std::string(file) + ": 4 instances renamed\n");
    ASSERT_EQ(Run({"report", file}).status, 0) << file;
  }
  EXPECT_EQ(Out({"diff", "g.gxrm", "u.gxrm"}), "0 added, 0 removed, 0 changed\n");
  EXPECT_EQ(as_utf8_run(ReadFile(dir_ / "g.html")), ReadFile(dir_ / "u.html"));
  Json renamed = Dump({"u.gxrm", "--type", "10"});
  for (const Json& column : Section(renamed, "Floor")["objects"]["框架柱"]["instances"])
    EXPECT_EQ(column["name"], "KZ-甲");
  EXPECT_EQ(Section(renamed, "Floor", 1)["objects"]["框架柱"]["instances"][0]["name"], "KZ-1");
  const std::string before = ReadFile(dir_ / "u.gxrm");
  const Outcome none = Run({"rename", "u.gxrm", "第1层", "10", "KZ-1", "X"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "u.gxrm: 0 instances renamed\n");
  EXPECT_EQ(ReadFile(dir_ / "u.gxrm"), before);
}

// Type names and numbers both name a type; the documents' examples show the other translations.
TEST_F(Gxrm, CatalogueListsAndTranslates) {
  EXPECT_EQ(Out({"catalogue", "--map", "3", "1", "10"}), "砼柱\n砖柱\n");
  EXPECT_EQ(Out({"catalogue", "--section", "az", "662", "门"}), "(none)\n");
  ExpectHas(Out({"catalogue"}), {"  0     AXIS        轴网\n", "  40    填充墙          WINDOOR     1\n"});
}

// - reads standard input; --version names the file version written.
TEST_F(Gxrm, StandardInputAndVersion) {
  ASSERT_EQ(Run({"sample", "a.gxrm", "--floors", "2", "--bays", "1", "1"}).status, 0);
  EXPECT_EQ(Piped("info - < a.gxrm"), Out({"info", "a.gxrm"}));
  EXPECT_EQ(Piped("info - <" + Quote(Data("broken.gxrm")) + " 2>&1 >/dev/null; echo $?"),
            "gxrm: standard input: line 3, column 3: mismatched tag\n2\n");
  ExpectHas(Out({"--version"}), {"gxrm (GXRMparser ", "writes GXRM files of version 1.0\n"});
}

// Without a configuration file the tool names the file it looked for and what follows, beside the library's
// own message; check reports the versionless root the writer then made.
TEST_F(Gxrm, MissingConfigurationIsExplained) {
  fs::create_directory(dir_ / "lib");
  fs::copy_file(GXRM_LIBRARY_FILE, dir_ / "lib" / GXRM_LIBRARY_SONAME);
  const Outcome sample = Shell("LD_LIBRARY_PATH=" + Quote(dir_ / "lib") + " " + Quote(GXRM_TOOL) +
                               " sample s.gxrm --floors 1 --bays 1 1");
  ASSERT_EQ(sample.status, 0);
  ExpectHas(sample.err,
            {"gxrm: 读取配置文件错误!\n",
             "gxrm: no format version in " + (dir_ / "lib" / "GXRMconfig.ini").string(), "empty version"});
  const Outcome check = Run({"check", "s.gxrm"});
  EXPECT_EQ(check.status, 1);
  ExpectHas(check.out, {"s.gxrm: /GXRMheader_v: no version after \"GXRMheader_v\""});
}

}  // namespace
