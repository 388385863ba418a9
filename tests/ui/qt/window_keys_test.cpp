// The program's windows by the keyboard and in front of each other: menu
// titles that share an Alt key take turns, every button has an Alt key of its
// own, a window is laid out for its size whatever lies in front of it, and a
// window that closes hands the work back to the one that opened it; Ctrl+F
// opens a search line over a list.

#include <QApplication>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <string>

#include "program_fixture.h"
#include "runtime/text/mnemonic.h"
#include "ui/qt/find_bar.h"
#include "ui/qt/frame_window.h"

namespace fesk::qt::test {
namespace {

const QString kChangeForm = QStringLiteral("Changing a fesk1 Record");
const QString kAddFesk2Form = QStringLiteral("Adding a fesk2 Record");
constexpr int kHelpButton = 9;
constexpr int kCancelButton = 11;
constexpr int kFormHelpButton = 12;
constexpr int kFesk2List = 6;
constexpr int kFesk2Insert = 7;

class WindowKeys : public ProgramDesktopTest {
 protected:
  void SetUp() override {
    ProgramDesktopTest::SetUp();
    seed(numberedRecords(40));
  }

  // A key pressed where it goes: an open menu, the focused widget, or the frame.
  void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* target = QApplication::activePopupWidget();
    if (!target) target = QApplication::focusWidget();
    if (!target) target = desktop_->frame();
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &down);
    QApplication::sendEvent(target, &up);
    settle();
  }

  QMdiSubWindow* subWindowOf(ChildWindow* child) const {
    for (QMdiSubWindow* sub : desktop_->frame()->mdiArea()->subWindowList())
      if (auto* shown = qobject_cast<ChildSubWindow*>(sub); shown && shown->child() == child)
        return sub;
    return nullptr;
  }

  ChildWindow* activeWindow() const {
    auto* sub = qobject_cast<ChildSubWindow*>(desktop_->frame()->mdiArea()->activeSubWindow());
    return sub ? sub->child() : nullptr;
  }

  QString buttonText(ChildWindow* window, int field) const {
    auto* button = window ? qobject_cast<QPushButton*>(window->fieldWidget(field)) : nullptr;
    return button ? button->text() : QString();
  }

  // Every button that the definition gave no mnemonic has one now, and its
  // key is taken by nothing else: no other control and no menu title.
  void expectOwnAltKeys(ChildWindow* window) {
    std::string keys = desktop_->frame()->menuMnemonics();
    for (const auto& c : window->view().controls)
      if (const int key = apprt::mnemonicKey(c.text)) keys += static_cast<char>(key);
    for (const auto& c : window->view().controls) {
      if (c.kind != apprt::ControlKind::Button || apprt::mnemonicKey(c.text)) continue;
      const int key = apprt::mnemonicKey(buttonText(window, c.field).toStdString());
      EXPECT_NE(key, 0) << c.text << " has no Alt key";
      EXPECT_EQ(keys.find(static_cast<char>(key)), std::string::npos)
          << c.text << ": Alt+" << static_cast<char>(key) << " is taken already";
      keys += static_cast<char>(key);
    }
  }
};

