#include "drivers/postgres/pg_own_sessions.h"

#include <map>
#include <mutex>

namespace fesk::postgres {
namespace {

std::mutex gMutex;  // sessions of every thread, and the listener's thread
std::map<const void*, int>& backends() {
  static std::map<const void*, int> all;
  return all;
}

}  // namespace

void writesAs(const void* session, int backendPid) {
  std::lock_guard lock(gMutex);
  backends()[session] = backendPid;
}

void forgetSession(const void* session) {
  std::lock_guard lock(gMutex);
  backends().erase(session);
}

bool isOwnBackend(int backendPid) {
  std::lock_guard lock(gMutex);
  for (const auto& [session, pid] : backends())
    if (pid == backendPid) return true;
  return false;
}

}  // namespace fesk::postgres
