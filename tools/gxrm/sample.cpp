// sample.cpp: `gxrm sample [FILE] [--floors N] [--bays X Y]`, a realistic
// office building written through the writer: project sections with rules
// and user cross-sections, then per floor an axis grid, columns at the grid
// points, frame and secondary beams, shear walls on the gable ends, brick
// walls on the long sides with doors and windows, a slab and a room per bay,
// and the type definitions with sections and calculation rules.
// The output depends only on the options, so it can be compared byte for byte.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "progress.h"
#include "output.h"
#include "tool.h"

namespace gxrm::tool {
namespace {
namespace dom = gxrm::dom;
namespace fmt = gxrm::format;
using Type = GXRM_objType_base::Type;
using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr int kBaySpans[] = {6000, 7200};  // alternating column spacing along X, mm
constexpr int kBayDepth = 6600;            // column spacing along Y, mm
constexpr int kGroundHeight = 4200;        // storey heights, mm
constexpr int kStoreyHeight = 3600;

// One type definition every floor and the global list carry.
struct SampleType {
  Type type;
  const char* name;
  const char* material;  // "" for none
  int b;                 // section width or thickness, 0 for none
  int h;                 // section height, 0 for none
};

const SampleType kTypes[] = {
    {GXRM_objType_base::AXIS_GRID, "轴网-1", "", 0, 0},
    {GXRM_objType_base::FRAME_COLUMN, "KZ-1", "现浇混凝土 C30", 500, 500},
    {GXRM_objType_base::FRAME_BEAM, "KL-1", "现浇混凝土 C30", 300, 600},
    {GXRM_objType_base::SECONDARY_BEAM, "L-1", "现浇混凝土 C30", 250, 500},
    {GXRM_objType_base::SHEAR_WALL, "Q-1", "现浇混凝土 C35", 200, 0},
    {GXRM_objType_base::BRICK_WALL, "ZQ-1", "加气混凝土砌块 A5.0", 200, 0},
    {GXRM_objType_base::CAST_SLAB, "B-1", "现浇混凝土 C30", 120, 0},
    {GXRM_objType_base::DOOR, "M-1", "木质夹板门", 1000, 2100},
    {GXRM_objType_base::WINDOW, "C-1", "断桥铝合金窗", 1500, 1500},
    {GXRM_objType_base::ROOM, "办公室", "", 0, 0},
};

std::string Num(int value) { return std::to_string(value); }
std::string Point(int x, int y) { return Num(x) + "," + Num(y); }
std::string Outline(int x0, int y0, int x1, int y1) {
  return Point(x0, y0) + ";" + Point(x1, y0) + ";" + Point(x1, y1) + ";" + Point(x0, y1);
}
std::string AxisLetter(int index) {
  return index < 26 ? std::string(1, static_cast<char>('A' + index)) : "A" + Num(index - 25);
}

CGXRMnode Record(const Pairs& pairs) {
  CGXRMnode record;
  for (const auto& [name, value] : pairs) record.AddAtt(Gbk(name), Gbk(value));
  return record;
}

struct SampleOptions {
  std::string file = "building.gxrm";
  int floors = 6;
  std::vector<int> bays{4, 3};
};

class BuildingSample {
 public:
  BuildingSample(CGXRMwriter& writer, const SampleOptions& options);
  void Write();

 private:
  void Project();
  void Rules();
  void CrossSections();
  void Storey(int level);
  void TypeDefinitions(const CString* floor);
  void Grid(const CString* floor);
  void Columns(const CString& floor);
  void Beams(const CString& floor);
  void Walls(const CString& floor, int level);
  void Bays(const CString& floor, int level);
  std::string Add(const CString* floor, Type type, const char* name, const Pairs& att, const Pairs& geo,
                  const Pairs& section = {});
  dom::Element Rule(const char* name, const Pairs& attributes, const std::string& text = "");
  std::string NextId() { return Num(next_id_++); }

