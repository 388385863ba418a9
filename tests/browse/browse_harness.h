#pragma once
// The browse test harness: a list window over a real SQLite file, driven
// headless. Its procedure follows the engine's calling protocol the way the
// program's browse procedures do: it registers the list on the first event,
// calls KX_RunBrowse until the engine answers kActionEventDone, fills a row
// from the record on kActionFillRow and hands every other action to the test.
// Tests press keys and click rows through the session and read what the list
// shows.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_view.h"
#include "runtime/windows/queue.h"
#include "support/temporary_directory.h"
#include "ui/headless/session.h"

namespace fesk::browsetest {

using apprt::FixedString;

// Codes with a name each: unique by code, names may repeat.
struct CodeRecord {
  FixedString<20> CODE;
  FixedString<20> NAME;
};
inline apprt::File<CodeRecord> BRCODES("BRCODES", {{"BRC:CODE", 20}, {"BRC:NAME", 20}},
                                       {{"BRC:KEYCODE", 6, {1}, "BRC:Keycode"},
                                        {"BRC:KEYNAME", 5, {2}, "BRC:Keyname"}});
inline const apprt::KeyDeclaration& CODE_KEY = BRCODES.key(0);
inline const apprt::KeyDeclaration& NAME_KEY = BRCODES.key(1);

// Numbered items under a code, the child browse's file: ordered by code, then number.
struct ItemRecord {
  FixedString<20> CODE;
  FixedString<20> NUMBER;
};
inline apprt::File<ItemRecord> BRITEMS("BRITEMS", {{"BRI:CODE", 20}, {"BRI:NUMBER", 20}},
                                       {{"BRI:KEYCODE", 5, {1, 2}, "BRI:Keycode"}});
inline const apprt::KeyDeclaration& ITEM_KEY = BRITEMS.key(0);

// A display entry: the record's first two fields and its stored position.
struct Row {
  std::string first;
  std::string second;
  std::string POSITION;
};
std::vector<std::string> queueTexts(const Row& row);

inline constexpr int kList = 1;
inline constexpr int kRows = 15;                           // the test list shows 15 rows
inline constexpr int kRunCommandsKey = apprt::kKeyF1 + 4;  // F5 in the list

// What the procedure saw of one hand-over: the action and the record's first field.
struct HandOver {
  int action;
  std::string record;
  bool operator==(const HandOver&) const = default;
};
std::ostream& operator<<(std::ostream& os, const HandOver& h);

class BrowseProcedure {
 public:
  BrowseProcedure(const apprt::FileDeclaration& file, const apprt::KeyDeclaration& key);

  // Configuration, set before the session starts. All callbacks run in the
  // procedure thread.
  std::function<BrowseRange()> range;  // taken afresh before every call
  BrowseFixedComponents fixed;
  std::function<bool()> skip;                // skip the record just read
  std::function<void()> afterRegistration;   // set switches on the new browse
  std::function<void(int action)> handOver;  // actions other than 1 and 12
  bool useView = false;
  const apprt::KeyDeclaration* key;  // the key order shown; may change between events

  // The procedure; runs as the session's first procedure thread.
  void operator()();
  // One run of engine calls for the current event, until it answers 12.
  void drive();

  // Hand-overs seen since the last take (actions other than kActionFillRow and
  // kActionEventDone).
  std::vector<HandOver> takeHandOvers();
  // Number of rows filled (kActionFillRow) since the last take.
  int takeFills();
  void queueCommand(std::function<void()> command);
  // Runs the queued commands; the procedure does it at kRunCommandsKey.
  void runCommands();

  apprt::Queue<Row> rows;
  std::unique_ptr<apprt::View> view;

 private:
  const apprt::FileDeclaration& file_;
  std::mutex mutex_;
  std::vector<HandOver> handOvers_;
  int fills_ = 0;
  std::deque<std::function<void()>> commands_;
};

// A test with the harness's files in a fresh data directory: BRCODES and
// BRITEMS are created empty and stay open in the test's own thread, which
// plays the other user.
class BrowseTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static void addCodes(int count);  // C001, C002, ... with names N001, ...
  static void addCode(const std::string& code, const std::string& name = "");
  static void addItem(const std::string& code, const std::string& number);

  // Starts the program with the browse window and waits until it shows.
  void open(BrowseProcedure& procedure);
  // The other user's change to the stored record of `codeValue`, made in the
  // test's own thread.
  static void otherUser(const std::string& codeValue, const std::function<void()>& change);
  // Runs `command` in the procedure thread (between events of the list).
  void inProcedure(const std::function<void()>& command);

  // What the list shows.
  apprt::ControlView list() const;
  std::vector<std::string> shownFirst() const;  // first column of every row
  int selectedRow() const;
  bool scrollBarShown() const;
  int thumb() const;
  int beeps() const;

  std::unique_ptr<headless::Session> session;
  BrowseProcedure* procedure = nullptr;

 private:
  fesk::test::TemporaryDirectory dataDirectory_{"fesk-browse"};
};

// Codes from..to as the harness names them ("C001").
std::vector<std::string> codes(int from, int to);
std::string code(int n);

}  // namespace fesk::browsetest
