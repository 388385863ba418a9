// The program on the desktop over a working day: Exit asks before it throws
// typing away, windows grow, the focus can be seen, and what the user set up
// is there again in the next window and the next run.

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPalette>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include "program_fixture.h"
#include "runtime/frontend/remembered.h"
#include "ui/qt/desktop_settings.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/session_end.h"

namespace fesk::qt::test {
namespace {

QAbstractButton* buttonWithText(QMessageBox* box, const QString& text) {
  for (QAbstractButton* b : box->buttons())
    if (b->text() == text) return b;
  return nullptr;
}

class WorkingDay : public ProgramDesktopTest {
 protected:
  void SetUp() override {
    ProgramDesktopTest::SetUp();
    seed(numberedRecords(40));
  }

  QMdiSubWindow* subWindowOf(ChildWindow* child) const {
    for (QMdiSubWindow* sub : desktop_->frame()->mdiArea()->subWindowList())
      if (auto* shown = qobject_cast<ChildSubWindow*>(sub); shown && shown->child() == child)
        return sub;
    return nullptr;
  }
};

TEST_F(WorkingDay, ExitOverAFilledFormAsksAndCancelBringsTheFormToTheFront) {
  runProgram([&] {
    ChildWindow* form = openTheAddForm();
    ASSERT_NE(form, nullptr);
    type("Z001");
    openBrowse();  // another browse in front of the form
    ASSERT_NE(desktop_->frame()->mdiArea()->activeSubWindow(), subWindowOf(form));

    desktop_->frame()->close();  // the close box
    QMessageBox* box = waitForBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "1 window holds changes that are not saved. Exit anyway?");
    ASSERT_NE(buttonWithText(box, "Exit anyway"), nullptr);
    ASSERT_NE(buttonWithText(box, "Cancel"), nullptr);
    EXPECT_EQ(box->defaultButton(), buttonWithText(box, "Cancel"));
    click(buttonWithText(box, "Cancel"));
    settle();
    EXPECT_FALSE(run_->ended());
    EXPECT_EQ(desktop_->frame()->mdiArea()->activeSubWindow(), subWindowOf(form));
    EXPECT_EQ(qobject_cast<QLineEdit*>(form->fieldWidget(3))->text(), "Z001");

    chooseMenu("&File", "E&xit");
    box = waitForBox();
    ASSERT_NE(box, nullptr);
    click(buttonWithText(box, "Exit anyway"));
    EXPECT_TRUE(pumpUntil([&] { return run_->ended(); }, 20000));
  });
  EXPECT_EQ(stored(), numberedRecords(40));
}

TEST_F(WorkingDay, TheSessionEndingAsksAboutTypingNotSavedAndCancelKeepsTheSession) {
  // The user's answer, given when the question is shown while the session waits.
  QString asked;
  auto answerWith = [&](const QString& button) {
    auto* poll = new QTimer(desktop_.get());
    QObject::connect(poll, &QTimer::timeout, [this, poll, button, &asked] {
      QMessageBox* box = desktop_->messageBox();
      if (!box || !buttonWithText(box, button)) return;
      asked = box->text();
      poll->deleteLater();
      buttonWithText(box, button)->click();
    });
    poll->start(20);
  };
  runProgram([&] {
    ChildWindow* form = openTheAddForm();
    ASSERT_NE(form, nullptr);
    type("Z001");
    // Without a word with the user nothing is closed, and nothing saved half-way.
    EXPECT_TRUE(sessionMayEnd(*desktop_, false));
    settle();
    EXPECT_EQ(window(kAddForm), form);

    answerWith("Cancel");
    EXPECT_FALSE(sessionMayEnd(*desktop_, true));
    EXPECT_EQ(asked, "1 window holds changes that are not saved. Exit anyway?");
    settle();
    EXPECT_FALSE(run_->ended());
    EXPECT_EQ(qobject_cast<QLineEdit*>(form->fieldWidget(kCodeEntry))->text(), "Z001");

    asked.clear();
    answerWith("Exit anyway");
    EXPECT_TRUE(sessionMayEnd(*desktop_, true));
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_TRUE(pumpUntil([&] { return run_->ended(); }, 20000));
  });
  EXPECT_EQ(stored(), numberedRecords(40));
}

TEST_F(WorkingDay, AMaximizedBrowseGrowsItsListAndShowsMoreRowsOnTheSameRecord) {
  runProgram([&] {
    QTreeWidget* rows = openBrowse();
    ASSERT_NE(rows, nullptr);
    ChildWindow* browse = window(kBrowse);
    QWidget* list = rows->parentWidget();
    QWidget* closeButton = field(kBrowse, kCloseButton);
    const QRect listBefore = list->geometry();
    const QRect closeBefore = closeButton->geometry();
    ASSERT_EQ(rows->topLevelItemCount(), 15);
    click(rows->viewport(), rows->visualItemRect(rows->topLevelItem(4)).center());
    const QString selected = rows->selectedItems().front()->text(0);

    subWindowOf(browse)->showMaximized();
    ASSERT_TRUE(pumpUntil([&] { return rows->topLevelItemCount() > 15; }));
    settle();
    EXPECT_GT(list->width(), listBefore.width());
    EXPECT_GT(list->height(), listBefore.height());
    // Buttons keep their size (within the pixel that placing edges may take).
    EXPECT_NEAR(closeButton->width(), closeBefore.width(), 1);
    EXPECT_NEAR(closeButton->height(), closeBefore.height(), 1);
    EXPECT_GT(closeButton->y(), closeBefore.y()) << "and stay under the list";
    EXPECT_LE(closeButton->geometry().bottom(), browse->height());
    EXPECT_LE(list->geometry().right(), browse->width());
    ASSERT_EQ(rows->selectedItems().size(), 1);
    EXPECT_EQ(rows->selectedItems().front()->text(0), selected);
    // Every row shown is whole.
    const int last = rows->topLevelItemCount() - 1;
    EXPECT_LE(rows->visualItemRect(rows->topLevelItem(last)).bottom(), rows->viewport()->height());

    subWindowOf(browse)->showNormal();
    ASSERT_TRUE(pumpUntil([&] { return rows->topLevelItemCount() == 15; }));
    EXPECT_EQ(list->geometry(), listBefore);
  });
}

// What a button looks like, unfocused and then focused, in the palette given.
std::pair<QImage, QImage> buttonFocusedAndNot(QWidget* button, const QPalette& palette) {
  QApplication::setPalette(palette);
  QCoreApplication::processEvents();
  button->clearFocus();
  QCoreApplication::processEvents();
  QImage unfocused = button->grab().toImage();
  button->setFocus(Qt::OtherFocusReason);  // as the runtime moves it
  QCoreApplication::processEvents();
  return {unfocused, button->grab().toImage()};
}

TEST_F(WorkingDay, TheFocusedButtonLooksDifferentInTheLightAndTheDarkPalette) {
  const QPalette original = QApplication::palette();
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(40, 40, 40));
  dark.setColor(QPalette::Button, QColor(55, 55, 55));
  dark.setColor(QPalette::ButtonText, Qt::white);
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::Highlight, QColor(60, 130, 220));
  runProgram([&] {
    ASSERT_NE(openBrowse(), nullptr);
    QWidget* button = field(kBrowse, kCloseButton);
    ASSERT_NE(button, nullptr);
    for (const QPalette& palette : {original, dark}) {
      const auto [unfocused, focused] = buttonFocusedAndNot(button, palette);
      ASSERT_EQ(unfocused.size(), focused.size());
      int differing = 0;
      for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x)
          differing += unfocused.pixel(x, y) != focused.pixel(x, y);
      // A ring around the button, not a stray pixel.
      EXPECT_GT(differing, focused.width()) << "the focus is drawn";
    }
    QApplication::setPalette(original);
  });
}

