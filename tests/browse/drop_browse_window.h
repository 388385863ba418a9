#pragma once
// A window that browses in a drop-down list: the browse harness's engine
// driver over BRCODES in drop-down list 1, a second drop-down list that can be
// registered as a browse too, and a button. Its procedure logs every event it
// takes and runs commands that a test hands it between events.

#include <functional>
#include <mutex>
#include <vector>

#include "browse_harness.h"
#include "runtime/frontend/constants.h"

namespace fesk::browsetest {

inline constexpr int kDropList = kList;  // the harness's engine driver drives field 1
inline constexpr int kDropCombo = 2;
inline constexpr int kDropOk = 3;

struct LoggedEvent {
  int event;
  int field;
  bool operator==(const LoggedEvent&) const = default;
};
std::ostream& operator<<(std::ostream& os, const LoggedEvent& e);

class DropBrowseTest : public BrowseTest {
 protected:
  void SetUp() override;

  // Starts the program with the drop window over `codes` codes; the list shows
  // its first page. `registerCombo` registers drop-down list 2 as well.
  void openDropWindow(int codes, bool registerCombo = false);
  // Runs `command` in the procedure thread between two events and waits until
  // the program is idle again.
  void inDropProcedure(std::function<void()> command);
  // The events taken since the last call, other than focus changes
  // (kEventSelected).
  std::vector<LoggedEvent> takeEvents();
  // The events numbered `number` among those.
  static int count(const std::vector<LoggedEvent>& events, int number);
  // Answers the browse's DROPPEDDOWN, read in the procedure thread.
  int droppedDown();
  apprt::ControlView dropList() const;

  BrowseProcedure browse{BRCODES, CODE_KEY};
  bool refuseClose = false;  // the procedure keeps its window open when asked to close

 private:
  void procedure(bool registerCombo);

  apprt::Queue<Row> comboRows_;
  std::mutex mutex_;
  std::vector<LoggedEvent> events_;
};

}  // namespace fesk::browsetest
