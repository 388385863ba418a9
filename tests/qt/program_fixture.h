#pragma once
// Runs the program itself, with its own procedures over SQLite files in a
// data directory of its own, on the desktop (offscreen).

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "desktop_fixture.h"
#include "ui/qt/page_setup_dialog.h"

namespace fesk::qt::test {

// FESK1 records as (code, name), in code order.
using StoredRecords = std::vector<std::pair<std::string, std::string>>;

class ProgramDesktopTest : public DesktopTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs the program with `user` acting on the desktop, then closes the frame.
  void runProgram(const std::function<void()>& user);

  // File > Print Setup... with `paper` chosen in it, still open (nullptr
  // when it did not open or does not offer that paper).
  PageSetupDialog* choosePaper(const QString& paper);

  // Writes `records` into a new FESK1 file before the program opens it.
  static void seed(const StoredRecords& records);
  // What the FESK1 file holds, read once the program has ended.
  static StoredRecords stored();

  std::filesystem::path directory_;
};

}  // namespace fesk::qt::test
