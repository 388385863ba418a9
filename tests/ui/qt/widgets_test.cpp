// The desktop's building blocks on their own: key codes, mnemonics, dialog
// units, entries under a picture, lists, message boxes and the display check.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <cstdlib>

#include "desktop_fixture.h"
#include "runtime/frontend/constants.h"
#include "support/scoped_environment.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/entry_control.h"
#include "ui/qt/key_codes.h"
#include "ui/qt/list_control.h"
#include "ui/qt/message_box.h"
#include "ui/qt/mnemonics.h"
#include "ui/qt/run.h"

namespace fesk::qt::test {
namespace {

int code(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  return keyCode(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
}

bool editing(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
  return isEntryEditingKey(QKeyEvent(QEvent::KeyPress, key, modifiers, text));
}

TEST(KeyCodes, FollowTheVirtualKeySchemeWithModifiersAdded) {
  EXPECT_EQ(code(Qt::Key_A, Qt::NoModifier, "a"), 65) << "letters are upper-case codes";
  EXPECT_EQ(code(Qt::Key_A, Qt::ShiftModifier, "A"), 65 + apprt::kShift);
  EXPECT_EQ(code(Qt::Key_Backtab, Qt::ShiftModifier), apprt::kKeyShiftTab);
  EXPECT_EQ(code(Qt::Key_PageDown, Qt::ControlModifier), apprt::kKeyPgDn + apprt::kCtrl);
  EXPECT_EQ(code(Qt::Key_Return, Qt::ControlModifier), apprt::kKeyCtrlEnter);
  EXPECT_EQ(code(Qt::Key_Enter, Qt::KeypadModifier), apprt::kKeyEnter);
  EXPECT_EQ(code(Qt::Key_5, Qt::KeypadModifier, "5"), 101) << "keypad digits 96-105";
  EXPECT_EQ(code(Qt::Key_I, Qt::AltModifier), 'I' + apprt::kAlt);
  EXPECT_EQ(code(Qt::Key_F4, Qt::AltModifier), apprt::kKeyF4 + apprt::kAlt);
  EXPECT_EQ(code(Qt::Key_Escape), apprt::kKeyEsc);
  EXPECT_EQ(code(Qt::Key_Period, Qt::NoModifier, "."), 190);
  EXPECT_EQ(code(Qt::Key_Shift, Qt::ShiftModifier), 0) << "a modifier alone has no code";
}

TEST(KeyCodes, AnEntryKeepsTypingAndEditingAndPassesOnTheRest) {
  EXPECT_TRUE(editing(Qt::Key_A, Qt::NoModifier, "a"));
  EXPECT_TRUE(editing(Qt::Key_Eacute, Qt::NoModifier, "é"));
  EXPECT_TRUE(editing(Qt::Key_Left, Qt::ShiftModifier));
  EXPECT_TRUE(editing(Qt::Key_Backspace));
  EXPECT_TRUE(editing(Qt::Key_V, Qt::ControlModifier));
  EXPECT_FALSE(editing(Qt::Key_Tab));
  EXPECT_FALSE(editing(Qt::Key_Return, Qt::NoModifier, "\r"));
  EXPECT_FALSE(editing(Qt::Key_Escape, Qt::NoModifier, "\x1b"));
  EXPECT_FALSE(editing(Qt::Key_Up));
  EXPECT_FALSE(editing(Qt::Key_PageDown, Qt::ControlModifier));
  EXPECT_FALSE(editing(Qt::Key_N, Qt::AltModifier, "n")) << "mnemonics are the runtime's";
  EXPECT_FALSE(editing(Qt::Key_F1));
}

TEST(Mnemonics, LabelsUnderlineTheMarkedCharacter) {
  EXPECT_EQ(mnemonicRichText("&code:"), "<u>c</u>ode:");
  EXPECT_EQ(mnemonicRichText("a&&b <&x>"), "a&amp;b &lt;<u>x</u>&gt;");
  EXPECT_EQ(mnemonicRichText("Gr&üße"), QString::fromUtf8("Gr<u>ü</u>ße"));
  EXPECT_EQ(mnemonicRichText("Close"), "Close");
}

class WidgetTest : public ::testing::Test {
 protected:
  void SetUp() override { ensureApplication(); }
};

TEST_F(WidgetTest, DialogUnitsScaleWithTheFontAndKeepNeighboursFlush) {
  DialogUnits small(windowFont("MS Sans Serif", 8));
  DialogUnits large(windowFont("MS Sans Serif", 16));
  EXPECT_GT(large.x(100), small.x(100) * 3 / 2);
  EXPECT_GT(large.y(100), small.y(100) * 3 / 2);
  for (int x = 0; x < 60; ++x) {
    QRect left = small.rect({x, 0, 7, 10}), right = small.rect({x + 7, 0, 7, 10});
    EXPECT_EQ(left.right() + 1, right.left()) << "at " << x;
  }
  // The legacy standard size is the desktop's own; other sizes keep to it.
  const QFont desktop = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  EXPECT_EQ(windowFont("MS Sans Serif", 8).pointSizeF(), desktop.pointSizeF());
  EXPECT_EQ(windowFont("MS Sans Serif", 16).pointSizeF(), 2 * desktop.pointSizeF());
}

TEST_F(WidgetTest, AnEntryTakesAtMostItsPicturesCharactersOfAnyScript) {
  EntryControl entry;
  entry.setPicture("@s20");
  int typed = 0;
  QObject::connect(&entry, &EntryControl::typed, [&typed] { ++typed; });
  for (int i = 0; i < 25; ++i) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QCoreApplication::sendEvent(&entry, &key);
  }
  EXPECT_EQ(entry.text(), QString(20, 'x'));
  EXPECT_EQ(typed, 20) << "every accepted edit is reported, whole";

  entry.clear();
  for (int i = 0; i < 21; ++i) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, "é");
    QCoreApplication::sendEvent(&entry, &key);
  }
  EXPECT_EQ(entry.text(), QString(20, QChar(0xE9)));

