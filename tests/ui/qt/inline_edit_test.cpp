// In-line editing on the desktop, with the program's own procedures over
// SQLite files: Insert in the browse lays entries over the new row's cells,
// and what is typed there is stored and shown in the list.

#include <QLineEdit>
#include <QTreeWidget>

#include "program_fixture.h"
#include "ui/qt/list_control.h"

namespace fesk::qt::test {
namespace {

constexpr int kCodeEdit = 201;
constexpr int kNameEdit = 202;

using InLineDesktopTest = ProgramDesktopTest;

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
  EXPECT_EQ(stored(), (StoredRecords{{"K3", "Kilo"}}));
}

}  // namespace
}  // namespace fesk::qt::test
