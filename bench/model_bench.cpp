// model_bench: the model interface against the host interface on the
// writer benchmark's large model.
// - load: gxrm::Model::Load against CGXRMreader::LoadGXRMfile, in CPU time
//   of the whole process (a large load reads on two threads)
//   and in peak memory (each measured in a forked child, as reader_bench
//   does); target at most 1.2 for both.
// - select: Model::Select("type=框架柱 objAtt.材质=C30混凝土") against a plain
//   loop over the reader's records of that type on every floor, which first
//   has to read them (GetObjList), as a host without the model does.
// - edit: 10 000 Component::Set calls and a save against the save alone;
//   target at most 1.5.
//
// Default (CI): 3 floors.  Full measurement: model_bench --floors=50
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "LargeModel.h"
#include "PeakMemory.h"
#include "RatioReporter.h"
#include "core/GXRMtext.h"
#include "model/GXRMmodel.h"
#include "reader/CGXRMreader.h"

namespace {

using gxrm::bench::PeakKiB;

constexpr char kQuery[] = "type=框架柱 objAtt.材质=C30混凝土";
constexpr int kSets = 10000;

std::string g_path;  // the model file, written once
std::string g_out;   // where the edit benchmarks save

void BM_LoadReader(benchmark::State& state) {
  for (auto _ : state) {
    CGXRMreader reader;
    if (!reader.LoadGXRMfile(g_path)) throw std::runtime_error("the reader cannot load the model");
    benchmark::DoNotOptimize(reader);
  }
}

void BM_LoadModel(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(gxrm::Model::Load(g_path));
}

// The query's columns through the reader's records.
size_t LoopOverRecords(CGXRMreader& reader) {
  const CString material = gxrm::FromUtf8("材质");
  const CString wanted = gxrm::FromUtf8("C30混凝土");
  CStringArray floors;
  reader.GetFloorNames(floors);
  std::vector<CGXRMobj> objs;
  reader.GetObjList(GXRM_objType_base::FRAME_COLUMN, objs);
  for (const CString& floor : floors) reader.GetObjList(floor, GXRM_objType_base::FRAME_COLUMN, objs);
  size_t found = 0;
  for (const CGXRMobj& obj : objs) {
    for (const CGXRMnode& record : obj.AttList()) {
      if (record.GetNamedAtt(material) == wanted) {
        ++found;
        break;
      }
    }
  }
  return found;
}

void BM_SelectLoop(benchmark::State& state) {
  CGXRMreader reader;
  reader.LoadGXRMfile(g_path);
  for (auto _ : state) benchmark::DoNotOptimize(LoopOverRecords(reader));
}

void BM_SelectModel(benchmark::State& state) {
  const gxrm::Model model = gxrm::Model::Load(g_path);
  for (auto _ : state) benchmark::DoNotOptimize(model.Select(kQuery));
}

void BM_Save(benchmark::State& state) {
  const gxrm::Model model = gxrm::Model::Load(g_path);
  for (auto _ : state) model.Save(g_out);
}

void BM_SetAndSave(benchmark::State& state) {
  gxrm::Model model = gxrm::Model::Load(g_path);
  std::vector<gxrm::Component> all = model.Select();
  if (all.empty()) throw std::runtime_error("the model holds no instances");
  int round = 0;
  for (auto _ : state) {
    const std::string value = std::to_string(++round);
    for (int i = 0; i < kSets; ++i) all[i % all.size()].Set("objAtt.编号", value);
    model.Save(g_out);
  }
}

void ReportMemory() {
  long idle = PeakKiB([] {});
  long reader = PeakKiB([] {
                  CGXRMreader r;
                  r.LoadGXRMfile(g_path);
                }) -
                idle;
  long model = PeakKiB([] { gxrm::Model::Load(g_path); }) - idle;
  double ratio = static_cast<double>(model) / static_cast<double>(reader);
  std::printf("peak memory above an idle child (%ld KiB): model %ld KiB, reader %ld KiB\n", idle, model,
              reader);
  std::printf("memory model / reader load: %.2f (target at most 1.2) %s\n", ratio,
              ratio <= 1.2 ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  const int floors = gxrm::bench::TakeFloorsArg(argc, argv, 3);
  benchmark::Initialize(&argc, argv);
  const auto tmp = std::filesystem::temp_directory_path();
  g_path = (tmp / "model_bench.gxrm").string();
  g_out = (tmp / "model_bench_out.gxrm").string();
  // Written in a child, so that this process starts small for the memory children.
  PeakKiB([floors] { gxrm::bench::WriteWithLibrary(gxrm::bench::LargeModel::Make(floors), g_path); });
  std::printf("model: %d floors, %.1f MB\n", floors, std::filesystem::file_size(g_path) / 1e6);
  ReportMemory();
  {
    CGXRMreader reader;
    reader.LoadGXRMfile(g_path);
    const size_t loop = LoopOverRecords(reader);
    const size_t selected = gxrm::Model::Load(g_path).Select(kQuery).size();
    if (loop != selected || loop == 0) {
      std::fprintf(stderr, "model_bench: the query found %zu columns, the loop %zu\n", selected, loop);
      return 1;
    }
  }
  for (auto* bench : {benchmark::RegisterBenchmark("BM_LoadModel", BM_LoadModel),
                      benchmark::RegisterBenchmark("BM_LoadReader", BM_LoadReader),
                      benchmark::RegisterBenchmark("BM_SelectModel", BM_SelectModel),
                      benchmark::RegisterBenchmark("BM_SelectLoop", BM_SelectLoop),
                      benchmark::RegisterBenchmark("BM_SetAndSave", BM_SetAndSave),
                      benchmark::RegisterBenchmark("BM_Save", BM_Save)}) {
    bench->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Repetitions(3);
  }
  gxrm::bench::RatioReporter reporter({
      {"time model load / reader load", "BM_LoadModel", 0, "BM_LoadReader", 0, 1.2},
      {"time select / loop over records (lower is better)", "BM_SelectModel", 0, "BM_SelectLoop", 0, 1.0},
      {"time 10 000 sets and a save / the save", "BM_SetAndSave", 0, "BM_Save", 0, 1.5},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove(g_path);
  std::filesystem::remove(g_out);
  return 0;
}
