// The desktop program driven through its real widgets: the same outcomes as
// the headless acceptance runs (open a browse, page down, insert a record
// through the form, delete it), and what only a desktop has (menus, tiling,
// help, the close box).

#include <QAbstractButton>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <algorithm>

#include "desktop_fixture.h"
#include "sample_program.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/help_viewer.h"
#include "ui/qt/list_control.h"

namespace fesk::qt::test {
namespace {

QTreeWidget* rowsOf(QWidget* list) {
  return qobject_cast<QTreeWidget*>(list);
}

QStringList firstColumn(QTreeWidget* rows) {
  QStringList texts;
  for (int i = 0; i < rows->topLevelItemCount(); ++i) texts << rows->topLevelItem(i)->text(0);
  return texts;
}

bool sawEvent(const std::vector<std::string>& events, const std::string& wanted) {
  return std::find(events.begin(), events.end(), wanted) != events.end();
}

ListControl* listControlOf(QTreeWidget* rows) {
  return qobject_cast<ListControl*>(rows->parentWidget());
}

TEST_F(DesktopTest, TheMenuOpensABrowseWithAPageOfRowsUnderTheirHeaders) {
  openBrowse();
  QTreeWidget* rows = rowsOf(field(kBrowse, 1));
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->headerItem()->text(0), "code");
  EXPECT_EQ(rows->headerItem()->text(1), "name");
  EXPECT_EQ(rows->topLevelItemCount(), 15) << "one page: the list's visible rows";
  EXPECT_EQ(rows->topLevelItem(0)->text(0), "C001");
  EXPECT_EQ(rows->topLevelItem(0)->text(1), "Amber 1");
  EXPECT_TRUE(rows->topLevelItem(0)->isSelected());
  EXPECT_TRUE(listControlOf(rows)->scrollBar()->isVisible());
  // Every row is whole: the page fills the list and nothing is cut off.
  QRect last = rows->visualItemRect(rows->topLevelItem(14));
  EXPECT_LE(last.bottom(), rows->viewport()->height());
  EXPECT_EQ(rows->verticalScrollBar()->value(), 0);