TEST_F(WorkingDay, TheNextBrowseAndTheNextRunStartAsTheLastWereLeft) {
  DesktopChoices choices;
  apprt::keepChoicesIn(&choices);
  runProgram([&] {
    ASSERT_NE(openBrowse(), nullptr);
    click(field(kBrowse, kInLineButton));
    auto* tabs = qobject_cast<QTabBar*>(field(kBrowse, kSheet));
    ASSERT_NE(tabs, nullptr);
    click(tabs, tabs->tabRect(1).center());
    QMdiSubWindow* sub = subWindowOf(window(kBrowse));
    const QSize larger = sub->size() + QSize(60, 40);
    sub->resize(larger);
    settle();
    click(field(kBrowse, kCloseButton));
    ASSERT_TRUE(pumpUntil([&] { return window(kBrowse) == nullptr; }));

    ASSERT_NE(openBrowse(), nullptr);
    EXPECT_EQ(
        qobject_cast<QPushButton*>(field(kBrowse, kInLineButton))->text().remove(QLatin1Char('&')),
        "InLine Off");
    EXPECT_EQ(qobject_cast<QTabBar*>(field(kBrowse, kSheet))->currentIndex(), 1);
    EXPECT_EQ(subWindowOf(window(kBrowse))->size(), larger);

    // The paper chosen in Print Setup, one the locale does not start with.
    PageSetupDialog* setup = choosePaper("A5");
    ASSERT_NE(setup, nullptr);
    click(setup->landscapeChoice());
    key(Qt::Key_Return);  // OK
    settle();
  });
  apprt::keepChoicesIn(nullptr);
  EXPECT_EQ(DesktopSettings().value("choices/browse/inline").toString(), "off")
      << "kept in the settings, for the next run";
  Desktop nextRun;
  EXPECT_EQ(nextRun.printer().pageLayout().pageSize().id(), QPageSize::A5);
  EXPECT_EQ(nextRun.printer().pageLayout().orientation(), QPageLayout::Landscape);
  // The frame is closed on the GUI thread once the program has ended.
  EXPECT_TRUE(pumpUntil([] { return !DesktopSettings().frameGeometry().isEmpty(); }));
}

TEST_F(WorkingDay, EveryWindowShowsTheProgramsIconAndTheFrameItsDataSet) {
  const QString dataSet = QString::fromStdString(directory_.path().string());
  desktop_->showDataSet(dataSet);
  runProgram([&] {
    ASSERT_NE(openBrowse(), nullptr);
    EXPECT_FALSE(desktop_->frame()->windowIcon().availableSizes().isEmpty());
    EXPECT_EQ(subWindowOf(window(kBrowse))->windowIcon().availableSizes(),
              desktop_->frame()->windowIcon().availableSizes());
    QStringList shown;
    for (auto* label : desktop_->frame()->statusBar()->findChildren<QLabel*>())
      if (label->isVisible()) shown << label->text();
    EXPECT_TRUE(shown.contains(dataSet)) << shown.join(" | ").toStdString();
  });
}

}  // namespace
}  // namespace fesk::qt::test
