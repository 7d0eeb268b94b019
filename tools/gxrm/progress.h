// progress.h: a single updating progress line on standard error.
//
// Shown only when standard error is a terminal and the work has already
// taken a moment, so small models and redirected runs stay quiet.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace gxrm::tool {

class Progress {
 public:
  Progress(std::string label, std::size_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Reports that `done` of the total steps are finished.
  void Update(std::size_t done);

 private:
  using Clock = std::chrono::steady_clock;
  std::string label_;
  std::size_t total_;
  bool enabled_;
  bool shown_ = false;
  Clock::time_point start_ = Clock::now();
  Clock::time_point last_ = start_;
};

}  // namespace gxrm::tool
