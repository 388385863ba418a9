#include "browse_harness.h"

#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/errors.h"
#include "runtime/frontend/constants.h"
#include "runtime/frontend/window_definition.h"
#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"

namespace fesk::browsetest {
namespace {

constexpr std::string_view kBrowseWindows = R"(
module "browsetest$WINDOWS"
window "LIST" mdi "Browse Test" size 200 160
  list 1 at 4 4 150 118 format "80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@"
)";

void createAndOpen(const apprt::FileDeclaration& file) {
  file.create();
  file.open(apprt::kOpenSharedReadWrite);
  ASSERT_EQ(apprt::ERRCODE(), 0) << file.fileName() << ": " << apprt::FILEERRORMSG();
}

}  // namespace

std::vector<std::string> queueTexts(const Row& row) {
  return {row.first, row.second};
}

std::ostream& operator<<(std::ostream& os, const HandOver& h) {
  return os << "{" << h.action << ", \"" << h.record << "\"}";
}

std::string code(int n) {
  std::string digits = std::to_string(n);
  return "C" + std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits;
}

std::vector<std::string> codes(int from, int to) {
  std::vector<std::string> all;
  if (from <= to) {
    for (int n = from; n <= to; ++n) all.push_back(code(n));
  } else {
    for (int n = from; n >= to; --n) all.push_back(code(n));
  }
  return all;
}

BrowseProcedure::BrowseProcedure(const apprt::FileDeclaration& file,
                                 const apprt::KeyDeclaration& key)
    : key(&key), file_(file) {}

void BrowseProcedure::operator()() {
  file_.open(apprt::kOpenSharedReadWrite);
  if (useView) view = std::make_unique<apprt::View>(file_);
  apprt::loadWindow("browsetest$WINDOWS", "LIST");
  apprt::bindList(kList, rows);
  apprt::setProp(kList, apprt::kPropVScroll, 1);  // the list has a vertical scroll bar
  apprt::openWindow();
  apprt::startEventLoop();
  while (!apprt::endEventLoop()) {
    const int event = apprt::EVENT();
    if (event == apprt::kEventOpenWindow) {
      drive();
    } else if (apprt::FIELD() == kList) {
      if (event == apprt::kEventAlertKey && apprt::KEYCODE() == kRunCommandsKey)
        runCommands();
      else
        drive();
    }
  }
  apprt::closeWindow();
  apprt::freeWindow();
  if (view) view->close();
  file_.close();
}

void BrowseProcedure::drive() {
  if (KX_BrowseProp(kList, kBrowseRegistered, 0, true) == 0) {
    if (!KX_InitBrowse(kList, static_cast<uint16_t>(apprt::THREAD()), 0, true)) return;
    if (afterRegistration) afterRegistration();
  }
  for (int calls = 0; calls < 100000; ++calls) {
    const BrowseRange currentRange = range ? range() : BrowseRange{};
    KX_RunBrowse(kList, file_, view.get(), *key, rows, rows.buffer.POSITION, currentRange, fixed);
    const int action = KX_BrowseProp(kList, kBrowseAction, 0, true);
    if (action == kActionFillRow) {
      rows.buffer.first = file_.field(0).text();
      rows.buffer.second = file_.field(1).text();
      {
        std::lock_guard lock(mutex_);
        ++fills_;
      }
      if (skip && skip()) KX_BrowseProp(kList, kBrowseSkipRecord, 1, false);
      continue;
    }
    if (action == kActionEventDone || action < 0) return;
    if (action != kActionRecordRead && action != kActionRefreshButtons) {
      std::lock_guard lock(mutex_);
      handOvers_.push_back({action, file_.field(0).text()});
    }
    if (handOver) handOver(action);
  }
  ADD_FAILURE() << "the engine never answered 12";
}

std::vector<HandOver> BrowseProcedure::takeHandOvers() {
  std::lock_guard lock(mutex_);
  return std::exchange(handOvers_, {});
}

int BrowseProcedure::takeFills() {
  std::lock_guard lock(mutex_);
  return std::exchange(fills_, 0);
}

void BrowseProcedure::queueCommand(std::function<void()> command) {
  std::lock_guard lock(mutex_);
  commands_.push_back(std::move(command));
}

void BrowseProcedure::runCommands() {
  for (;;) {
    std::function<void()> command;
    {
      std::lock_guard lock(mutex_);
      if (commands_.empty()) return;
      command = std::move(commands_.front());
      commands_.pop_front();
    }
    command();
  }
}

void BrowseTest::SetUp() {
  ASSERT_TRUE(apprt::setDataDirectory(dataDirectory_.path()));
  BRCODES.bindDriver(sqlite::defaultDriver());
  BRITEMS.bindDriver(sqlite::defaultDriver());
  apprt::registerWindowDefinitions(kBrowseWindows);
  BrowseRegistry.defaults.ExtVScroll = 0;  // as the program sets it at start-up
  createAndOpen(BRCODES);
  createAndOpen(BRITEMS);
}

void BrowseTest::TearDown() {
  session.reset();
  BRCODES.close();
  BRITEMS.close();
}

void BrowseTest::addCodes(int count) {
  for (int n = 1; n <= count; ++n) addCode(code(n), "N" + code(n).substr(1));
}

void BrowseTest::addCode(const std::string& codeValue, const std::string& name) {
  BRCODES.clear();
  BRCODES.buffer().CODE = codeValue;
  BRCODES.buffer().NAME = name;
  BRCODES.add();
  ASSERT_EQ(apprt::ERRCODE(), 0) << codeValue;
}

void BrowseTest::addItem(const std::string& codeValue, const std::string& number) {
  BRITEMS.clear();
  BRITEMS.buffer().CODE = codeValue;
  BRITEMS.buffer().NUMBER = number;
  BRITEMS.add();
  ASSERT_EQ(apprt::ERRCODE(), 0) << codeValue << " " << number;
}

void BrowseTest::open(BrowseProcedure& browse) {
  procedure = &browse;
  session = std::make_unique<headless::Session>([&browse] { browse(); });
}

void BrowseTest::inProcedure(const std::function<void()>& command) {
  procedure->queueCommand(command);
  session->keyCode(kRunCommandsKey);
}

apprt::ControlView BrowseTest::list() const {
  return *session->current().control(kList);
}

void BrowseTest::otherUser(const std::string& codeValue, const std::function<void()>& change) {
  BRCODES.clear();
  BRCODES.buffer().CODE = codeValue;
  BRCODES.setOnKeyValue(CODE_KEY);
  BRCODES.next();
  ASSERT_EQ(BRCODES.buffer().CODE.text(), codeValue);
  change();
  ASSERT_EQ(apprt::ERRCODE(), 0);
}

std::vector<std::string> BrowseTest::shownFirst() const {
  std::vector<std::string> first;
  for (const auto& row : list().rows) first.push_back(row.at(0));
  return first;
}

int BrowseTest::selectedRow() const {
  return list().selected;
}

bool BrowseTest::scrollBarShown() const {
  return list().scrollBar;
}

int BrowseTest::thumb() const {
  return list().thumb;
}

int BrowseTest::beeps() const {
  return session->frontEnd().beeps();
}

}  // namespace fesk::browsetest
