// RatioReporter: Google Benchmark's console output followed by the ratios of
// the fastest repetitions, each against its target. A ratio compares CPU
// times, which other load on a shared machine disturbs less, unless it asks
// for wall time (what a user waits for when the work runs on several
// threads); the output says which.
//
//   gxrm::bench::RatioReporter reporter({{"library / direct", "BM_A", 0, "BM_B", 0, 1.5}});
//   benchmark::RunSpecifiedBenchmarks(&reporter);
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace gxrm::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // `what`: `a` over `b`, each a benchmark function and the index of its argument.
  struct Ratio {
    std::string what;
    std::string a;
    size_t a_arg;
    std::string b;
    size_t b_arg;
    double target;
    bool wall = false;  // compare wall times instead of CPU times
  };

  explicit RatioReporter(std::vector<Ratio> ratios) : ratios_(std::move(ratios)) {}

  // Keeps the fastest repetition of each argument, the least disturbed one.
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      auto& times = times_[run.run_name.function_name];
      auto& args = args_[run.run_name.function_name];
      const std::pair<double, double> time{run.GetAdjustedCPUTime(), run.GetAdjustedRealTime()};
      if (times.empty() || args.back() != run.run_name.args) {
        times.push_back(time);
        args.push_back(run.run_name.args);
      } else {
        times.back() = {std::min(times.back().first, time.first), std::min(times.back().second, time.second)};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("ratios of the fastest repetition of each:\n");
    for (const Ratio& r : ratios_) {
      if (times_[r.a].size() <= r.a_arg || times_[r.b].size() <= r.b_arg) continue;
      const auto& a = times_[r.a][r.a_arg];
      const auto& b = times_[r.b][r.b_arg];
      const double ratio = r.wall ? a.second / b.second : a.first / b.first;
      std::printf("%s (%s): %.2f (target at most %.2f) %s\n", r.what.c_str(), r.wall ? "wall" : "CPU", ratio,
                  r.target, ratio <= r.target ? "ok" : "MISSED");
    }
  }

 private:
  std::vector<Ratio> ratios_;
  // CPU and wall time by function, one pair per argument
  std::map<std::string, std::vector<std::pair<double, double>>> times_;
  std::map<std::string, std::vector<std::string>> args_;  // the arguments of times_
};

}  // namespace gxrm::bench
