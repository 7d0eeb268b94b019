// gxrm diff and gxrm report, run as a user would: what they find and what they write.
#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "GxrmRun.h"

namespace {

using namespace gxrm_test;

// The changes of a diff --json run, as "change kind floor type name" lines.
std::vector<std::string> Lines(const Json& diff) {
  std::vector<std::string> lines;
  for (const Json& c : diff["changes"]) {
    std::string line;
    for (const char* key : {"change", "kind", "floor", "type", "name"})
      line += (line.empty() ? "" : " ") + (c[key].is_null() ? std::string("-") : c[key].get<std::string>());
    lines.push_back(line);
  }
  return lines;
}

// The model data a report page embeds.
Json PageData(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"gxrm-data\">";
  const std::size_t begin = page.find(open) + open.size();
  return Json::parse(page.substr(begin, page.find("</script>", begin) - begin));
}

class Diff : public Gxrm {
 protected:
  // A sample building as "old.gxrm" and its JSON form to edit.
  Json Old() {
    EXPECT_EQ(Run({"sample", "old.gxrm", "--floors", "3", "--bays", "1", "1"}).status, 0);
    return Dump({"old.gxrm"});
  }
  Json DiffJson(Args args) {
    args.insert(args.begin(), {"diff", "old.gxrm", "new.gxrm", "--json"});
    const Outcome run = Run(args);
    EXPECT_EQ(run.err, "");
    return Json::parse(run.out);
  }
};

TEST_F(Diff, MatchesRecordsByIdAndListsEachChangedAttribute) {
  Json model = Old();
  Json& columns = Section(model, "Floor", 0)["objects"]["框架柱"];
  columns["instances"][0]["name"] = "KZ-9";              // renamed: same id
  columns["instances"][1]["geoAtt"][0]["Top"] = "4500";  // one attribute
  columns["instances"].push_back({{"id", "77777"}, {"name", "KZ-new"}});
  columns["types"].erase(0);
  Section(model, "UserSecInfo")["crossSections"][0]["SecName"] = "L";
  Section(model, "CalRule")["rules"][0]["attributes"]["method"] = "不扣";
  Build(model.dump(), "new.gxrm");

  const Json diff = DiffJson({});
  EXPECT_EQ(diff["same"], false);
  EXPECT_EQ(diff["summary"], Json::parse(R"({"added": 1, "removed": 1, "changed": 4})"));
  EXPECT_EQ(Lines(diff), (std::vector<std::string>{
                             "changed cross-section - - L", "changed rule - - Rule",
                             "removed type 第1层 框架柱 KZ-1", "changed instance 第1层 框架柱 KZ-9",
                             "changed instance 第1层 框架柱 KZ-1", "added instance 第1层 框架柱 KZ-new"}));
  EXPECT_EQ(diff["changes"][3]["attributes"], Json::parse(R"([{"element": "Instance", "index": 0,
      "name": "objname", "old": "KZ-1", "new": "KZ-9"}])"));
  EXPECT_EQ(diff["changes"][4]["attributes"][0]["new"], "4500");

  const Outcome text = Run({"diff", "old.gxrm", "new.gxrm"});
  EXPECT_EQ(text.status, 1);
  ExpectHas(text.out, {"1 added, 1 removed, 4 changed\nfile:\n", "floor \"第1层\", 框架柱:\n",
                       "    Instance[0] objname: \"KZ-1\" -> \"KZ-9\"\n",
                       "  added instance \"KZ-new\" (id \"77777\")\n"});
  EXPECT_EQ(DiffJson({"--floor", "第2层"})["same"], true);
  EXPECT_EQ(DiffJson({"--type", "框架柱"})["summary"]["changed"], 2);
  EXPECT_EQ(DiffJson({"--floor", "第1层", "--type", "门"})["same"], true);
}