  // A character beyond the basic plane is one character, not its two halves.
  const QString face = QString::fromUtf8("😀");
  entry.clear();
  for (int i = 0; i < 21; ++i) {
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, face);
    QCoreApplication::sendEvent(&entry, &key);
  }
  EXPECT_EQ(entry.text(), face.repeated(20));
}

TEST_F(WidgetTest, APasteIntoAnEntryKeepsWhatFitsAndReportsIt) {
  EntryControl entry;
  entry.setPicture("@s20");
  QStringList reported;
  QObject::connect(&entry, &EntryControl::typed,
                   [&reported](const QString& text) { reported << text; });
  QApplication::clipboard()->setText(QString::fromUtf8("éèêë0123456789"));
  entry.showRuntimeValue("abcdefghijklmnop");  // 16 characters, as the runtime shows them
  entry.setCursorPosition(8);
  entry.paste();
  EXPECT_EQ(entry.text(), QString::fromUtf8("abcdefghéèêëijklmnop"))
      << "the pasted text's beginning, where it was put";
  EXPECT_EQ(entry.cursorPosition(), 12);
  EXPECT_EQ(reported, QStringList{entry.text()});
  entry.paste();
  EXPECT_EQ(entry.text().size(), 20) << "a full entry takes none of it";
  EXPECT_EQ(reported.size(), 1);
}

TEST_F(WidgetTest, AnEntryIgnoresStaleEchoesButShowsTheRuntimesOwnValues) {
  EntryControl entry;
  entry.setPicture("@s20");
  entry.showRuntimeValue("abc                 ");
  EXPECT_EQ(entry.text(), "abc") << "padding is not shown";
  entry.clear();
  for (const char* c : {"a", "b"}) {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, c);
    QCoreApplication::sendEvent(&entry, &key);
  }
  entry.showRuntimeValue("a");
  EXPECT_EQ(entry.text(), "ab") << "the echo of an older edit";
  entry.showRuntimeValue("ab");
  EXPECT_EQ(entry.text(), "ab");
  entry.showRuntimeValue("Changed");
  EXPECT_EQ(entry.text(), "Changed") << "the runtime's DISPLAY";
}

apprt::ControlView listView(int rows, int selected, bool scrollBar, int thumb) {
  apprt::ControlView v;
  v.kind = apprt::ControlKind::List;
  v.format = "80L(2)|M~code~L(2)@S20@80R(2)|M~name~R(2)@S20@";
  v.visibleRows = 8;
  for (int i = 1; i <= rows; ++i) v.rows.push_back({"c" + std::to_string(i), "n"});
  v.selected = selected;
  v.scrollBar = scrollBar;
  v.thumb = thumb;
  return v;
}

