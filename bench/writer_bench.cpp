// writer_bench: how the writer compares with pugixml used directly, and how
// the cost of one AddObj depends on the number of floors.
//
// BM_WriterLibrary builds LargeModel through CGXRMwriter and saves it;
// BM_WriterDirectPugixml builds the identical tree (same elements, attribute
// order and line-feed text nodes, same GBK input converted with iconv) with
// pugixml alone and saves it raw; at start both write a small model and must
// give the same bytes. Each benchmark runs three times; the last lines give the
// ratios of the fastest runs' CPU times, which other load on the machine
// disturbs less than wall time (targets: library within 1.3 times direct;
// AddObj with 500 floors within 1.5 times AddObj with 5 floors).
//
// Default (CI): 10 floors.  Full measurement: writer_bench --floors=50
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "DirectIconv.h"
#include "LargeModel.h"
#include "RatioReporter.h"
#include "catalogue/GXRMkindsImpl.h"
#include "format/GXRMformat.h"

namespace {

using gxrm::bench::LargeModel;
namespace format = gxrm::format;

std::string TempFile(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

const LargeModel& Model(int floors) {
  static std::map<int, LargeModel> models;
  auto it = models.find(floors);
  if (it == models.end()) it = models.emplace(floors, LargeModel::Make(floors)).first;
  return it->second;
}

// The writer's document built with pugixml alone, containers kept by type.
class DirectWriter {
 public:
  explicit DirectWriter(const LargeModel& model) : model_(model) {}

  void Build(const std::string& root_name) {
    pugi::xml_node root = Append(doc_, root_name.c_str(), &model_.header);
    Append(root, format::kProjSetting, &model_.proj_setting);
    pugi::xml_node floor_info = Append(root, format::kProjFloorInfo, &model_.floor_info);
    std::vector<Containers> lists{Skeleton(Append(root, format::kGlobalObjList))};
    for (size_t f = 0; f < model_.floor_names.size(); ++f) {
      Append(floor_info, format::kFloorInfo, &model_.floor_records[f]);
      pugi::xml_node floor = Append(root, format::kFloor);
      floor.append_attribute(format::kAttFloorName).set_value(utf8_(model_.floor_names[f]).c_str());
      floor.append_attribute(format::kAttBasePoint).set_value("");
      lists.push_back(Skeleton(floor));
    }
    for (const Containers& list : lists) Fill(list);
  }
  void Save(const std::string& path) const {
    doc_.save_file(path.c_str(), "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  }

 private:
  struct Containers {
    std::vector<pugi::xml_node> type_info_lists, instance;  // by type value
  };

  pugi::xml_node Append(pugi::xml_node parent, const char* name, const CGXRMnode* record = nullptr) {
    pugi::xml_node n = parent.append_child(name);
    if (record) {
      for (const auto& [att, value] : record->Atts()) {
        pugi::xml_attribute a = n.append_attribute(utf8_(att).c_str());
        a.set_value(utf8_(value).c_str());
      }
    }
    n.append_child(pugi::node_pcdata).set_value("\n");
    return n;
  }
  void AppendAll(pugi::xml_node parent, const char* name, const std::vector<CGXRMnode>& records) {
    for (const CGXRMnode& record : records) Append(parent, name, &record);
  }
  // The names of a "TypeClass" or "Instance" and of the three lists both have.
  struct ComponentNames {
    const char *element, *id, *name, *att, *geo, *section;
  };
  pugi::xml_node AppendComponent(pugi::xml_node parent, const ComponentNames& n, const CGXRMobj& record) {
    CGXRMnode head;
    head.AddAtt(n.id, record.GetId());
    head.AddAtt(n.name, record.GetName());
    pugi::xml_node c = Append(parent, n.element, &head);
    AppendAll(c, n.att, record.AttList());
    AppendAll(c, n.geo, record.GeoAttList());
    AppendAll(c, n.section, record.SectionList());
    return c;
  }

  Containers Skeleton(pugi::xml_node list) {
    static const auto kinds = KindsUtf8();
    Containers c;
    c.type_info_lists.resize(CGXRMobjTypeBase::GetObjTypeCount());
    c.instance.resize(CGXRMobjTypeBase::GetObjTypeCount());
    for (const auto& [kind_name, types] : kinds) {
      pugi::xml_node kind = Append(list, kind_name.c_str());
      for (const auto& [type, type_name] : types) {
        pugi::xml_node t = Append(kind, format::kType);
        t.append_attribute(format::kAttTypeName).set_value(type_name.c_str());
        c.type_info_lists[type] = Append(t, format::kObjTypeInfo);
        c.instance[type] = Append(t, format::kObjInstance);
      }
    }
    return c;
  }
  void Fill(const Containers& list) {
    static constexpr ComponentNames kTypeClass{format::kTypeClass,       format::kAttClassId,
                                               format::kAttClassName,    format::kTypeClassAtt,
                                               format::kTypeClassGeoAtt, format::kTypeClassSection};
    static constexpr ComponentNames kInstance{format::kInstance, format::kAttObjId,  format::kAttObjName,
                                              format::kObjAtt,   format::kObjGeoAtt, format::kObjSection};
    for (const CGXRMobjType& type : model_.types) {
      pugi::xml_node tc = AppendComponent(list.type_info_lists[type.GetType()], kTypeClass, type);
      AppendAll(tc, format::kTypeClassSpecialtyAtt, type.SpAttList());
    }
    for (const CGXRMobj& obj : model_.instances)
      AppendComponent(list.instance[obj.GetType()], kInstance, obj);
  }

  using KindList = std::vector<std::pair<std::string, std::vector<std::pair<int, std::string>>>>;
  static KindList KindsUtf8() {
    gxrm::bench::DirectIconv utf8("UTF-8", "GB18030");
    KindList out;
    for (const gxrm::catalogue::KindTypes& kind : gxrm::catalogue::KindsWithTypes()) {
      out.push_back({kind.element, {}});
      for (const auto& row : kind.types) out.back().second.push_back({row.type, utf8(row.name)});
    }
    return out;
  }

  const LargeModel& model_;
  pugi::xml_document doc_;
  gxrm::bench::DirectIconv utf8_{"UTF-8", "GB18030"};
};

std::string RootName() { return format::kRootPrefix + CGXRMwriter().GetGXRMversion(); }

void WriteDirect(const LargeModel& model, const std::string& path) {
  DirectWriter direct(model);
  direct.Build(RootName());
  direct.Save(path);
}

void BM_WriterLibrary(benchmark::State& state) {
  const LargeModel& model = Model(static_cast<int>(state.range(0)));
  const std::string path = TempFile("writer_bench_library.gxrm");
  for (auto _ : state) gxrm::bench::WriteWithLibrary(model, path);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
}

void BM_WriterDirectPugixml(benchmark::State& state) {
  const LargeModel& model = Model(static_cast<int>(state.range(0)));
  const std::string path = TempFile("writer_bench_direct.gxrm");
  for (auto _ : state) WriteDirect(model, path);
  state.counters["MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
}

// One AddObj into the last floor of a document with range(0) floors.
void BM_AddObj(benchmark::State& state) {
  LargeModel model = LargeModel::Make(static_cast<int>(state.range(0)));
  CGXRMwriter writer;
  CGXRMnode header;
  writer.CreateGXRMinstance(header);
  writer.CreateProjFloorInfo(model.floor_info);
  for (size_t f = 0; f < model.floor_names.size(); ++f)
    writer.AddFloor(model.floor_names[f], model.floor_records[f]);
  const CString& floor = model.floor_names.back();
  size_t i = 0;
  for (auto _ : state) {
    if (!writer.AddObj(floor, model.instances[i++ % model.instances.size()]))
      state.SkipWithError("not added");
  }
}

// Both ways must write the same bytes, or the comparison means nothing.
bool SameOutput() {
  const LargeModel& model = Model(2);
  const std::string lib = TempFile("writer_bench_check_library.gxrm");
  const std::string direct = TempFile("writer_bench_check_direct.gxrm");
  gxrm::bench::WriteWithLibrary(model, lib);
  WriteDirect(model, direct);
  auto read = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  bool same = read(lib) == read(direct);
  std::filesystem::remove(lib);
  std::filesystem::remove(direct);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  const int floors = gxrm::bench::TakeFloorsArg(argc, argv, 10);
  benchmark::Initialize(&argc, argv);
  if (!SameOutput()) {
    std::fprintf(stderr, "writer_bench: the library and direct pugixml wrote different files\n");
    return 1;
  }
  for (auto* bench : {benchmark::RegisterBenchmark("BM_WriterLibrary", BM_WriterLibrary),
                      benchmark::RegisterBenchmark("BM_WriterDirectPugixml", BM_WriterDirectPugixml)}) {
    bench->Arg(floors)->Unit(benchmark::kMillisecond)->Repetitions(3);
  }
  benchmark::RegisterBenchmark("BM_AddObj", BM_AddObj)->Arg(5)->Arg(500)->Iterations(20000)->Repetitions(3);
  gxrm::bench::RatioReporter reporter({
      {"writer library / direct pugixml", "BM_WriterLibrary", 0, "BM_WriterDirectPugixml", 0, 1.3},
      {"AddObj 500 floors / 5 floors", "BM_AddObj", 1, "BM_AddObj", 0, 1.5},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
