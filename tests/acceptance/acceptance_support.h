#pragma once
// Acceptance tests run the whole program the way `fesk --ui=headless` does:
// ProgramEntry with a runner that starts a headless session, on a scratch data
// set of the test's own that goes away afterwards (SQLite, or either driver
// for the suites parametrized by Store). The test acts as the
// user through the session, then looks at what was shown and what is stored.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "support/scratch_data_set.h"
#include "ui/headless/session.h"

namespace fesk::test {

using Records = std::vector<std::pair<std::string, std::string>>;

// Titles of the program's windows.
inline const std::string kBrowseTitle = "Browse the fesk1 File";
inline const std::string kAddFesk1Title = "Adding a fesk1 Record";
inline const std::string kChangeFesk1Title = "Changing a fesk1 Record";
inline const std::string kAddFesk2Title = "Adding a fesk2 Record";
inline const std::string kChangeFesk2Title = "Changing a fesk2 Record";

class AcceptanceTest : public ::testing::Test {
 protected:
  explicit AcceptanceTest(Store store = Store::kSqlite) : dataSet_(store) {}
  void SetUp() override;
  void TearDown() override;

  // Runs the program with `user` acting on it; the program is then ended as a
  // user would end it (closing the frame) unless `user` ended it. Answers the
  // exit code. The transcript of the run is kept in transcript_.
  int runProgram(const std::function<void(headless::Session&)>& user);
  // The same with `caller` as the first procedure instead of the main one,
  // for procedures that only a caller starts (a browse that selects).
  int runProgramWith(const apprt::Procedure& caller,
                     const std::function<void(headless::Session&)>& user);

  // Creates FESK1 and FESK2 holding these records ((code, name), (code, number)).
  static void seed(const Records& fesk1, const Records& fesk2 = {});
  // Every stored record in code order (for FESK2: code, then entry order).
  static Records storedFesk1();
  static Records storedFesk2();

  bool dataFileExists(const std::string& name) const;
  bool transcriptHas(const std::string& line) const;

  ScratchDataSet dataSet_;
  std::vector<std::string> transcript_;
};

// An acceptance test run on each driver.
class EveryDriverAcceptanceTest : public AcceptanceTest,
                                  public ::testing::WithParamInterface<Store> {
 protected:
  EveryDriverAcceptanceTest() : AcceptanceTest(GetParam()) {}
};

// Opens a browse window from the frame and switches in-line editing off, so
// that insert, change and delete go through the forms.
void openBrowseWithForms(headless::Session& user);

// In the current browse, with in-line editing on: starts changing row `row`
// in place (Enter) and types `name` into its name cell.
void typeNameInRow(headless::Session& user, int row, const std::string& name);

// From a new browse with forms: the FESK1 form of the first row, and from its
// fesk2 tab the FESK2 form of that tab's first row.
void openFirstFesk2Form(headless::Session& user);

// Fills the focused form's entry that follows the prompt `prompt`, as a user
// who clicks the prompt and types.
void fill(headless::Session& user, const std::string& prompt, const std::string& text);

// A code made of a letter and a number of `digits` digits: ('C', 7) is "C007".
std::string numbered(char prefix, int n, int digits = 3);

// What a list shows: one (column 1, column 2) pair per row; and the codes of
// column 1 alone.
Records rowsOf(const apprt::WindowView& window, int listField);
std::vector<std::string> codesOf(const apprt::WindowView& window, int listField = 1);
// The code in column 1 of the selected row ("" when no row is selected).
std::string selectedCode(const apprt::WindowView& window, int listField = 1);
// The open window with that handle (windows of several browses share titles).
apprt::WindowView windowWithHandle(headless::Session& user, int handle);
const apprt::ControlView& control(const apprt::WindowView& window, int field);

}  // namespace fesk::test
