// What a screen reader finds in the desktop's windows: every control that
// takes the focus has the name a person reads beside it on the screen, and
// what an assistive technology does through the accessible interfaces alone
// (press, set the text, select a row, choose a tab) reaches the program as a
// person's gestures do. (tests/ui/a11y drives the same over AT-SPI.)

#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

#include "program_fixture.h"
#include "ui/qt/accessible_names.h"

namespace fesk::qt::test {
namespace {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::WindowView;

ControlView control(int field, ControlKind kind, std::string text, int parent = 0) {
  ControlView c;
  c.field = field;
  c.kind = kind;
  c.text = std::move(text);
  c.parent = parent;
  return c;
}

TEST(AccessibleNames, ComeFromTheWordsBesideTheControlWithoutMnemonicMarks) {
  WindowView w;
  w.title = "Update the fesk1 File";
  w.controls = {control(1, ControlKind::Sheet, ""),
                control(-1, ControlKind::Tab, "Gen&eral", 1),
                control(2, ControlKind::Prompt, "&code:", -1),
                control(3, ControlKind::Entry, "C001", -1),
                control(4, ControlKind::Entry, "", -1),
                control(-2, ControlKind::Tab, "fesk2", 1),
                control(6, ControlKind::List, "", -2),
                control(7, ControlKind::Button, "Save && &Close"),
                control(8, ControlKind::Entry, "24"),
                control(9, ControlKind::List, "")};
  w.controls[6].format = "80L(2)|M~code~L(2)@S20@80L(2)|M~Number~L(2)@S20@";
  w.controls[8].overList = 6;
  w.controls[8].overColumn = 2;
  auto name = [&](int field) { return accessibleNameOf(w, *w.control(field)); };

  EXPECT_EQ(name(3), "code:") << "an entry is called by the prompt before it";
  EXPECT_EQ(name(4), "General") << "an entry after another, by the tab it sits on";
  EXPECT_EQ(name(6), "fesk2") << "a list with no prompt, by its tab";
  EXPECT_EQ(name(9), "Update the fesk1 File") << "on no tab: by the window's title";
  EXPECT_EQ(name(8), "Number") << "a cell editor, by its column's header";
  EXPECT_EQ(name(7), "Save & Close") << "a doubled mark is a literal ampersand";
  EXPECT_EQ(name(-1), "General");
  EXPECT_EQ(name(2), "code:");
}

QAccessibleInterface* accessible(QObject* object) {
  return QAccessible::queryAccessibleInterface(object);
}

void press(QObject* object) {
  QAccessibleInterface* a = accessible(object);
  ASSERT_TRUE(a && a->actionInterface());
  a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

class AccessibleProgram : public ProgramDesktopTest {
 protected:
  void SetUp() override {
    ProgramDesktopTest::SetUp();
    seed({{"C001", "Anna"}, {"C002", "Bruno"}, {"C003", "Chloe"}});
  }

  // Every widget of the window that takes the keyboard focus, with the name a
  // screen reader gives it ("" when it has none).
  static std::vector<std::pair<QString, QString>> focusableNames(ChildWindow* window) {
    std::vector<std::pair<QString, QString>> names;
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (w->focusPolicy() == Qt::NoFocus || !w->isVisibleTo(window)) continue;
      names.emplace_back(w->metaObject()->className(), accessible(w)->text(QAccessible::Name));
    }
    return names;
  }

  static void expectAllNamed(ChildWindow* window) {
    const auto names = focusableNames(window);
    EXPECT_FALSE(names.empty());
    for (const auto& [kind, name] : names) EXPECT_FALSE(name.isEmpty()) << kind.toStdString();
  }
};

TEST_F(AccessibleProgram, AReaderNamesEveryControlAndChangesARecordThroughActionsAlone) {
  runProgram([&] {
    chooseMenu("&fesk");
    ASSERT_TRUE(pumpUntil([&] { return window(kBrowse) != nullptr; }));
    settle();
    ChildWindow* browse = window(kBrowse);
    expectAllNamed(browse);
    auto* rows = qobject_cast<QTreeWidget*>(browse->fieldWidget(kList));
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(accessible(rows)->text(QAccessible::Name), kBrowse);
    EXPECT_EQ(accessible(browse->fieldWidget(kChangeButton))->text(QAccessible::Name), "Change");

    // The list reads as a table: its columns by their headers, its cells.
    QAccessibleTableInterface* table = accessible(rows)->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 3);
    ASSERT_EQ(table->columnCount(), 2);
    EXPECT_EQ(table->cellAt(0, 0)->text(QAccessible::Name), "C001");
    EXPECT_EQ(table->cellAt(1, 1)->text(QAccessible::Name), "Bruno");

    press(browse->fieldWidget(kInLineButton));
    ASSERT_TRUE(pumpUntil([&] {
      return static_cast<QPushButton*>(browse->fieldWidget(kInLineButton))
                 ->text()
                 .remove(QLatin1Char('&')) == "InLine Off";
    }));

    // A row selected through the table is the runtime's selection: the form
    // opened by Change shows that record.
    ASSERT_TRUE(table->selectRow(1));
    settle();
    press(browse->fieldWidget(kChangeButton));
    const QString form = "Changing a fesk1 Record";
    ASSERT_TRUE(pumpUntil([&] { return window(form) != nullptr; }));
    settle();
    ChildWindow* change = window(form);
    expectAllNamed(change);
    auto* name = qobject_cast<QLineEdit*>(change->fieldWidget(kNameEntry));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(accessible(name)->text(QAccessible::Name), "name:");
    EXPECT_EQ(accessible(change->fieldWidget(kCodeEntry))->text(QAccessible::Name), "code:");
    EXPECT_EQ(name->text(), "Bruno");

    // A tab chosen through its accessible action is the runtime's choice.
    auto* tabs = qobject_cast<QTabBar*>(change->fieldWidget(kFormSheet));
    ASSERT_NE(tabs, nullptr);
    ASSERT_GE(accessible(tabs)->childCount(), 2);
    EXPECT_EQ(accessible(tabs)->child(1)->text(QAccessible::Name), "fesk2");
    accessible(tabs)->child(1)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(pumpUntil([&] { return change->view().control(kFormSheet)->choice == 2; }));
    accessible(tabs)->child(0)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(pumpUntil([&] { return change->view().control(kFormSheet)->choice == 1; }));

    // Text set through the editable-text interface is what gets saved.
    accessible(name)->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
    ASSERT_TRUE(pumpUntil([&] { return change->view().focus == kNameEntry; }));
    QAccessibleEditableTextInterface* text = accessible(name)->editableTextInterface();
    ASSERT_NE(text, nullptr);
    text->replaceText(0, static_cast<int>(name->text().size()), "Bruno B.");
    settle();
    press(change->fieldWidget(kOkButton));
    ASSERT_TRUE(pumpUntil([&] { return window(form) == nullptr; }));
    settle();
  });
  const StoredRecords expected{{"C001", "Anna"}, {"C002", "Bruno B."}, {"C003", "Chloe"}};
  EXPECT_EQ(stored(), expected);
}

}  // namespace
}  // namespace fesk::qt::test
