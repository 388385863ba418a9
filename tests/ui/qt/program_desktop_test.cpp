// The program itself on the desktop, over 40 FESK1 records in SQLite files,
// driven through its real widgets: the menu opens the browse, page keys in
// the list page through the file, the form adds a record and the Confirm
// Delete box decides whether one goes. Both the list and the stored file are
// checked.

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

#include "program_fixture.h"

namespace fesk::qt::test {
namespace {

constexpr int kRecords = 40;
constexpr int kRowsShown = 15;  // the list's height holds 15 rows

using Codes = std::vector<std::string>;

Codes codesFrom(int first, int last) {
  Codes codes;
  for (int i = first; i <= last; ++i) codes.push_back(numberedCode(i));
  return codes;
}

Codes shownCodes(QTreeWidget* rows) {
  Codes codes;
  for (int i = 0; i < rows->topLevelItemCount(); ++i)
    codes.push_back(rows->topLevelItem(i)->text(0).toStdString());
  return codes;
}

std::string selectedCode(QTreeWidget* rows) {
  const auto selected = rows->selectedItems();
  return selected.size() == 1 ? selected.front()->text(0).toStdString() : std::string();
}

bool shows(QTreeWidget* rows, const std::string& wanted) {
  const Codes codes = shownCodes(rows);
  return std::find(codes.begin(), codes.end(), wanted) != codes.end();
}

bool isStored(const StoredRecords& records, const std::string& wanted) {
  return std::any_of(records.begin(), records.end(),
                     [&](const auto& record) { return record.first == wanted; });
}

class ProgramOnTheDesktop : public ProgramDesktopTest {
 protected:
  void SetUp() override {
    ProgramDesktopTest::SetUp();
    seed(numberedRecords(kRecords));
  }

