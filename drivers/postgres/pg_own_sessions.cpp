#include "drivers/postgres/pg_own_sessions.h"

#include <map>
#include <mutex>

namespace fesk::postgres {
namespace {

std::mutex gMutex;  // sessions of every thread, and the listener's thread
// Never destroyed: a connection kept by a driver that lives as long as the
// process forgets its session at the process's very end.
std::map<const void*, int>& backends() {
  static auto* all = new std::map<const void*, int>;
  return *all;
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
