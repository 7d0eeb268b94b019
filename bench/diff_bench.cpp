// diff_bench: `gxrm diff` of the large model against a copy with a handful of
// changes, beside `gxrm info` on one of them (target: diff at most twice
// as long), and diff's peak memory beside the library loading both
// files in one process (target: at most twice).
//
// Both commands run as child processes, as a user runs them; each run's peak
// memory is the child's own ru_maxrss (wait4).
//
// Default (CI): 3 floors.  Full measurement: diff_bench --floors=50
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "LargeModel.h"
#include "reader/CGXRMreader.h"

extern char** environ;

namespace {

std::string g_old, g_new;

// Runs the gxrm tool with `args`, output discarded; the child's peak KiB.
long RunTool(std::vector<std::string> args) {
  args.insert(args.begin(), GXRM_TOOL);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (failed != 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
    throw std::runtime_error("gxrm failed");
  return usage.ru_maxrss;
}

// The library loading both files, in a forked child; its peak KiB.
long LoadBothKiB() {
  const pid_t pid = fork();
  if (pid == 0) {
    CGXRMreader a, b;
    _exit(a.LoadGXRMfile(g_old) && b.LoadGXRMfile(g_new) ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("loading failed");
  return usage.ru_maxrss;
}

void BM_Info(benchmark::State& state) {
  for (auto _ : state) RunTool({"info", g_old});
}

void BM_Diff(benchmark::State& state) {
  for (auto _ : state) RunTool({"diff", g_old, g_new});
}

// The old model, and the same with five instances more on its last floor.
void WriteModels(int floors) {
  const pid_t pid = fork();
  if (pid == 0) {
    gxrm::bench::LargeModel model = gxrm::bench::LargeModel::Make(floors);
    gxrm::bench::WriteWithLibrary(model, g_old);
    CGXRMwriter writer;
    gxrm::bench::BuildWithLibrary(model, writer);
    for (int i = 0; i < 5; ++i) {
      const CGXRMobj& like = model.instances[i];
      CGXRMobj extra(like.GetName() + "+", "new" + std::to_string(i), like.GetType());
      for (const CGXRMnode& att : like.GetAttList()) extra.AddAttNode(att);
      writer.AddObj(model.floor_names.back(), extra);
    }
    writer.SaveGXRMinstance(g_new);
    _exit(0);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("writing the models failed");
}

void ReportMemory() {
  const long both = LoadBothKiB();
  const long diff = RunTool({"diff", g_old, g_new});
  const double ratio = static_cast<double>(diff) / static_cast<double>(both);
  std::printf("peak memory: gxrm diff %ld KiB, the library loading both %ld KiB\n", diff, both);
  std::printf("memory diff / loading both: %.2f (target at most 2) %s\n", ratio,
              ratio <= 2 ? "ok" : "MISSED");
}

// The console output plus the time ratio of the fastest repetitions.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      auto [it, fresh] = best_.emplace(run.run_name.function_name, run.GetAdjustedRealTime());
      if (!fresh) it->second = std::min(it->second, run.GetAdjustedRealTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    if (best_.count("BM_Diff") == 0 || best_.count("BM_Info") == 0) return;
    const double ratio = best_["BM_Diff"] / best_["BM_Info"];
    std::printf("time diff / info: %.2f (target at most 2) %s\n", ratio, ratio <= 2 ? "ok" : "MISSED");
  }

 private:
  std::map<std::string, double> best_;
};

}  // namespace

int main(int argc, char** argv) {
  const int floors = gxrm::bench::TakeFloorsArg(argc, argv, 3);
  benchmark::Initialize(&argc, argv);
  const auto dir = std::filesystem::temp_directory_path();
  g_old = (dir / "diff_bench_old.gxrm").string();
  g_new = (dir / "diff_bench_new.gxrm").string();
  WriteModels(floors);
  std::printf("model: %d floors, %.1f MB\n", floors, std::filesystem::file_size(g_old) / 1e6);
  ReportMemory();
  for (auto* bench :
       {benchmark::RegisterBenchmark("BM_Info", BM_Info), benchmark::RegisterBenchmark("BM_Diff", BM_Diff)}) {
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(3);
  }
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::filesystem::remove(g_old);
  std::filesystem::remove(g_new);
  return 0;
}