  void clickRow(QTreeWidget* rows, int index) {
    click(rows->viewport(), rows->visualItemRect(rows->topLevelItem(index)).center());
  }
};

TEST_F(ProgramOnTheDesktop, TheMenuOpensTheBrowseOnTheFirstPage) {
  runProgram([&] {
    QTreeWidget* rows = openBrowse();
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(shownCodes(rows), codesFrom(1, kRowsShown));
    EXPECT_EQ(rows->topLevelItem(0)->text(1), "Name C001");
    EXPECT_EQ(selectedCode(rows), "C001");
  });
  EXPECT_EQ(stored(), numberedRecords(kRecords)) << "browsing writes nothing";
}

TEST_F(ProgramOnTheDesktop, PageKeysInTheListShowTheNextAndTheLastPage) {
  runProgram([&] {
    QTreeWidget* rows = openBrowse();
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(focused(), rows) << "keys go to the list";
    key(Qt::Key_PageDown);  // the selection goes to the page's last row first
    EXPECT_EQ(shownCodes(rows), codesFrom(1, kRowsShown));
    EXPECT_EQ(selectedCode(rows), "C015");
    key(Qt::Key_PageDown);
    EXPECT_EQ(shownCodes(rows), codesFrom(16, 30));
    EXPECT_EQ(selectedCode(rows), "C030");
    key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(shownCodes(rows), codesFrom(26, 40));
    EXPECT_EQ(selectedCode(rows), "C040");
  });
}

TEST_F(ProgramOnTheDesktop, InsertingARecordThroughTheForm) {
  runProgram([&] {
    ChildWindow* form = openTheAddForm();
    ASSERT_NE(form, nullptr);
    auto* rows = qobject_cast<QTreeWidget*>(field(kBrowse, kList));
    auto* code = qobject_cast<QLineEdit*>(form->fieldWidget(kCodeEntry));
    auto* name = qobject_cast<QLineEdit*>(form->fieldWidget(kNameEntry));
    ASSERT_TRUE(code && name);
    EXPECT_TRUE(code->text().isEmpty()) << "an insert starts from a cleared record";
    ASSERT_EQ(focused(), code) << "the form opens on the code";
    type("D001");
    key(Qt::Key_Tab);
    ASSERT_EQ(focused(), name);
    type("Delta");
    click(form->fieldWidget(kOkButton));

    EXPECT_EQ(window(kAddForm), nullptr) << "the completed form closed";
    EXPECT_EQ(selectedCode(rows), "D001") << "the list stands on the record just added";
    const auto added = rows->findItems("D001", Qt::MatchExactly, 0);
    ASSERT_EQ(added.size(), 1);
    EXPECT_EQ(added.front()->text(1), "Delta");
  });
  StoredRecords expected = numberedRecords(kRecords);
  expected.emplace_back("D001", "Delta");
  EXPECT_EQ(stored(), expected);
}

TEST_F(ProgramOnTheDesktop, DeleteRemovesTheRecordOnlyWhenTheBoxIsAnsweredOk) {
  runProgram([&] {
    QTreeWidget* rows = openBrowse();
    ASSERT_NE(rows, nullptr);
    click(field(kBrowse, kInLineButton));  // Delete asks in the box, not in a row

    clickRow(rows, 2);
    ASSERT_EQ(selectedCode(rows), "C003");
    click(field(kBrowse, kDeleteButton));
    QMessageBox* box = waitForBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Confirm Delete");
    click(box->button(QMessageBox::Ok));
    ASSERT_TRUE(pumpUntil([&] { return !shows(rows, "C003"); }));
    settle();
    EXPECT_EQ(window(kAddForm), nullptr) << "a delete shows no form";
    Codes expected = codesFrom(1, kRowsShown + 1);
    expected.erase(std::find(expected.begin(), expected.end(), "C003"));
    EXPECT_EQ(shownCodes(rows), expected);

    clickRow(rows, 4);
    ASSERT_EQ(selectedCode(rows), "C006");
    click(field(kBrowse, kDeleteButton));
    box = waitForBox();
    ASSERT_NE(box, nullptr);
    click(box->button(QMessageBox::Cancel));
    settle();
    EXPECT_EQ(desktop_->messageBox(), nullptr);
    EXPECT_EQ(shownCodes(rows), expected) << "a cancelled delete leaves the list as it was";
  });
  const StoredRecords records = stored();
  EXPECT_EQ(records.size(), static_cast<size_t>(kRecords - 1));
  EXPECT_FALSE(isStored(records, "C003"));
  EXPECT_TRUE(isStored(records, "C006"));
}

TEST_F(ProgramOnTheDesktop, ATwentyCharacterAccentedNameIsStoredShownLocatedAndKeyedWhole) {
  const QString code = QString(20, QChar(0xC9));  // "É" twenty times
  const QString name = "Ångström Émile Öland";
  runProgram([&] {
    ChildWindow* form = openTheAddForm();
    ASSERT_NE(form, nullptr);
    auto* rows = qobject_cast<QTreeWidget*>(field(kBrowse, kList));
    type(code + QChar(0xC9));  // one too many: the entry keeps twenty
    key(Qt::Key_Tab);
    type(name);
    EXPECT_EQ(qobject_cast<QLineEdit*>(form->fieldWidget(kCodeEntry))->text(), code);
    EXPECT_EQ(qobject_cast<QLineEdit*>(form->fieldWidget(kNameEntry))->text(), name);
    click(form->fieldWidget(kOkButton));
    ASSERT_EQ(window(kAddForm), nullptr) << "the completed form closed";
    EXPECT_EQ(selectedCode(rows), code.toStdString()) << "the list stands on the record added";
    ASSERT_EQ(rows->selectedItems().size(), 1);
    EXPECT_EQ(rows->selectedItems().front()->text(1), name);

    // In name order, after the 40 "Name C..." records: typing its first letter
    // in the list finds it.
    auto* tabs = qobject_cast<QTabBar*>(field(kBrowse, kSheet));
    ASSERT_NE(tabs, nullptr);
    click(tabs, tabs->tabRect(1).center());
    clickRow(rows, 0);
    ASSERT_NE(selectedCode(rows), code.toStdString());
    type("Å");
    EXPECT_EQ(selectedCode(rows), code.toStdString());
  });
  StoredRecords expected = numberedRecords(kRecords);
  expected.emplace_back(code.toStdString(), name.toStdString());
  EXPECT_EQ(stored(), expected);
}

}  // namespace
}  // namespace fesk::qt::test
