// building_example: exports a small three-storey frame building to a GXRM file,
// the way a host application does it, then imports the file again and prints
// what it holds per floor.
//
//   building_example [path]   (without a path: a temporary file, removed again)
//
// Host text is GBK; the Chinese names below are written as UTF-8 and
// converted with gxrm::FromUtf8.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <GXRMparser/GXRMparser.h>

namespace {

namespace format = gxrm::format;
using GXRM_objType_base::Type;

CString U(const std::string& utf8) { return gxrm::FromUtf8(utf8); }

// A record from UTF-8 pairs, in their order.
CGXRMnode Record(std::initializer_list<std::pair<std::string, std::string>> pairs) {
  CGXRMnode node;
  for (const auto& [name, value] : pairs) node.AddAtt(U(name), U(value));
  return node;
}

struct Floor {
  const char* name;
  const char* elevation;  // mm
  const char* height;     // mm
};
const Floor kFloors[] = {{"首层", "0", "4200"}, {"第2层", "4200", "3600"}, {"第3层", "7800", "3600"}};

// Grid lines in mm: axes 1..4 along x, A..C along y.
const int kGridX[] = {0, 6000, 12000, 18000};
const int kGridY[] = {0, 6000, 12000};

std::string Pt(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }

struct Counts {
  int types = 0;
  int instances = 0;
};

// A calculation rule as the host keeps it: an element of the writer's document.
IXMLDOMElementPtr Rule(CGXRMwriter& writer, const std::string& name, const std::string& expr) {
  IXMLDOMElementPtr root;
  writer.GetRootElem(root);
  IXMLDOMElementPtr rule = root.ownerDocument().createElement("CalRuleItem");
  rule.setAttribute("name", name);
  rule.setAttribute("expr", expr);
  return rule;
}

void WriteProject(CGXRMwriter& writer) {
  CGXRMnode header = Record({{"ProjName", "阳光花园3号办公楼"}, {"Software", "building_example"}});
  writer.CreateGXRMinstance(header);
  writer.CreateProjSetting(Record({{"工程名称", "阳光花园3号办公楼"},
                                   {"结构类型", "框架结构"},
                                   {"抗震等级", "三级"},
                                   {"室外地坪标高", "-450"}}));
  writer.CreateCalRule(Record({{"清单规则", "GB50854-2013"}, {"定额规则", "北京2012"}}));
  writer.AppendCalRule(Rule(writer, "柱与梁相交", "扣梁"));
  writer.AppendCalRule(Rule(writer, "墙与柱相交", "扣柱"));
  writer.AppendCalRule(Rule(writer, "板与梁相交", "梁扣板"));

  writer.CreateProjUseSecInfo(Record({{"说明", "自定义截面"}}));
  CGXRMnode l_shape = Record({{format::kAttSecId, "1"},
                              {format::kAttSecName, "L形柱"},
                              {format::kAttPoint, "0,0;600,0;600,200;200,200;200,600;0,600"},
                              {format::kAttBulge, "0;0;0;0;0;0"},
                              {format::kAttInsertPt, "100,100"}});
  writer.AddSec(U("L形柱"), l_shape);
  CGXRMnode arched = Record({{format::kAttSecId, "2"},
                             {format::kAttSecName, "弧形梁"},
                             {format::kAttPoint, "0,0;300,0;300,700;0,700"},
                             {format::kAttBulge, "0;0.2;0;0"},
                             {format::kAttInsertPt, "150,700"}});
  writer.AddSec(U("弧形梁"), arched);
}

void WriteFloors(CGXRMwriter& writer) {
  writer.CreateProjFloorInfo(Record({{"FloorCount", "3"}, {"基础层底标高", "-2000"}}));
  // The floor information as hosts fill it: number, name (the reader's key),
  // storey height and bottom elevation (docs/format.md).
  int number = 0;
  for (const Floor& floor : kFloors) {
    writer.AddFloor(U(floor.name), Record({{format::kAttFloorNumber, std::to_string(++number)},
                                           {format::kAttFloorKey, floor.name},
                                           {format::kAttFloorHeight, floor.height},
                                           {format::kAttFloorElevation, floor.elevation}}));
    writer.SetFloorParam(U(floor.name), format::kAttBasePoint, "0,0," + std::string(floor.elevation));
  }
}

// One type definition with an attribute, geometric, section and speciality record.
CGXRMobjType TypeDef(const std::string& name, Type type, const std::string& id, const std::string& material,
                     const std::string& section) {
  CGXRMobjType def(U(name), type, id);
  def.AddAttNode(Record({{"材质", material}, {"类别", "现浇"}}));
  def.AddGeoAttNode(Record({{"底标高", "层底标高"}, {"顶标高", "层顶标高"}}));
  def.AddSection(Record({{"截面", section}}));
  def.AddSpAttNode(Record({{"钢筋信息", "4C22+8C20"}, {"箍筋", "A8@100/200"}}));
  return def;
}

void WriteTypes(CGXRMwriter& writer, const CString& floor, Counts& counts) {
  CGXRMobjType column = TypeDef("KZ1", GXRM_objType_base::FRAME_COLUMN, "101", "C30", "500*500");
  column.AppendCalRule(Rule(writer, "柱模板", "按接触面积"));
  CGXRMobjType beam = TypeDef("KL1", GXRM_objType_base::FRAME_BEAM, "201", "C30", "300*600");
  beam.AppendCalRule(Rule(writer, "梁长度", "算至柱边"));
  beam.AppendCalRule(Rule(writer, "梁模板", "扣板厚"));
  const CGXRMobjType types[] = {
      column,
      beam,
      TypeDef("L1", GXRM_objType_base::SECONDARY_BEAM, "202", "C30", "250*500"),
      TypeDef("砖外墙240", GXRM_objType_base::BRICK_OUTER_WALL, "301", "M5混合砂浆", "240"),
      TypeDef("B120", GXRM_objType_base::CAST_SLAB, "401", "C30", "120"),
      TypeDef("M1021", GXRM_objType_base::DOOR, "501", "木质", "1000*2100"),
      TypeDef("C1518", GXRM_objType_base::WINDOW, "502", "塑钢", "1500*1800"),
      TypeDef("办公室", GXRM_objType_base::ROOM, "601", "", ""),
  };
  for (const CGXRMobjType& type : types) counts.types += writer.AddObjType(floor, type);
}

// One instance with its attribute, geometric and section records.
CGXRMobj Instance(const std::string& name, Type type, const std::string& id, const std::string& type_name,
                  CGXRMnode geometry, const std::string& section) {
  CGXRMobj obj(U(name), U(id), type);
  obj.AddAttNode(Record({{"类型名称", type_name}}));
  obj.AddGeoAttNode(std::move(geometry));
  obj.AddSection(Record({{"截面", section}}));
  return obj;
}

CGXRMobj Linear(const std::string& name, Type type, const std::string& id, const std::string& type_name,
                const std::string& from, const std::string& to, const std::string& section) {
  return Instance(name, type, id, type_name, Record({{"StartPt", from}, {"EndPt", to}}), section);
}

void WriteFrame(CGXRMwriter& writer, const CString& floor, Counts& counts) {
  int n = 0;
  for (int x : kGridX) {
    for (int y : kGridY) {
      counts.instances +=
          writer.AddObj(floor, Instance("KZ1", GXRM_objType_base::FRAME_COLUMN, "c" + std::to_string(++n),
                                        "KZ1", Record({{"InsertPt", Pt(x, y)}}), "500*500"));
    }
  }
  for (int y : kGridY) {
    for (size_t i = 0; i + 1 < std::size(kGridX); ++i) {
      counts.instances +=
          writer.AddObj(floor, Linear("KL1", GXRM_objType_base::FRAME_BEAM, "b" + std::to_string(++n), "KL1",
                                      Pt(kGridX[i], y), Pt(kGridX[i + 1], y), "300*600"));
    }
  }
  for (size_t i = 0; i + 1 < std::size(kGridX); ++i) {
    int mid = (kGridX[i] + kGridX[i + 1]) / 2;
    counts.instances +=
        writer.AddObj(floor, Linear("L1", GXRM_objType_base::SECONDARY_BEAM, "l" + std::to_string(++n), "L1",
                                    Pt(mid, kGridY[0]), Pt(mid, kGridY[2]), "250*500"));
  }
}

void WriteEnclosure(CGXRMwriter& writer, const CString& floor, Counts& counts) {
  const std::string corners[] = {Pt(0, 0), Pt(18000, 0), Pt(18000, 12000), Pt(0, 12000)};
  for (int i = 0; i < 4; ++i) {
    counts.instances +=
        writer.AddObj(floor, Linear("砖外墙240", GXRM_objType_base::BRICK_OUTER_WALL, "w" + std::to_string(i),
                                    "砖外墙240", corners[i], corners[(i + 1) % 4], "240"));
  }
  CGXRMnode outline = Record({{"Outline", "0,0;18000,0;18000,12000;0,12000"}});
  counts.instances +=
      writer.AddObj(floor, Instance("B120", GXRM_objType_base::CAST_SLAB, "s1", "B120", outline, "120"));
  counts.instances += writer.AddObj(floor, Instance("M1021", GXRM_objType_base::DOOR, "d1", "M1021",
                                                    Record({{"InsertPt", Pt(9000, 0)}}), "1000*2100"));
  for (int i = 0; i < 3; ++i) {
    counts.instances +=
        writer.AddObj(floor, Instance("C1518", GXRM_objType_base::WINDOW, "win" + std::to_string(i), "C1518",
                                      Record({{"InsertPt", Pt(3000 + 6000 * i, 12000)}}), "1500*1800"));
  }
  counts.instances +=
      writer.AddObj(floor, Instance("办公室", GXRM_objType_base::ROOM, "r1", "办公室", outline, ""));
}

void WriteGrid(CGXRMwriter& writer, Counts& counts) {
  CGXRMobjType grid(U("轴网-1"), GXRM_objType_base::AXIS_GRID, "1");
  grid.AddAttNode(Record({{"轴网类型", "正交轴网"}}));
  counts.types += writer.AddObjType(grid);
  CGXRMobj axes(U("轴网-1"), "1", GXRM_objType_base::AXIS_GRID);
  axes.AddAttNode(Record({{"下开间", "6000,6000,6000"}, {"左进深", "6000,6000"}}));
  axes.AddGeoAttNode(Record({{"InsertPt", "0,0"}, {"Angle", "0"}}));
  counts.instances += writer.AddObj(axes);
}

// Writes the whole building to `path` (UTF-8 path); raises gxrm::DomError on failure.
Counts WriteBuilding(const std::string& path) {
  CGXRMwriter writer;
  Counts counts;
  WriteProject(writer);
  WriteFloors(writer);
  WriteGrid(writer, counts);
  for (const Floor& floor : kFloors) {
    WriteTypes(writer, U(floor.name), counts);
    WriteFrame(writer, U(floor.name), counts);
    WriteEnclosure(writer, U(floor.name), counts);
  }
  writer.SaveGXRMinstance(U(path));
  return counts;
}

// Type definitions and components per kind in one object list.
using KindCounts = std::map<GXRM_obj_base::Kind, Counts>;

// Reads every type's records through `read(type, types, objs)` and counts them by kind.
template <typename Read>
KindCounts CountByKind(Read read) {
  KindCounts counts;
  for (int t = 0; t < CGXRMobjTypeBase::GetObjTypeCount(); ++t) {
    const auto type = static_cast<Type>(t);
    std::vector<CGXRMobjType> types;
    std::vector<CGXRMobj> objs;
    read(type, types, objs);
    if (types.empty() && objs.empty()) continue;
    Counts& kind = counts[CGXRMobjTypeBase::GetObjKind(type)];
    kind.types += static_cast<int>(types.size());
    kind.instances += static_cast<int>(objs.size());
  }
  return counts;
}

void PrintCounts(const std::string& list, const KindCounts& counts) {
  std::printf("  %s:\n", list.c_str());
  for (const auto& [kind, n] : counts) {
    std::printf("    %s: %d types, %d components\n",
                gxrm::ToUtf8(CGXRMobjBase::GetObjChNamebyKind(kind)).c_str(), n.types, n.instances);
  }
}

// Loads the file as an importing host does and prints a summary; false when
// it cannot be loaded.
bool ReadBuilding(const std::string& path) {
  CGXRMreader reader;
  if (!reader.LoadGXRMfile(U(path))) {
    const gxrm::dom::ParseError& e = reader.GetLoadError();
    std::fprintf(stderr, "building_example: %s:%ld:%ld: %s\n", path.c_str(), e.line, e.linepos,
                 e.reason.c_str());
    return false;
  }
  CString version;
  CStringArray floors;
  reader.GetGXRMfileVer(version);
  reader.GetFloorNames(floors);
  std::printf("Read %s: version %s, %zu floors, %d calculation rules.\n", path.c_str(),
              gxrm::ToUtf8(version).c_str(), floors.size(), reader.CountCalRule());
  PrintCounts("global list", CountByKind([&](Type type, auto& types, auto& objs) {
                reader.GetObjTypeList(type, types);
                reader.GetObjList(type, objs);
              }));
  for (const CString& floor : floors) {
    PrintCounts(gxrm::ToUtf8(floor), CountByKind([&](Type type, auto& types, auto& objs) {
                  reader.GetObjTypeList(floor, type, types);
                  reader.GetObjList(floor, type, objs);
                }));
  }
  return true;
}

// A fresh folder for the file when the caller names none; empty on failure.
std::filesystem::path TemporaryFolder() {
  std::string name = (std::filesystem::temp_directory_path() / "building_example-XXXXXX").string();
  return mkdtemp(name.data()) ? std::filesystem::path(name) : std::filesystem::path();
}

int Run(const std::string& path) {
  try {
    Counts counts = WriteBuilding(path);
    std::printf("Wrote %s: %zu floors, %d component types, %d components.\n", path.c_str(),
                std::size(kFloors), counts.types, counts.instances);
    return ReadBuilding(path) ? 0 : 1;
  } catch (const gxrm::DomError& e) {
    std::fprintf(stderr, "building_example: %s\n", e.what());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) return Run(argv[1]);
  const std::filesystem::path folder = TemporaryFolder();
  if (folder.empty()) {
    std::perror("building_example: temporary folder");
    return 1;
  }
  const int status = Run((folder / "building.gxrm").string());
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return status;
}