TEST_F(Diff, FloorsAndRecordsMatchAsAModelNotAsText) {
  Json model = Old();
  auto& sections = model["sections"];
  std::swap(Section(model, "Floor", 0), Section(model, "Floor", 2));  // first and last floors swap
  for (Json* list : {&Section(model, "Floor", 1)["objects"]["框架柱"]["instances"],
                     &Section(model, "Floor", 0)["objects"]["框架梁"]["instances"]}) {
    std::reverse(list->begin(), list->end());  // order within a list means nothing
  }
  for (Json& instance : Section(model, "Floor", 1)["objects"]["框架梁"]["instances"]) instance["id"] = "";
  Build(model.dump(), "new.gxrm");
  // Ids gone from the new file: names decide, and each instance shows its lost id.
  const Json diff = DiffJson({});
  const std::vector<std::string> lines = Lines(diff);
  ASSERT_EQ(lines.size(), 2 + Section(model, "Floor", 1)["objects"]["框架梁"]["instances"].size())
      << diff.dump(1);
  EXPECT_EQ(lines.front(), "changed floor 第3层 - 第3层");
  EXPECT_EQ(lines.back(), "changed floor 第1层 - 第1层");
  EXPECT_EQ(diff["changes"][0]["attributes"][0]["name"], "#position");
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    EXPECT_EQ(lines[i], "changed instance 第2层 框架梁 KL-1");
    EXPECT_EQ(diff["changes"][i]["attributes"].size(), 1u);
    EXPECT_EQ(diff["changes"][i]["attributes"][0]["name"], "objId");
  }
  Json& info = Section(model, "ProjFloorInfo")["floorInfo"];  // a floor dropped
  info.erase(std::remove_if(info.begin(), info.end(), [](const Json& f) { return f["FInfo002"] == "第1层"; }),
             info.end());
  sections.erase(sections.begin() + (&Section(model, "Floor", 2) - &sections[0]));
  Build(model.dump(), "new.gxrm");
  EXPECT_EQ(DiffJson({})["summary"]["removed"], 1);
}

// A model of floors "F0", "F1", ... standing in `order`.
std::string FloorsModel(const std::vector<std::size_t>& order) {
  Json model = Json::parse(MinimalModel());
  Json& info = Section(model, "ProjFloorInfo")["floorInfo"];
  Json floor = Section(model, "Floor");
  info.clear();
  model["sections"].erase(model["sections"].size() - 1);
  for (std::size_t i : order) {
    info.push_back({{"FInfo002", "F" + std::to_string(i)}});
    floor["attributes"]["floorname"] = "F" + std::to_string(i);
    model["sections"].push_back(floor);
  }
  return model.dump();
}

// Swapping two floors is two moves, neighbours or not, and moving one is one, however many floors there are.
TEST_F(Diff, EachMovedFloorIsOneChangeAmongThousandsOfFloors) {
  std::vector<std::size_t> order(1200);
  std::iota(order.begin(), order.end(), 0);
  Build(FloorsModel(order), "old.gxrm");
  std::swap(order[0], order[1]);
  std::swap(order[500], order[510]);
  order.erase(order.begin() + 1100);
  order.insert(order.begin() + 1150, 1100);
  Build(FloorsModel(order), "new.gxrm");
  std::vector<std::string> moves;
  const Json diff = DiffJson({});
  for (const Json& c : diff["changes"]) {
    const Json& position = c["attributes"][0];
    EXPECT_EQ(position["name"], "#position");
    moves.push_back(c["name"].get<std::string>() + " " + position["old"].get<std::string>() + "->" +
                    position["new"].get<std::string>());
  }
  EXPECT_EQ(moves, (std::vector<std::string>{"F1 1->0", "F0 0->1", "F510 510->500", "F500 500->510",
                                             "F1100 1100->1150"}));
}

