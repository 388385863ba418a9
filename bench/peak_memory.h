#pragma once
// The peak memory of a piece of work, measured in a process of its own so
// that what the measuring process holds does not count.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace fesk::bench {

// Runs `work` in a child process; answers its peak resident set in kilobytes,
// or -1 when it failed.
inline long peakKilobytesOf(const std::function<bool()>& work) {
  const pid_t child = fork();
  if (child == 0) _exit(work() ? 0 : 1);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? usage.ru_maxrss : -1;
}

}  // namespace fesk::bench