  CGXRMwriter& writer_;
  dom::Document doc_;
  int floors_;
  std::vector<int> xs_;  // grid line coordinates, mm
  std::vector<int> ys_;
  int next_id_ = 1001;
  int bottom_ = 0;  // elevations of the storey being written, mm
  int top_ = 0;
};

BuildingSample::BuildingSample(CGXRMwriter& writer, const SampleOptions& options)
    : writer_(writer), floors_(options.floors), xs_{0}, ys_{0} {
  for (int i = 0; i < options.bays[0]; ++i) xs_.push_back(xs_.back() + kBaySpans[i % 2]);
  for (int j = 0; j < options.bays[1]; ++j) ys_.push_back(ys_.back() + kBayDepth);
}

void BuildingSample::Write() {
  Project();
  Progress progress("sample", static_cast<std::size_t>(floors_));
  for (int level = 1; level <= floors_; ++level) {
    Storey(level);
    progress.Update(static_cast<std::size_t>(level));
  }
}

void BuildingSample::Project() {
  CGXRMnode header = Record({{"ProjName", "示例办公楼"},
                             {"ProjCode", "GX-2024-017"},
                             {"Designer", "华东建筑设计研究院"},
                             {"Software", "gxrm sample"}});
  writer_.CreateGXRMinstance(header);
  IXMLDOMElementPtr root;
  writer_.GetRootElem(root);
  doc_ = root.ownerDocument();
  writer_.CreateProjSetting(Record(
      {{"Region", "上海"}, {"Standard", "GB50854-2013"}, {"Unit", "mm"}, {"Structure", "框架-剪力墙结构"}}));
  Rules();
  CrossSections();
  writer_.CreateProjFloorInfo(Record({{"FloorCount", Num(floors_)}, {"BaseElevation", "-0.450"}}));
  TypeDefinitions(nullptr);
  Grid(nullptr);
}

void BuildingSample::Rules() {
  writer_.CreateCalRule(Record({{"RuleSet", "清单计算规则"}, {"Version", "2013"}}));
  writer_.AppendCalRule(
      Rule("Rule", {{"id", "1"}, {"object", "框架梁"}, {"deduct", "框架柱"}, {"method", "扣减"}}));
  writer_.AppendCalRule(
      Rule("Rule", {{"id", "2"}, {"object", "现浇板"}, {"deduct", "框架梁"}}, "板与梁相交时扣梁"));
  dom::Element walls = Rule("RuleGroup", {{"name", "砌体墙"}});
  walls.appendChild(
      Rule("Rule", {{"id", "3"}, {"object", "砖墙"}, {"deduct", "框架柱"}, {"method", "扣减"}}));
  walls.appendChild(Rule("Rule", {{"id", "4"}, {"object", "砖墙"}, {"deduct", "门"}, {"method", "扣洞口"}}));
  writer_.AppendCalRule(walls);
}

void BuildingSample::CrossSections() {
  writer_.CreateProjUseSecInfo(Record({{"Unit", "mm"}}));
  const Pairs sections[] = {
      {{fmt::kAttSecId, "99000101"},
       {fmt::kAttSecName, "L形柱 600x600"},
       {fmt::kAttPoint, "0,0;600,0;600,200;200,200;200,600;0,600"},
       {fmt::kAttBulge, "0;0;0;0;0;0"},
       {fmt::kAttInsertPt, "100,100"}},
      {{fmt::kAttSecId, "99000102"},
       {fmt::kAttSecName, "T形柱 700x500"},
       {fmt::kAttPoint, "0,0;700,0;700,200;450,200;450,500;250,500;250,200;0,200"},
       {fmt::kAttBulge, "0;0;0;0;0;0;0;0"},
       {fmt::kAttInsertPt, "350,100"}},
      {{fmt::kAttSecId, "99000103"},
       {fmt::kAttSecName, "圆柱 D600"},
       {fmt::kAttPoint, "0,300;600,300"},
       {fmt::kAttBulge, "1;1"},
       {fmt::kAttInsertPt, "300,300"}},
  };
  for (const Pairs& section : sections) {
    CGXRMnode record = Record(section);
    writer_.AddSec(Gbk(section[1].second), record);
  }
}

void BuildingSample::Storey(int level) {
  const std::string name = "第" + Num(level) + "层";
  const int height = level == 1 ? kGroundHeight : kStoreyHeight;
  const char* use = level == 1 ? "首层" : level == floors_ ? "顶层" : "标准层";
  top_ = bottom_ + height;
  const CString floor = Gbk(name);
  writer_.AddFloor(floor, Record({{fmt::kAttFloorNumber, Num(level)},
                                  {fmt::kAttFloorKey, name},
                                  {fmt::kAttFloorHeight, Num(height)},
                                  {fmt::kAttFloorElevation, Num(bottom_)},
                                  {fmt::kAttFloorUse, use}}));
  writer_.SetFloorParam(floor, Gbk(fmt::kAttBasePoint), Gbk("0,0," + Num(bottom_)));
  writer_.SetFloorParam(floor, Gbk("Elevation"), Gbk(Num(bottom_)));
  TypeDefinitions(&floor);
  Grid(&floor);
  Columns(floor);
  Beams(floor);
  Walls(floor, level);
  Bays(floor, level);
  bottom_ = top_;
}

void BuildingSample::TypeDefinitions(const CString* floor) {
  for (const SampleType& entry : kTypes) {
    CGXRMobjType type(Gbk(entry.name), entry.type, Gbk(NextId()));
    if (*entry.material != '\0') type.AddAttNode(Record({{"Material", entry.material}, {"备注", "按图纸"}}));
    type.AddGeoAttNode(Record({{"Height", entry.h > 0 ? Num(entry.h) : "层高"}}));
    if (entry.b > 0) {
      type.AddSection(Record({{fmt::kAttSecId, "04000005"},
                              {fmt::kAttSecName, "矩形"},
                              {"b", Num(entry.b)},
                              {"h", Num(entry.h)}}));
    }
    type.AddSpAttNode(Record({{"Speciality", entry.type == GXRM_objType_base::ROOM ? "装饰" : "土建"}}));
    if (floor != nullptr) {
      type.AppendCalRule(Rule("CalItem", {{"name", "体积"}, {"unit", "m3"}}, "L*B*H"));
      type.AppendCalRule(Rule("CalItem", {{"name", "模板面积"}, {"unit", "m2"}}, "2*(B+H)*L"));
      writer_.AddObjType(*floor, type);
    } else {
      writer_.AddObjType(type);
    }
  }
}

void BuildingSample::Grid(const CString* floor) {
  CGXRMobj grid(Gbk("轴网-1"), Gbk(NextId()), GXRM_objType_base::AXIS_GRID);
  grid.AddAttNode(Record({{"Kind", "正交轴网"}}));
  for (std::size_t i = 0; i < xs_.size(); ++i) {
    grid.AddGeoAttNode(
        Record({{"AxisName", Num(static_cast<int>(i) + 1)}, {"Offset", Num(xs_[i])}, {"Direction", "纵向"}}));
  }
  for (std::size_t j = 0; j < ys_.size(); ++j) {
    grid.AddGeoAttNode(Record(
        {{"AxisName", AxisLetter(static_cast<int>(j))}, {"Offset", Num(ys_[j])}, {"Direction", "横向"}}));
  }
  if (floor != nullptr ? writer_.AddObj(*floor, grid) : writer_.AddObj(grid)) return;
  throw ToolError("sample: the axis grid could not be written");
}

void BuildingSample::Columns(const CString& floor) {
  for (std::size_t i = 0; i < xs_.size(); ++i) {
    for (std::size_t j = 0; j < ys_.size(); ++j) {
      Add(&floor, GXRM_objType_base::FRAME_COLUMN, "KZ-1",
          {{"Axis", Num(static_cast<int>(i) + 1) + "/" + AxisLetter(static_cast<int>(j))}},
          {{"InsertPt", Point(xs_[i], ys_[j])}, {"Angle", "0"}, {"Bottom", Num(bottom_)}, {"Top", Num(top_)}},
          {{fmt::kAttSecId, "04000005"}, {"b", "500"}, {"h", "500"}});
    }
  }
}

void BuildingSample::Beams(const CString& floor) {
  const Pairs section = {{fmt::kAttSecId, "04000005"}, {"b", "300"}, {"h", "600"}};
  for (std::size_t j = 0; j < ys_.size(); ++j) {
    for (std::size_t i = 0; i + 1 < xs_.size(); ++i) {
      Add(&floor, GXRM_objType_base::FRAME_BEAM, "KL-1", {{"Axis", AxisLetter(static_cast<int>(j))}},
          {{"StartPt", Point(xs_[i], ys_[j])}, {"EndPt", Point(xs_[i + 1], ys_[j])}, {"TopElev", Num(top_)}},
          section);
    }
  }
  for (std::size_t i = 0; i < xs_.size(); ++i) {
    for (std::size_t j = 0; j + 1 < ys_.size(); ++j) {
      Add(&floor, GXRM_objType_base::FRAME_BEAM, "KL-1", {{"Axis", Num(static_cast<int>(i) + 1)}},
          {{"StartPt", Point(xs_[i], ys_[j])}, {"EndPt", Point(xs_[i], ys_[j + 1])}, {"TopElev", Num(top_)}},
          section);
      if (i + 1 == xs_.size()) continue;
      const int middle = (xs_[i] + xs_[i + 1]) / 2;
      Add(&floor, GXRM_objType_base::SECONDARY_BEAM, "L-1", {{"Axis", "次梁"}},
          {{"StartPt", Point(middle, ys_[j])}, {"EndPt", Point(middle, ys_[j + 1])}, {"TopElev", Num(top_)}},
          {{fmt::kAttSecId, "04000005"}, {"b", "250"}, {"h", "500"}});
    }
  }
}

// Shear walls close the two gable ends; brick walls on the long sides hold a
// window each, the ground floor's first front wall the entrance door.
void BuildingSample::Walls(const CString& floor, int level) {
  for (int x : {xs_.front(), xs_.back()}) {
    for (std::size_t j = 0; j + 1 < ys_.size(); ++j) {
      Add(&floor, GXRM_objType_base::SHEAR_WALL, "Q-1", {{"Position", "山墙"}},
          {{"StartPt", Point(x, ys_[j])},
           {"EndPt", Point(x, ys_[j + 1])},
           {"Thickness", "200"},
           {"Top", Num(top_)}});
    }
  }
  for (int y : {ys_.front(), ys_.back()}) {
    for (std::size_t i = 0; i + 1 < xs_.size(); ++i) {
      const std::string wall = Add(&floor, GXRM_objType_base::BRICK_WALL, "ZQ-1", {{"Position", "外墙"}},
                                   {{"StartPt", Point(xs_[i], y)},
                                    {"EndPt", Point(xs_[i + 1], y)},
                                    {"Thickness", "200"},
                                    {"Top", Num(top_)}});
      const bool entrance = level == 1 && i == 0 && y == ys_.front();
      Add(&floor, entrance ? GXRM_objType_base::DOOR : GXRM_objType_base::WINDOW, entrance ? "M-1" : "C-1",
          {{"HostWall", wall}},
          {{"InsertPt", Point((xs_[i] + xs_[i + 1]) / 2, y)}, {"Bottom", entrance ? "0" : "900"}});
    }
  }
}

void BuildingSample::Bays(const CString& floor, int level) {
  int room = 1;
  for (std::size_t j = 0; j + 1 < ys_.size(); ++j) {
    for (std::size_t i = 0; i + 1 < xs_.size(); ++i) {
      const std::string outline = Outline(xs_[i], ys_[j], xs_[i + 1], ys_[j + 1]);
      Add(&floor, GXRM_objType_base::CAST_SLAB, "B-1", {{"Thickness", "120"}},
          {{"Outline", outline}, {"TopElev", Num(top_)}});
      Add(&floor, GXRM_objType_base::ROOM, "办公室",
          {{"RoomNo", Num(level * 100 + room++)}, {"Floor", "地砖"}}, {{"Outline", outline}});
    }
  }
}

// Writes one instance and gives back its id.
std::string BuildingSample::Add(const CString* floor, Type type, const char* name, const Pairs& att,
                                const Pairs& geo, const Pairs& section) {
  const std::string id = NextId();
  CGXRMobj obj(Gbk(name), Gbk(id), type);
  obj.AddAttNode(Record(att));
  obj.AddGeoAttNode(Record(geo));
  if (!section.empty()) obj.AddSection(Record(section));
  if (!(floor != nullptr ? writer_.AddObj(*floor, obj) : writer_.AddObj(obj))) {
    throw ToolError(std::string("sample: instance ") + name + " could not be written");
  }
  return id;
}

dom::Element BuildingSample::Rule(const char* name, const Pairs& attributes, const std::string& text) {
  dom::Element rule = doc_.createElement(name);
  for (const auto& [attribute, value] : attributes) rule.setAttribute(attribute, value);
  if (!text.empty()) rule.appendChild(doc_.createTextNode(text));
  return rule;
}

int RunSample(const SampleOptions& options) {
  CGXRMwriter writer;
  OnFile(options.file, [&] { BuildingSample(writer, options).Write(); });
  WriteDocument(writer, options.file, "");
  if (options.file == "-") return kOk;
  std::cout << "wrote " << options.file << ": " << options.floors
            << (options.floors == 1 ? " floor, " : " floors, ") << options.bays[0] << " x " << options.bays[1]
            << " bays\n";
  return kOk;
}

}  // namespace

void AddSampleCommand(CLI::App& app, int& status) {
  auto options = std::make_shared<SampleOptions>();
  CLI::App* command = AddCommand(app, status, "sample",
                                 "Write a realistic sample building through the writer", options, RunSample);
  command->add_option("FILE", options->file, "GXRM file to write, - for standard output")
      ->capture_default_str();
  command->add_option("--floors", options->floors, "Number of floors")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  command->add_option("--bays", options->bays, "Bays along X and Y")
      ->expected(2)
      ->type_name("X Y")
      ->check(CLI::Range(1, 200))
      ->capture_default_str();
}

}  // namespace gxrm::tool