TEST_F(WidgetTest, AListShowsExactlyTheRowsSentAndReportsItsScrollBar) {
  DialogUnits units(windowFont("MS Sans Serif", 8));
  ListControl list(units);
  list.resize(units.size(143, 74));
  list.apply(listView(8, 3, true, 40));
  list.show();
  QTreeWidget* rows = list.rowsView();
  EXPECT_EQ(rows->topLevelItemCount(), 8);
  EXPECT_EQ(rows->columnCount(), 2);
  EXPECT_EQ(rows->headerItem()->text(1), "name");
  EXPECT_TRUE(rows->topLevelItem(0)->textAlignment(1) & Qt::AlignRight);
  EXPECT_TRUE(rows->topLevelItem(2)->isSelected());
  EXPECT_LE(rows->visualItemRect(rows->topLevelItem(7)).bottom(), rows->viewport()->height())
      << "the whole page is in view";
  ASSERT_TRUE(list.scrollBar()->isVisible());
  EXPECT_EQ(list.scrollBar()->value(), 40);

  std::vector<int> scrolled;
  QObject::connect(&list, &ListControl::scrolled,
                   [&scrolled](int scrollCode, int) { scrolled.push_back(scrollCode); });
  list.scrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  list.scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(scrolled, (std::vector<int>{apprt::kScrollPageDown, apprt::kScrollLineUp}));
  EXPECT_EQ(list.scrollBar()->value(), 40) << "the thumb waits for the runtime";

  list.apply(listView(2, 0, false, 0));
  EXPECT_EQ(rows->topLevelItemCount(), 2);
  EXPECT_TRUE(rows->selectedItems().isEmpty());
  EXPECT_FALSE(list.scrollBar()->isVisible());
}

TEST_F(WidgetTest, AMessageBoxHasTheKindsTitleIconButtonsAndDefault) {
  apprt::MessageBoxRequest request;
  request.text = "Sure?";
  request.title = "Confirm Delete";
  request.icon = apprt::Icon::Question;
  request.buttons = apprt::kButtonOk + apprt::kButtonCancel;
  request.defaultButton = apprt::kButtonCancel;
  std::unique_ptr<QMessageBox> box(makeMessageBox(request, nullptr));
  box->setAttribute(Qt::WA_DeleteOnClose, false);
  EXPECT_EQ(box->windowTitle(), "Confirm Delete");
  EXPECT_EQ(box->icon(), QMessageBox::Question);
  ASSERT_EQ(box->buttons().size(), 2);
  EXPECT_EQ(buttonValue(box->button(QMessageBox::Ok)), apprt::kButtonOk);
  EXPECT_EQ(buttonValue(box->defaultButton()), apprt::kButtonCancel);

  request.icon = apprt::Icon::Warning;
  request.buttons = apprt::kButtonYes + apprt::kButtonNo + apprt::kButtonCancel;
  request.defaultButton = apprt::kButtonYes;
  std::unique_ptr<QMessageBox> three(makeMessageBox(request, nullptr));
  three->setAttribute(Qt::WA_DeleteOnClose, false);
  EXPECT_EQ(three->icon(), QMessageBox::Warning);
  EXPECT_EQ(three->buttons().size(), 3);
  EXPECT_EQ(buttonValue(three->button(QMessageBox::No)), apprt::kButtonNo);
  EXPECT_EQ(buttonValue(three->defaultButton()), apprt::kButtonYes);
}

TEST(DisplayCheck, WithoutADisplayServerTheDesktopSaysSoAndPointsToScriptMode) {
  fesk::test::ScopedEnvironment noDisplay("DISPLAY", std::nullopt);
  fesk::test::ScopedEnvironment noWayland("WAYLAND_DISPLAY", std::nullopt);
  fesk::test::ScopedEnvironment noPlatform("QT_QPA_PLATFORM", std::nullopt);
  char name[] = "fesk";
  char* argv[] = {name, nullptr};
  std::string why = missingDisplay(1, argv);
  EXPECT_NE(why.find("no display"), std::string::npos);
  EXPECT_NE(why.find("--ui=headless --script"), std::string::npos);
  EXPECT_EQ(why.find('\n'), std::string::npos) << "one line";
  char option[] = "-platform", offscreen[] = "offscreen";
  char* withPlatform[] = {name, option, offscreen, nullptr};
  EXPECT_EQ(missingDisplay(3, withPlatform), "");
  fesk::test::ScopedEnvironment display("DISPLAY", ":0");
  EXPECT_EQ(missingDisplay(1, argv), "");
}

}  // namespace
}  // namespace fesk::qt::test
