#include "drop_browse_window.h"

#include <ostream>

#include "browse/browse_registry.h"
#include "runtime/frontend/window_definition.h"
#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"

namespace fesk::browsetest {
namespace {

constexpr std::string_view kDropWindows = R"(
module "droptest$WINDOWS"
window "DROP" mdi "Drop Test" size 200 160
  droplist 1 at 4 4 150 62 format "80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@"
  dropcombo 2 at 4 80 150 62 format "80L(2)|M~code~L(2)@S20@"
  button 3 "&OK" at 4 146 40 12
)";

constexpr int kRunCommands = apprt::kEventUser + 7;

}  // namespace

std::ostream& operator<<(std::ostream& os, const LoggedEvent& e) {
  return os << "{" << e.event << ", " << e.field << "}";
}

void DropBrowseTest::SetUp() {
  BrowseTest::SetUp();
  apprt::registerWindowDefinitions(kDropWindows);
}

void DropBrowseTest::openDropWindow(int codes, bool registerCombo) {
  addCodes(codes);
  session =
      std::make_unique<headless::Session>([this, registerCombo] { procedure(registerCombo); });
  session->waitIdle();
  takeEvents();
}

void DropBrowseTest::procedure(bool registerCombo) {
  BRCODES.open(apprt::kOpenSharedReadWrite);
  apprt::loadWindow("droptest$WINDOWS", "DROP");
  apprt::bindList(kDropList, browse.rows);
  apprt::bindList(kDropCombo, comboRows_);
  apprt::openWindow();
  apprt::startEventLoop();
  int step = apprt::kLoopStepDefault;
  while (!apprt::endEventLoop(step)) {
    step = apprt::kLoopStepDefault;
    const int event = apprt::EVENT();
    const int field = apprt::FIELD();
    if (event == kRunCommands) {
      browse.runCommands();
      continue;
    }
    if (event != apprt::kEventSelected) {
      std::lock_guard lock(mutex_);
      events_.push_back({event, field});
    }
    if (event == apprt::kEventCloseWindow && refuseClose) {
      step = apprt::kLoopStepConsumed;
    } else if (event == apprt::kEventOpenWindow) {
      browse.drive();
      if (registerCombo) KX_InitBrowse(kDropCombo, static_cast<uint16_t>(apprt::THREAD()), 0, true);
    } else if (field == kDropList) {  // the engine answers at once what is not its own
      browse.drive();
    }
  }
  apprt::closeWindow();
  apprt::freeWindow();
  BRCODES.close();
}

void DropBrowseTest::inDropProcedure(std::function<void()> command) {
  browse.queueCommand(std::move(command));
  apprt::POST(kRunCommands, 0, session->current().handle);
  session->waitIdle();
}

std::vector<LoggedEvent> DropBrowseTest::takeEvents() {
  session->waitIdle();
  std::lock_guard lock(mutex_);
  return std::exchange(events_, {});
}

int DropBrowseTest::count(const std::vector<LoggedEvent>& events, int number) {
  int n = 0;
  for (const auto& e : events) n += e.event == number ? 1 : 0;
  return n;
}

int DropBrowseTest::droppedDown() {
  int answer = -1;
  inDropProcedure([&answer] { answer = KX_BrowseProp(kDropList, kBrowseDroppedDown, 0, true); });
  return answer;
}

apprt::ControlView DropBrowseTest::dropList() const {
  return *session->current().control(kDropList);
}

}  // namespace fesk::browsetest
