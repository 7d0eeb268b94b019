// load_bench: CGXRMreader::LoadGXRMfile against expat alone on the same file.
//
// BM_Load loads the large model through the reader (the document freed
// outside the timing); BM_Expat reads the same file in 1 MiB pieces into
// expat with no handlers, the least a strict parser does. The two run in
// turn, five times each, in one process; the last lines give the ratios of
// their fastest runs: wall time (target: at most 1.0) and CPU time of the
// whole process, both threads of the load counted (target: at most 1.6).
// BM_LoadOneCore and BM_StrictOneCore run on one processor: the load there
// reads on one thread, against the strict way of reading, which is what
// every load took before loads went parallel (target: no slower).
//
// Default (CI): 3 floors.  Full measurement: load_bench --floors=50
#include <benchmark/benchmark.h>
#include <expat.h>
#include <sched.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "LargeModel.h"
#include "PeakMemory.h"
#include "RatioReporter.h"
#include "core/GXRMdomLoadImpl.h"
#include "reader/CGXRMreader.h"

namespace {

std::string g_path;  // the model file, written once

void LoadWithReader() {
  auto reader = std::make_unique<CGXRMreader>();
  if (!reader->LoadGXRMfile(g_path)) throw std::runtime_error("the reader cannot load " + g_path);
}

void BM_Load(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto reader = std::make_unique<CGXRMreader>();
    state.ResumeTiming();
    if (!reader->LoadGXRMfile(g_path)) state.SkipWithError("the reader cannot load the model");
    state.PauseTiming();
    reader.reset();
    state.ResumeTiming();
  }
}

void BM_Expat(benchmark::State& state) {
  constexpr int kPiece = 1 << 20;
  for (auto _ : state) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(g_path.c_str(), "rb"), std::fclose);
    XML_Parser parser = XML_ParserCreate(nullptr);
    for (bool last = false; !last;) {
      void* buffer = XML_GetBuffer(parser, kPiece);
      const size_t n = std::fread(buffer, 1, kPiece, file.get());
      last = n < static_cast<size_t>(kPiece);
      if (XML_ParseBuffer(parser, static_cast<int>(n), last) != XML_STATUS_OK) {
        state.SkipWithError("expat refused the model");
      }
    }
    XML_ParserFree(parser);
  }
}

// Runs `work` with the calling thread on the first processor it may use.
template <typename Work>
void OnOneCore(benchmark::State& state, Work work) {
  cpu_set_t all;
  cpu_set_t one;
  sched_getaffinity(0, sizeof all, &all);
  CPU_ZERO(&one);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (CPU_ISSET(cpu, &all)) {
      CPU_SET(cpu, &one);
      break;
    }
  }
  sched_setaffinity(0, sizeof one, &one);
  for (auto _ : state) {
    state.PauseTiming();
    gxrm::dom::Document doc = gxrm::dom::Document::create();
    state.ResumeTiming();
    if (!work(doc)) state.SkipWithError("the model does not load");
    state.PauseTiming();
    doc = gxrm::dom::Document();
    state.ResumeTiming();
  }
  sched_setaffinity(0, sizeof all, &all);
}

void BM_LoadOneCore(benchmark::State& state) {
  OnOneCore(state, [](gxrm::dom::Document& doc) { return doc.load(g_path); });
}

void BM_StrictOneCore(benchmark::State& state) {
  gxrm::dom::detail::LoadOptions strict;
  strict.parallel_from = static_cast<size_t>(-1);
  OnOneCore(state,
            [&](gxrm::dom::Document& doc) { return gxrm::dom::detail::LoadFile(doc, g_path, strict); });
}

void Register(const char* name, void (*function)(benchmark::State&)) {
  benchmark::RegisterBenchmark(name, function)
      ->Unit(benchmark::kMillisecond)
      ->Iterations(1)
      ->UseRealTime()
      ->MeasureProcessCPUTime();
}

}  // namespace

int main(int argc, char** argv) {
  const int floors = gxrm::bench::TakeFloorsArg(argc, argv, 3);
  benchmark::Initialize(&argc, argv);
  g_path = (std::filesystem::temp_directory_path() / "load_bench.gxrm").string();
  // Written in a child, so that this process starts small.
  gxrm::bench::PeakKiB(
      [floors] { gxrm::bench::WriteWithLibrary(gxrm::bench::LargeModel::Make(floors), g_path); });
  std::printf("model: %d floors, %.1f MB\n", floors, std::filesystem::file_size(g_path) / 1e6);
  LoadWithReader();  // the file in the page cache for both sides
  for (int run = 0; run < 5; ++run) {
    Register("BM_Load", BM_Load);
    Register("BM_Expat", BM_Expat);
  }
  for (int run = 0; run < 3; ++run) {
    Register("BM_LoadOneCore", BM_LoadOneCore);
    Register("BM_StrictOneCore", BM_StrictOneCore);
  }
  gxrm::bench::RatioReporter reporter({
      {"LoadGXRMfile / expat alone", "BM_Load", 0, "BM_Expat", 0, 1.0, true},
      {"LoadGXRMfile / expat alone", "BM_Load", 0, "BM_Expat", 0, 1.6},
      {"load on one core / the strict way on one core", "BM_LoadOneCore", 0, "BM_StrictOneCore", 0, 1.05,
       true},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove(g_path);
  return 0;
}
