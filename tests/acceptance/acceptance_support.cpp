#include "acceptance_support.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "app/start/program_entry.h"
#include "data/data_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_transaction.h"

namespace fesk::test {
namespace {

std::mutex gTranscriptMutex;

template <class Record>
void createHolding(const apprt::File<Record>& file, const Records& records) {
  file.create();
  ASSERT_EQ(apprt::ERRCODE(), 0) << file.fileName();
  file.open(apprt::kOpenSharedReadWrite);
  apprt::beginTransaction(5, {&file});  // one write to the disk, however many records
  for (const auto& [code, second] : records) {
    file.clear();
    file.field(0).assign(code);
    file.field(1).assign(second);
    file.add();
    ASSERT_EQ(apprt::ERRCODE(), 0) << file.fileName() << " " << code;
  }
  apprt::commitTransaction();
  file.close();
}

Records allRecords(const apprt::FileDeclaration& file, const apprt::KeyDeclaration& key) {
  file.open(apprt::kOpenSharedReadWrite);
  if (apprt::ERRCODE() != 0) return {{"<cannot open " + file.fileName() + ">", apprt::ERROR()}};
  Records records;
  file.setOnKey(key);
  for (file.next(); apprt::ERRCODE() == 0; file.next())
    records.emplace_back(file.field(0).text(), file.field(1).text());
  file.close();
  return records;
}

}  // namespace

void AcceptanceTest::SetUp() {
  // The program binds the files to the SQLite driver at its first start in
  // the process (and never again); a test on another driver binds them itself.
  bindDataFiles(sqlite::defaultDriver());
  FESK1.bindDriver(dataSet_.driver());
  FESK2.bindDriver(dataSet_.driver());
}

void AcceptanceTest::TearDown() {
  // The files stay bound to a driver that outlives every test.
  FESK1.bindDriver(sqlite::defaultDriver());
  FESK2.bindDriver(sqlite::defaultDriver());
}

int AcceptanceTest::runProgram(const std::function<void(headless::Session&)>& user) {
  return runProgramWith({}, user);
}

int AcceptanceTest::runProgramWith(const apprt::Procedure& caller,
                                   const std::function<void(headless::Session&)>& user) {
  return ProgramEntry([&](const apprt::Procedure& first) {
    headless::Session session(caller ? caller : first, [this](const std::string& line) {
      std::lock_guard lock(gTranscriptMutex);
      transcript_.push_back(line);
    });
    user(session);
    return session.finish();
  });
}

void AcceptanceTest::seed(const Records& fesk1, const Records& fesk2) {
  createHolding(FESK1, fesk1);
  createHolding(FESK2, fesk2);
}

Records AcceptanceTest::storedFesk1() {
  return allRecords(FESK1, FES_KEYCODE);
}

Records AcceptanceTest::storedFesk2() {
  return allRecords(FESK2, FS2_KEYCODE);
}

bool AcceptanceTest::dataFileExists(const std::string& name) const {
  return std::filesystem::exists(dataSet_.directory() / (name + ".sqlite"));
}

bool AcceptanceTest::transcriptHas(const std::string& line) const {
  std::lock_guard lock(gTranscriptMutex);
  return std::find(transcript_.begin(), transcript_.end(), line) != transcript_.end();
}

void openBrowseWithForms(headless::Session& user) {
  user.menu("&fesk");
  user.click("InLine On");
  ASSERT_EQ(control(user.current(), 7).text, "InLine Off");
}

void typeNameInRow(headless::Session& user, int row, const std::string& name) {
  user.row(row);
  user.key("Enter");
  user.key("Tab");
  user.type(name);
}

void openFirstFesk2Form(headless::Session& user) {
  openBrowseWithForms(user);
  user.row(1);
  user.click("&Change");
  user.tab("fesk2");
  user.row(1);
  user.click("&Change");
}

void fill(headless::Session& user, const std::string& prompt, const std::string& text) {
  user.click(prompt);
  user.type(text);
}

apprt::WindowView windowWithHandle(headless::Session& user, int handle) {
  for (const auto& w : user.frontEnd().windows())
    if (w.handle == handle) return w;
  throw std::runtime_error("no open window with handle " + std::to_string(handle));
}

const apprt::ControlView& control(const apprt::WindowView& window, int field) {
  const apprt::ControlView* found = window.control(field);
  if (!found) throw std::runtime_error("no field " + std::to_string(field) + " in " + window.title);
  return *found;
}

Records rowsOf(const apprt::WindowView& window, int listField) {
  Records rows;
  for (const auto& row : control(window, listField).rows) rows.emplace_back(row.at(0), row.at(1));
  return rows;
}

std::vector<std::string> codesOf(const apprt::WindowView& window, int listField) {
  std::vector<std::string> codes;
  for (const auto& [code, second] : rowsOf(window, listField)) codes.push_back(code);
  return codes;
}

std::string numbered(char prefix, int n, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%0*d", prefix, digits, n);
  return text;
}

std::string selectedCode(const apprt::WindowView& window, int listField) {
  const apprt::ControlView& list = control(window, listField);
  if (list.selected < 1 || static_cast<size_t>(list.selected) > list.rows.size()) return "";
  return list.rows[list.selected - 1].at(0);
}

}  // namespace fesk::test
