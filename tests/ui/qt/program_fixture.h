#pragma once
// Runs the program itself, with its own procedures over SQLite files in a
// data directory of its own, on the desktop (offscreen).

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "desktop_fixture.h"
#include "support/temporary_directory.h"
#include "ui/qt/page_setup_dialog.h"

namespace fesk::qt::test {

// FESK1 records as (code, name), in code order.
using StoredRecords = std::vector<std::pair<std::string, std::string>>;

// The program's windows, and the fields of their controls.
inline const QString kAddForm = QStringLiteral("Adding a fesk1 Record");
// The browse.
constexpr int kList = 1;
constexpr int kSheet = 2;
constexpr int kInsertButton = 4;
constexpr int kChangeButton = 5;
constexpr int kDeleteButton = 6;
constexpr int kInLineButton = 7;
constexpr int kCloseButton = 8;
// The FESK1 form.
constexpr int kFormSheet = 1;
constexpr int kCodeEntry = 3;
constexpr int kNameEntry = 5;
constexpr int kOkButton = 10;

// The code of the n-th of numbered records: C001, C002...
std::string numberedCode(int n);
// `count` records C001... named "Name C001"...
StoredRecords numberedRecords(int count);

class ProgramDesktopTest : public DesktopTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the program with `user` acting on the desktop, then closes the frame.
  void runProgram(const std::function<void()>& user);

  // A browse opened from the menu, switched to InLine Off, and the Add form
  // its Insert button opens (nullptr, and a failure, when any step failed).
  ChildWindow* openTheAddForm();
  // File > Print Setup... with `paper` chosen in it, still open (nullptr
  // when it did not open or does not offer that paper).
  PageSetupDialog* choosePaper(const QString& paper);

  // Writes `records` into a new FESK1 file before the program opens it.
  static void seed(const StoredRecords& records);
  // What the FESK1 file holds, read once the program has ended.
  static StoredRecords stored();

  fesk::test::TemporaryDirectory directory_{"fesk-qt"};
};

}  // namespace fesk::qt::test
