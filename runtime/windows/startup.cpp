#include "runtime/windows/startup.h"

#include <mutex>

namespace apprt {
namespace {
std::mutex gStartupMutex;
std::vector<StartupEntry> gTable;
bool gRan = false;
}  // namespace

void sysinit(const std::vector<StartupEntry>& table) {
  std::lock_guard lock(gStartupMutex);
  gTable = table;
  gRan = false;
}

void runStartupRoutines() {
  std::vector<StartupEntry> table;
  {
    std::lock_guard lock(gStartupMutex);
    if (gRan) return;
    gRan = true;
    table = gTable;
  }
  for (const auto& entry : table)
    if (entry.kind == kStartupRoutineKind && entry.routine) entry.routine(0);
}

int checkVersion(int version, int, int) {
  return version == kRuntimeVersion ? 1 : 0;
}

}  // namespace apprt
