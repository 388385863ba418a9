// The process-wide handle table: every window and control's handle, class
// name, owner and window procedure.

#include <map>
#include <mutex>
#include <utility>

#include "runtime/windows/window_model.h"

namespace apprt {
namespace {

// The handle table is read by front-end threads (to route input) as well, so
// it has a lock of its own besides the program lock.
std::mutex gHandlesMutex;
std::map<int, HandleEntry>& handles() {
  static std::map<int, HandleEntry> table;
  return table;
}
int gNextHandle = 0x1000;

}  // namespace

int newHandle(int window, int field, int thread, int parent, std::string className) {
  std::lock_guard lock(gHandlesMutex);
  int h = gNextHandle++;
  handles()[h] = HandleEntry{
      h, window == 0 ? h : window, field, thread, parent, std::move(className), runtimeWindowProc};
  return h;
}

HandleEntry* findHandle(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? nullptr : &it->second;
}

void forgetHandle(int handle) {
  std::lock_guard lock(gHandlesMutex);
  handles().erase(handle);
}

int ownerThread(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? 0 : it->second.thread;
}

std::vector<int> childHandles(int parent) {
  std::vector<int> children;
  std::lock_guard lock(gHandlesMutex);
  for (auto& [h, e] : handles())
    if (e.parent == parent && h != parent) children.push_back(h);
  return children;
}

bool isWindowHandle(int handle) {
  return findHandle(handle) != nullptr;
}

WindowProc setWindowProc(int handle, WindowProc proc) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  if (it == handles().end()) return nullptr;
  return std::exchange(it->second.proc, proc);
}

WindowProc windowProc(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? nullptr : it->second.proc;
}

std::string className(int handle) {
  std::lock_guard lock(gHandlesMutex);
  auto it = handles().find(handle);
  return it == handles().end() ? std::string() : it->second.className;
}

}  // namespace apprt
