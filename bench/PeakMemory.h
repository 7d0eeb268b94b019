// PeakMemory: the peak resident memory of one piece of work, measured by
// running it in a forked child and reading that child's own ru_maxrss.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace gxrm::bench {

// Runs `work` in a forked child; that child's peak resident set in KiB.
inline long PeakKiB(const std::function<void()>& work) {
  std::fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw std::runtime_error("the measuring child failed");
  }
  return usage.ru_maxrss;
}

}  // namespace gxrm::bench