TEST_F(WindowKeys, MenuTitlesThatShareALetterTakeTurnsAndNeverStartACommand) {
  runProgram([&] {
    QMenuBar* bar = desktop_->frame()->menuBar();
    QMenu* file = bar->actions().front()->menu();
    ASSERT_NE(file, nullptr);
    press(Qt::Key_F, Qt::AltModifier);  // "&File"
    ASSERT_TRUE(pumpUntil([&] { return file->isVisible(); }));
    press(Qt::Key_F, Qt::AltModifier);  // "&fesk", only marked
    EXPECT_FALSE(file->isVisible());
    ASSERT_NE(bar->activeAction(), nullptr);
    EXPECT_EQ(bar->activeAction()->text(), "&fesk");
    EXPECT_TRUE(desktop_->children().empty()) << "a second Alt+F started a command";
    press(Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(pumpUntil([&] { return file->isVisible(); })) << "the turn comes round again";
    press(Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(desktop_->children().empty());
    press(Qt::Key_Return);  // the marked item is chosen by Enter
    EXPECT_TRUE(pumpUntil([&] { return window(kBrowse) != nullptr; }));
  });
}

TEST_F(WindowKeys, EveryButtonHasAnAltKeyOfItsOwnThatPressesIt) {
  runProgram([&] {
    ChildWindow* form = openTheAddForm();
    ASSERT_NE(form, nullptr);
    ChildWindow* browse = window(kBrowse);
    // Underlines are added only where the definition has none.
    EXPECT_EQ(buttonText(browse, kInsertButton), "&Insert");
    EXPECT_EQ(buttonText(browse, kCloseButton), "C&lose");
    EXPECT_EQ(buttonText(browse, kHelpButton), "Hel&p");
    EXPECT_EQ(buttonText(form, kOkButton), "&OK");
    EXPECT_EQ(buttonText(form, kCancelButton), "C&ancel");
    EXPECT_EQ(buttonText(form, kFormHelpButton), "He&lp");
    expectOwnAltKeys(browse);
    expectOwnAltKeys(form);

    press(Qt::Key_A, Qt::AltModifier);  // Cancel
    ASSERT_TRUE(pumpUntil([&] { return window(kAddForm) == nullptr; }));
    press(Qt::Key_L, Qt::AltModifier);  // Close
    EXPECT_TRUE(pumpUntil([&] { return window(kBrowse) == nullptr; }));
  });
}

TEST_F(WindowKeys, ABrowseResizedBehindItsFormIsLaidOutAgainAndKeepsItsButtonsWithTheList) {
  runProgram([&] {
    ChildWindow* form = openTheAddForm();
    ASSERT_NE(form, nullptr);
    ChildWindow* browse = window(kBrowse);
    auto* rows = qobject_cast<QTreeWidget*>(field(kBrowse, kList));
    ASSERT_NE(rows, nullptr);
    QWidget* list = rows->parentWidget();
    QWidget* deleteButton = field(kBrowse, kDeleteButton);
    const QRect listBefore = list->geometry();
    const int nameColumnBefore = rows->columnWidth(0);

    QMdiSubWindow* sub = subWindowOf(browse);
    const QSize original = sub->size();
    sub->resize(original + QSize(400, 200));
    ASSERT_TRUE(pumpUntil([&] { return list->width() > listBefore.width() + 300; }))
        << "the browse was not laid out for its size while its form was open";
    EXPECT_GT(list->height(), listBefore.height() + 150);
    EXPECT_EQ(activeWindow(), form) << "the form stays in front";
    // The buttons spread along the list, the last one near its right end,
    // and the columns widen with it.
    EXPECT_GT(deleteButton->x(), list->geometry().center().x());
    EXPECT_LT(list->geometry().right() - deleteButton->geometry().right(), list->width() / 5);
    EXPECT_GT(rows->columnWidth(0), nameColumnBefore + 100);

    press(Qt::Key_Escape);  // closes the form
    ASSERT_TRUE(pumpUntil([&] { return window(kAddForm) == nullptr; }));
    EXPECT_EQ(activeWindow(), browse);
    EXPECT_GT(rows->topLevelItemCount(), 15) << "the list shows the rows of its new size";
    sub->resize(original);  // the size the next browse opens at is the one left
    settle();
  });
}

TEST_F(WindowKeys, AClosingWindowHandsTheFocusBackToTheOneThatOpenedIt) {
  runProgram([&] {
    ASSERT_NE(openTheAddForm(), nullptr);
    press(Qt::Key_Escape);
    ASSERT_TRUE(pumpUntil([&] { return window(kAddForm) == nullptr; }));
    openBrowse();  // a second browse, the newest window behind the forms to come
    ChildWindow* second = activeWindow();
    ASSERT_NE(second, nullptr);
    ChildWindow* first = nullptr;
    for (ChildWindow* shown : desktop_->children())
      if (shown != second) first = shown;
    ASSERT_NE(first, nullptr);
    desktop_->bringToFront(first->handle());
    settle();
    ASSERT_EQ(activeWindow(), first);
    click(first->fieldWidget(kChangeButton));
    ChildWindow* form = window(kChangeForm);
    ASSERT_NE(form, nullptr);
    auto* tabs = qobject_cast<QTabBar*>(form->fieldWidget(kFormSheet));
    ASSERT_NE(tabs, nullptr);
    click(tabs, tabs->tabRect(1).center());
    ASSERT_TRUE(form->fieldWidget(kFesk2List)->isVisibleTo(form));
    click(form->fieldWidget(kFesk2Insert));
    ASSERT_TRUE(pumpUntil([&] { return window(kAddFesk2Form) != nullptr; }));

    press(Qt::Key_Escape);
    ASSERT_TRUE(pumpUntil([&] { return window(kAddFesk2Form) == nullptr; }));
    EXPECT_EQ(activeWindow(), form) << "the FESK2 form gave the focus away from its FESK1 form";
    press(Qt::Key_Escape);
    ASSERT_TRUE(pumpUntil([&] { return window(kChangeForm) == nullptr; }));
    EXPECT_EQ(activeWindow(), first) << "the form gave the focus to another browse";
  });
}

// Ctrl+F in the list, and Edit > Find..., open the search line over it; what
// is typed there finds the record, and Esc closes the line, not the window.
TEST_F(WindowKeys, CtrlFAndTheEditMenuOpenASearchLineOverTheList) {
  runProgram([&] {
    ASSERT_NE(openBrowse(), nullptr);
    ChildWindow* browse = window(kBrowse);
    const auto selectedCode = [&] {
      const apprt::ControlView* list = browse->view().control(kList);
      return list && list->selected > 0 ? list->rows.at(list->selected - 1).at(0) : "";
    };
    press(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(browse->findBar()->isVisible());
    type("c02");
    EXPECT_EQ(browse->findBar()->text(), "c02");
    EXPECT_EQ(selectedCode(), "C020");
    type("x");
    EXPECT_EQ(browse->findBar()->message(), "\"c02x\" not found");
    EXPECT_EQ(selectedCode(), "C020");
    press(Qt::Key_Escape);
    EXPECT_FALSE(browse->findBar()->isVisible());
    ASSERT_EQ(window(kBrowse), browse) << "Esc closed the line, not the window";
    chooseMenu("&Edit", "&Find...");
    EXPECT_TRUE(pumpUntil([&] { return browse->findBar()->isVisible(); }));
    EXPECT_EQ(browse->findBar()->text(), "");
  });
}

}  // namespace
}  // namespace fesk::qt::test
