// progress.cpp: the progress line of sample, dump and build.
#include "progress.h"

#include <unistd.h>

#include <cstdio>
#include <utility>

namespace gxrm::tool {
namespace {
constexpr auto kQuietStart = std::chrono::milliseconds(300);  // small jobs never show a line
constexpr auto kInterval = std::chrono::milliseconds(100);    // redraw at most this often
}  // namespace

Progress::Progress(std::string label, std::size_t total)
    : label_(std::move(label)), total_(total), enabled_(isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
  if (shown_) std::fputs("\r\033[K", stderr);
}

void Progress::Update(std::size_t done) {
  if (!enabled_) return;
  const auto now = Clock::now();
  if (now - start_ < kQuietStart || now - last_ < kInterval) return;
  last_ = now;
  shown_ = true;
  std::fprintf(stderr, "\r%s: %zu/%zu", label_.c_str(), done, total_);
  std::fflush(stderr);
}

}  // namespace gxrm::tool