// A second floor of an existing name is a floor of its own; names print as quoted values, so a line break in
// one forges no line; a rule node's index is its place in document order also after a node that differs.
TEST_F(Diff, RepeatedFloorNamesLineBreaksInNamesAndRuleNodeIndices) {
  const std::string rule_old = R"({"name": "R", "children": [{"name": "A", "children": [{"name": "B"},
      {"name": "C"}, {"name": "E"}]}, {"name": "D", "attributes": {"v": "1"}}]})";
  const std::string rule_new = R"({"name": "R", "children": [{"name": "X", "children": [{"name": "Y"},
      {"name": "Z"}]}, {"name": "D", "attributes": {"v": "2"}}]})";
  Json model = Json::parse(MinimalModel(rule_old));
  Build(model.dump(), "old.gxrm");
  Section(model, "CalRule")["rules"][0] = Json::parse(rule_new);
  Section(model, "Floor")["objects"] = Dump({"old.gxrm"})["sections"][3]["objects"];
  Build(model.dump(), "new.gxrm");
  const Json rules = DiffJson({})["changes"][0]["attributes"];
  ASSERT_EQ(rules.size(), 2u) << rules.dump();
  EXPECT_EQ(rules[0]["index"], 1);
  EXPECT_EQ(rules[1]["element"], "D");
  EXPECT_EQ(rules[1]["index"], 4);  // R, X, Y, Z, D

  // A floor repeated with other attributes, and an instance name holding a line break.
  std::string xml = ReadFile(dir_ / "old.gxrm");
  const std::string floor = "<Floor floorname=\"1F\" basepoint=\"\"";
  const std::size_t at = xml.find(floor) + floor.size(), end = xml.find("</Floor>") + 8;
  xml.insert(end, "<Floor floorname=\"1F\" basepoint=\"9\"" + xml.substr(at, end - at));
  WriteFile(dir_ / "new.gxrm", xml);
  const Outcome text = Run({"diff", "old.gxrm", "new.gxrm"});
  EXPECT_EQ(text.status, 1);
  EXPECT_EQ(text.out, "1 added, 0 removed, 0 changed\nfloor \"1F\":\n  added floor \"1F\" (id \"1\")\n");
  ASSERT_EQ(Run({"diff", "new.gxrm", "new.gxrm"}).status, 0);

  xml.replace(xml.find(floor), floor.size(), "<Floor floorname=\"1F&#10;file:&#10;  added\" basepoint=\"\"");
  WriteFile(dir_ / "new.gxrm", xml);
  EXPECT_EQ(Run({"diff", "old.gxrm", "new.gxrm"}).out,
            "1 added, 0 removed, 1 changed\nfloor \"1F\\nfile:\\n  added\":\n  added floor \"1F\\nfile:\\n  "
            "added\"\nfloor \"1F\":\n  changed floor \"1F\"\n    Floor[0] basepoint: \"\" -> \"9\"\n");
}

// White space between tags is layout, which the model keeps: no change, and a rule's node indices are counted
// without it.
TEST_F(Diff, LayoutIsNoChangeAndRuleIndicesIgnoreIt) {
  Old();
  std::string laid;
  for (const char c : ReadFile(dir_ / "old.gxrm")) {
    if (c == '<' && !laid.empty() && laid.back() == '>') laid += "\n  \t";
    laid += c;
  }
  WriteFile(dir_ / "new.gxrm", laid);
  EXPECT_EQ(Run({"diff", "old.gxrm", "new.gxrm"}).out, "0 added, 0 removed, 0 changed\n");
  EXPECT_EQ(Run({"diff", "new.gxrm", "old.gxrm"}).status, 0);

  const std::string item = "L*B*H</CalItem>";
  ASSERT_NE(laid.find(item), std::string::npos);
  laid.insert(laid.find(item) + 5, "*2");
  WriteFile(dir_ / "new.gxrm", laid);
  const Json diff = DiffJson({});
  ASSERT_EQ(diff["summary"]["changed"], 1) << diff.dump(1);
  EXPECT_EQ(diff["changes"][0]["attributes"], Json::parse(R"([{"element": "#text", "index": 2,
      "name": "#text", "old": "L*B*H", "new": "L*B*H*2"}])"));
}

