// In-line editing on the desktop, with the program's own procedures over
// SQLite files: Insert in the browse lays entries over the new row's cells,
// and what is typed there is stored and shown in the list.

#include <QLineEdit>
#include <QTreeWidget>
#include <filesystem>

#include "app/program_entry.h"
#include "data/data_files.h"
#include "desktop_fixture.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/data_directory.h"
#include "runtime/errors.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/list_control.h"

namespace fesk::qt::test {
namespace {

const QString kBrowse = "Browse the fesk1 File";
constexpr int kList = 1;
constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;

// The desktop running the program itself on a data directory of its own.
class InLineDesktopTest : public DesktopTest {
 protected:
  void SetUp() override {
    ensureApplication();
    std::string pattern = (std::filesystem::temp_directory_path() / "fesk-qt-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    ASSERT_TRUE(apprt::setDataDirectory(directory_));
    bindDataFiles(sqlite::defaultDriver());
    desktop_ = std::make_unique<Desktop>();
    frontEnd_ = std::make_unique<QtFrontEnd>(*desktop_);
  }
  void TearDown() override {
    if (run_) DesktopTest::TearDown();
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  // Runs the program with `user` acting on the desktop, then closes the frame.
  void runProgram(const std::function<void()>& user) {
    const int exitCode = ProgramEntry([&](apprt::Procedure first) {
      run_ = std::make_unique<apprt::ProgramRun>(*frontEnd_);
      run_->start(std::move(first));
      settle();
      user();
      desktop_->frame()->close();
      pumpUntil([&] { return run_->ended(); }, 20000);
      return run_->exitCode();
    });
    EXPECT_EQ(exitCode, 0);
  }

  static std::vector<std::pair<std::string, std::string>> stored() {
    std::vector<std::pair<std::string, std::string>> records;
    FESK1.open(apprt::kOpenSharedReadWrite);
    FESK1.setOnKey(FES_KEYCODE);
    for (FESK1.next(); apprt::ERRCODE() == 0; FESK1.next())
      records.emplace_back(FESK1.buffer().CODE.text(), FESK1.buffer().NAME.text());
    FESK1.close();
    return records;
  }

  std::filesystem::path directory_;
};

TEST_F(InLineDesktopTest, InsertInPlaceTypesIntoTheNewRowsCells) {
  runProgram([&] {
    chooseMenu("&fesk");
    ChildWindow* browse = window(kBrowse);
    ASSERT_NE(browse, nullptr);
    key(Qt::Key_Insert);

    auto* code = qobject_cast<QLineEdit*>(browse->fieldWidget(kCodeEdit));
    auto* name = qobject_cast<QLineEdit*>(browse->fieldWidget(kNameEdit));
    ASSERT_TRUE(code && name) << "entries were created for the row's cells";
    EXPECT_TRUE(code->isVisible());
    EXPECT_EQ(focused(), code);
    auto* rows = qobject_cast<QTreeWidget*>(browse->fieldWidget(kList));
    ASSERT_NE(rows, nullptr);
    auto* list = qobject_cast<ListControl*>(rows->parentWidget());
    ASSERT_NE(list, nullptr);
    const QRect cell = list->cellRect(1, 1);
    EXPECT_EQ(code->geometry(), QRect(list->mapTo(browse, cell.topLeft()), cell.size()))
        << "the code entry lies over the new row's code cell";

    type("K3");
    key(Qt::Key_Tab);
    EXPECT_EQ(focused(), name);
    const QRect nameCell = list->cellRect(1, 2);
    EXPECT_EQ(name->geometry(), QRect(list->mapTo(browse, nameCell.topLeft()), nameCell.size()));
    type("Kilo");
    key(Qt::Key_Return, Qt::ControlModifier);

    EXPECT_FALSE(code->isVisible()) << "the entries hide once the row is stored";
    ASSERT_EQ(rows->topLevelItemCount(), 1);
    EXPECT_EQ(rows->topLevelItem(0)->text(0), "K3");
    EXPECT_EQ(rows->topLevelItem(0)->text(1), "Kilo");
    EXPECT_TRUE(rows->topLevelItem(0)->isSelected());
  });
  EXPECT_EQ(stored(), (std::vector<std::pair<std::string, std::string>>{{"K3", "Kilo"}}));
}

}  // namespace
}  // namespace fesk::qt::test
