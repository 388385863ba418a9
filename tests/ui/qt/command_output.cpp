#include "command_output.h"

#include <sys/wait.h>

#include <cstdio>

namespace fesk::qt::test {

std::string commandOutput(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  const int ended = pclose(pipe);
  if (status) *status = WIFEXITED(ended) ? WEXITSTATUS(ended) : -1;
  return out;
}

}  // namespace fesk::qt::test