// Rules nest deeper than any call stack: build, dump, diff and report may not recurse per level.
TEST_F(Diff, RuleNestedTwoHundredThousandDeepNeedsNoRecursion) {
  constexpr std::size_t kDepth = 200000;
  const auto build = [&](const std::string& leaf, const std::string& file) {
    std::string rule;
    for (std::size_t i = 0; i < kDepth; ++i) rule += R"({"name": "R", "children": [)";
    rule += R"({"name": "Leaf", "attributes": {"v": ")" + leaf + R"("}})";
    for (std::size_t i = 0; i < kDepth; ++i) rule += "]}";
    Build(MinimalModel(rule), file);
  };
  build("1", "old.gxrm");
  build("2", "new.gxrm");
  // The shallow part stays indented; the deep part goes on one line.
  const std::string dumped = Out({"dump", "old.gxrm"});
  EXPECT_EQ(dumped.rfind("{\n  \"format\": \"gxrm-json/1\",\n", 0), 0u);
  EXPECT_LT(dumped.size(), 40 * kDepth);
  Build(dumped, "again.gxrm");
  EXPECT_EQ(ReadFile(dir_ / "again.gxrm"), ReadFile(dir_ / "old.gxrm"));

  const Json diff = DiffJson({});
  ASSERT_EQ(diff["changes"].size(), 1u);
  EXPECT_EQ(diff["changes"][0]["attributes"], Json::parse(R"([{"element": "Leaf", "index": 200000,
      "name": "v", "old": "1", "new": "2"}])"));
  EXPECT_EQ(Run({"report", "new.gxrm", "--diff", "old.gxrm"}).status, 0);
  ExpectHas(ReadFile(dir_ / "new.html"), {R"(["Leaf",[["v","2"]]])"});
}

// Values are data, never markup: a "</script>" inside one cannot end the page's script. The page reads the
// model as the reader does (its --diff page reads the reader's document): floors that share a name keep their
// own lists, and the layout inside a rule is no rule text.
TEST_F(Diff, ReportEmbedsValuesAsDataAndReadsTheModelAsTheReaderDoes) {
  Json model = Old();
  const std::string hostile = "</script><script>alert(1)</script><!-- & \"";
  model["header"]["ProjName"] = hostile;
  Section(model, "CalRule")["rules"].push_back(
      Json::parse(R"({"name": "G", "children": [{"name": "Leaf", "attributes": {"v": "1"}}]})"));
  Build(model.dump(), "new.gxrm");
  // The second floor takes the first one's name, in the file's own bytes.
  std::string xml = ReadFile(dir_ / "new.gxrm");
  const std::string floor = "<Floor floorname=\"";
  const std::size_t first = xml.find(floor) + floor.size(), second = xml.find(floor, first) + floor.size();
  xml.replace(second, xml.find('"', second) - second, xml.substr(first, xml.find('"', first) - first));
  xml.replace(xml.find("<G><Leaf"), 3, "<G>\n  ");  // a rule laid out by hand
  WriteFile(dir_ / "new.gxrm", xml);
  ASSERT_EQ(Run({"report", "new.gxrm", "-o", "alone.html"}).status, 0);
  ASSERT_EQ(Run({"report", "new.gxrm", "--diff", "new.gxrm", "-o", "paired.html"}).status, 0);
  const std::string page = ReadFile(dir_ / "alone.html");
  EXPECT_EQ(page.find("alert(1)</script>"), std::string::npos);
  ExpectHas(page, {"<meta charset=\"utf-8\">", "华东建筑设计研究院"});
  ExpectHas(page, {"src=", "<link", "url("}, false);  // nothing fetched from anywhere
  const Json alone = PageData(page);
  EXPECT_EQ(alone["header"][0], Json::array({"ProjName", hostile}));
  Json paired = PageData(ReadFile(dir_ / "paired.html"));
  paired.erase("diff");
  EXPECT_EQ(alone, paired);
  ASSERT_EQ(alone["lists"].size(), 4u);
  EXPECT_EQ(alone["lists"][2]["floor"], "第1层");
  EXPECT_EQ(alone["lists"][2]["counts"], alone["lists"][1]["counts"]);
  EXPECT_EQ(alone["rules"]["label"].back(), Json::parse(R"(["Leaf", [["v", "1"]]])"));
}

}  // namespace
