#include "browse/list_following.h"

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"
#include "browse/inline_edit.h"
#include "runtime/files/data_set_change.h"
#include "runtime/files/thread_wait.h"
#include "runtime/frontend/constants.h"
#include "runtime/frontend/frontend.h"
#include "runtime/text/key_text.h"
#include "runtime/threads/program.h"
#include "runtime/windows/message_layer.h"

namespace fesk {
namespace {

using Clock = std::chrono::steady_clock;

// A reload posted this long ago and still not served was lost (a nested loop
// that is not the list's took it): the next change posts another.
constexpr auto kReloadLost = std::chrono::seconds(2);

struct Follower {
  int32_t window = 0;
  int16_t field = 0;  // 0 for a form: the event is the window's
  int thread = 0;
  std::string file{};  // "" until the engine first read for it
  int event = kEventReloadSelected;
  bool owed = false;    // a change came that the list has not been read again for
  bool posted = false;  // its reload waits in the window's queue
  Clock::time_point postedAt{};
};

// Reached from the watch's thread and from procedure threads: a lock of its own.
std::mutex gMutex;
using Followers = std::map<int32_t, Follower>;
// Lists by their browse handle.
Followers& followers() {
  static Followers all;
  return all;
}
// Forms by their window handle.
Followers& forms() {
  static Followers all;
  return all;
}

bool showsFile(const Follower& f, const std::string& fileName) {
  return fileName == apprt::kAnyDataFile || f.file.empty() || apprt::sameKeyText(f.file, fileName);
}

// On the watch's thread: note what is owed and wake the threads concerned.
void hearChange(const std::string& fileName) {
  std::set<int> threads;
  {
    std::lock_guard lock(gMutex);
    const auto now = Clock::now();
    for (Followers* all : {&followers(), &forms()}) {
      for (auto& [handle, f] : *all) {
        if (!showsFile(f, fileName)) continue;
        if (f.posted && now - f.postedAt < kReloadLost) continue;
        f.posted = false;
        f.owed = true;
        threads.insert(f.thread);
      }
    }
  }
  for (int thread : threads) apprt::wakeThread(thread);
}

// An in-line row is being typed into, or the engine is moving the edit to
// the next row: no list is read again under it.
bool editRunning() {
  return EditInProgress.Step != kEditOver || engineState().EditState != kEditStateNone;
}

// In a procedure thread about to wait, under the program lock: post the
// reloads owed to its lists. The post goes through the thread's inbox, so the
// wait that follows ends at once and the loop takes the reload.
void postOwedReloads() {
  const int me = apprt::THREAD();
  if (me == 0 || editRunning()) return;
  struct Due {
    Followers* among;
    int32_t handle;
    Follower follower;
  };
  std::vector<Due> due;
  std::set<int> others;
  {
    std::lock_guard lock(gMutex);
    for (Followers* all : {&followers(), &forms()}) {
      for (auto& [handle, f] : *all) {
        if (!f.owed) continue;
        if (f.thread != me) {
          others.insert(f.thread);  // held back by an edit that is over now
          continue;
        }
        f.owed = false;
        f.posted = true;
        f.postedAt = Clock::now();
        due.push_back({all, handle, f});
      }
    }
  }
  for (const auto& [among, handle, f] : due) {
    if (apprt::postMessage(f.window, apprt::kMsgPostEvent, f.event, f.field)) continue;
    std::lock_guard lock(gMutex);
    among->erase(handle);  // its window is gone
  }
  for (int thread : others) apprt::wakeThread(thread);
}

void startFollowing() {
  static std::once_flag once;
  std::call_once(once, [] {
    apprt::hearDataSetChanges(hearChange);
    apprt::onThreadWillWait(postOwedReloads);
  });
}

}  // namespace

void FollowChanges(int32_t listHandle, int32_t windowHandle, int16_t listField, int thread) {
  startFollowing();
  std::lock_guard lock(gMutex);
  followers()[listHandle] = Follower{.window = windowHandle, .field = listField, .thread = thread};
}

void FollowChangesInForm(int32_t windowHandle, const std::string& fileName, int event) {
  startFollowing();
  std::lock_guard lock(gMutex);
  forms()[windowHandle] =
      Follower{.window = windowHandle, .thread = apprt::THREAD(), .file = fileName, .event = event};
}

void ServeFollowedChange(int32_t windowHandle) {
  std::lock_guard lock(gMutex);
  auto it = forms().find(windowHandle);
  if (it != forms().end()) it->second.posted = false;
}

void StopFollowingInForm(int32_t windowHandle) {
  std::lock_guard lock(gMutex);
  forms().erase(windowHandle);
}

void NoteFileShown(int32_t listHandle, const std::string& fileName) {
  std::lock_guard lock(gMutex);
  auto it = followers().find(listHandle);
  if (it != followers().end() && it->second.file != fileName) it->second.file = fileName;
}

void ServeFollowedReload(int32_t listHandle) {
  Follower served;
  {
    std::lock_guard lock(gMutex);
    auto it = followers().find(listHandle);
    if (it == followers().end() || !it->second.posted) return;
    it->second.posted = false;
    served = it->second;
  }
  apprt::frontEnd().listFollowedChanges(served.window, served.field);
}

}  // namespace fesk