  chooseMenu("&fesk");
  EXPECT_EQ(desktop_->children().size(), 2u) << "each choice opens one more browse";
}

TEST_F(DesktopTest, PageKeysScrollBarAndWheelBecomeTheRuntimesEvents) {
  openBrowse();
  QTreeWidget* rows = rowsOf(field(kBrowse, 1));
  sample::takeBrowseEvents();
  key(Qt::Key_PageDown);
  EXPECT_TRUE(sawEvent(sample::takeBrowseEvents(), "6:1"));
  EXPECT_EQ(rows->topLevelItem(0)->text(0), "C016") << "the next page, as the runtime sent it";

  QScrollBar* bar = listControlOf(rows)->scrollBar();
  EXPECT_GT(bar->value(), 0) << "the thumb the runtime set";
  click(bar, QPoint(bar->width() / 2, bar->height() - bar->width() - 4));  // page area
  EXPECT_TRUE(sawEvent(sample::takeBrowseEvents(), "6:1"));
  EXPECT_EQ(rows->topLevelItem(0)->text(0), "C026");

  key(Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_TRUE(sawEvent(sample::takeBrowseEvents(), "7:1"));
  EXPECT_EQ(rows->topLevelItem(0)->text(0), "C001");

  wheel(rows->viewport(), -2);
  auto events = sample::takeBrowseEvents();
  EXPECT_EQ(std::count(events.begin(), events.end(), "4:1"), 2) << "one event 4 per notch";

  key(Qt::Key_Down);
  EXPECT_TRUE(sawEvent(sample::takeBrowseEvents(), "4:1"));
  EXPECT_EQ(rows->verticalScrollBar()->value(), 0) << "the list never scrolls itself";
}

TEST_F(DesktopTest, ARowClickSelectsItThroughTheRuntime) {
  openBrowse();
  QTreeWidget* rows = rowsOf(field(kBrowse, 1));
  click(rows->viewport(), rows->visualItemRect(rows->topLevelItem(3)).center());
  EXPECT_TRUE(sawEvent(sample::takeBrowseEvents(), "2:1"));
  EXPECT_TRUE(rows->topLevelItem(3)->isSelected());
  EXPECT_FALSE(rows->topLevelItem(0)->isSelected());
}

TEST_F(DesktopTest, InsertingARecordThroughTheForm) {
  openBrowse();
  click(field(kBrowse, 4));  // "&Insert"
  ChildWindow* form = window("Adding a fesk1 Record");
  ASSERT_NE(form, nullptr);
  auto* code = qobject_cast<QLineEdit*>(form->fieldWidget(3));
  auto* name = qobject_cast<QLineEdit*>(form->fieldWidget(5));
  ASSERT_TRUE(code && name);
  EXPECT_EQ(form->view().focus, 1) << "the sheet is first in tab order";
  EXPECT_EQ(focused(), form->fieldWidget(1));
  key(Qt::Key_Tab);
  EXPECT_EQ(focused(), code);
  type("Z999");
  key(Qt::Key_Tab);
  EXPECT_EQ(form->view().focus, 5) << "Tab moved the focus through the runtime";
  type("Zeta");
  EXPECT_EQ(code->text(), "Z999");
  EXPECT_EQ(name->text(), "Zeta");
  click(form->fieldWidget(10));  // OK
  EXPECT_EQ(window("Adding a fesk1 Record"), nullptr) << "the completed form closed";
  auto& records = sample::data().records;
  ASSERT_EQ(records.size(), 41u);
  EXPECT_EQ(records.back().code, "Z999");
  EXPECT_EQ(records.back().name, "Zeta");

  QTreeWidget* rows = rowsOf(field(kBrowse, 1));
  click(rows->viewport(), rows->visualItemRect(rows->topLevelItem(0)).center());
  key(Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(rows->topLevelItem(rows->topLevelItemCount() - 1)->text(0), "Z999");
}

TEST_F(DesktopTest, DeletingARecordAfterTheConfirmDeleteBox) {
  openBrowse();
  click(field(kBrowse, 6));  // "&Delete" on the selected first row
  QMessageBox* box = waitForBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->windowTitle(), "Confirm Delete");
  EXPECT_EQ(box->icon(), QMessageBox::Question);
  EXPECT_TRUE(box->text().startsWith("You've selected to delete the highlighted record."));
  ASSERT_EQ(box->buttons().size(), 2);
  EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
  click(box->button(QMessageBox::Ok));
  ASSERT_TRUE(pumpUntil([&] { return sample::data().records.size() == 39; }));
  settle();
  EXPECT_EQ(sample::data().records.front().code, "C002");
  EXPECT_TRUE(sample::data().details.empty()) << "its FESK2 records went with it";
  EXPECT_EQ(firstColumn(rowsOf(field(kBrowse, 1))).front(), "C002");
}

TEST_F(DesktopTest, CancellingTheConfirmDeleteBoxKeepsTheRecord) {
  openBrowse();
  click(field(kBrowse, 6));
  QMessageBox* box = waitForBox();
  ASSERT_NE(box, nullptr);
  click(box->button(QMessageBox::Cancel));
  settle();
  EXPECT_EQ(sample::data().records.size(), 40u);
}

TEST_F(DesktopTest, MnemonicsAndEscGoThroughTheRuntime) {
  openBrowse();
  key(Qt::Key_I, Qt::AltModifier);  // "&Insert"
  ASSERT_NE(window("Adding a fesk1 Record"), nullptr);
  EXPECT_FALSE(window(kBrowse)->view().acceptsInput) << "its thread's newer window has the input";
  key(Qt::Key_N, Qt::AltModifier);  // the "&name:" prompt focuses the entry after it
  EXPECT_EQ(window("Adding a fesk1 Record")->view().focus, 5);
  key(Qt::Key_Escape);
  EXPECT_EQ(window("Adding a fesk1 Record"), nullptr);
  EXPECT_EQ(sample::data().records.size(), 40u) << "nothing was written";
}

TEST_F(DesktopTest, TheFormsSecondTabShowsItsListAndHidesTheEntries) {
  openBrowse();
  click(field(kBrowse, 5));  // "&Change" the first record, which has three FESK2 records
  ChildWindow* form = window("Changing a fesk1 Record");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(qobject_cast<QLineEdit*>(form->fieldWidget(3))->text(), "C001");
  EXPECT_FALSE(form->fieldWidget(6)->isVisibleTo(form));
  auto* sheet = form->fieldWidget(1);  // the tab bar
  ASSERT_NE(sheet, nullptr);
  auto* tabs = qobject_cast<QTabBar*>(sheet);
  ASSERT_NE(tabs, nullptr);
  click(tabs, tabs->tabRect(1).center());
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_TRUE(form->fieldWidget(6)->isVisibleTo(form));
  EXPECT_FALSE(form->fieldWidget(3)->isVisibleTo(form));
  EXPECT_EQ(rowsOf(form->fieldWidget(6))->topLevelItemCount(), 3);
}

TEST_F(DesktopTest, TileLaysTwoBrowsesSideBySide) {
  openBrowse();
  openBrowse();
  chooseMenu("&Window", "T&ile");
  auto subs = desktop_->frame()->mdiArea()->subWindowList();
  ASSERT_EQ(subs.size(), 2);
  EXPECT_FALSE(subs[0]->geometry().intersects(subs[1]->geometry()));
}

TEST_F(DesktopTest, F1ShowsTheWindowsHelpPageAndTheHelpMenuTheContents) {
  openBrowse();
  key(Qt::Key_F1);
  ASSERT_TRUE(pumpUntil([&] { return desktop_->helpViewer() != nullptr; }));
  EXPECT_TRUE(desktop_->helpViewer()->currentPage().endsWith("/help/browsefesk.html"));
  chooseMenu("&Help", "&Contents");
  EXPECT_TRUE(desktop_->helpViewer()->currentPage().endsWith("/help/index.html"));
}

TEST_F(DesktopTest, ClosingTheFrameClosesEveryWindowAndEndsTheProgram) {
  openBrowse();
  openBrowse();
  desktop_->frame()->close();
  ASSERT_TRUE(pumpUntil([&] { return run_->ended(); }, 20000));
  settle();
  EXPECT_TRUE(desktop_->children().empty());
  EXPECT_EQ(run_->exitCode(), 0);
}

TEST_F(DesktopTest, ExitFromTheFileMenuEndsTheProgram) {
  chooseMenu("&File", "E&xit");
  EXPECT_TRUE(pumpUntil([&] { return run_->ended(); }, 20000));
}

}  // namespace
}  // namespace fesk::qt::test
