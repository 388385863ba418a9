#pragma once
// Runs the sample program on the desktop (offscreen) and drives its real
// widgets as a person would: mouse clicks on the menu bar, buttons and rows,
// key presses into the focused widget.

#include <gtest/gtest.h>

#include <QString>
#include <functional>
#include <memory>

#include "runtime/threads/program.h"
#include "ui/qt/child_window.h"
#include "ui/qt/desktop.h"
#include "ui/qt/qt_frontend.h"

class QMessageBox;
class QTreeWidget;
class QWidget;

namespace fesk::qt::test {

// The title of the browse window that the frame's "&fesk" item opens.
inline const QString kBrowse = QStringLiteral("Browse the fesk1 File");

// The one QApplication of the test program, on the offscreen platform.
void ensureApplication();

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Lets the program and the GUI catch up: pumps Qt events until every
  // procedure thread waits for input and the views have been shown.
  void settle();
  // Pumps Qt events until `done` holds; false on time-out.
  bool pumpUntil(const std::function<bool()>& done, int milliseconds = 5000);

  // Gestures.
  void chooseMenu(const QString& menu, const QString& item = {});
  void click(QWidget* widget, QPoint at = {-1, -1});
  void doubleClick(QWidget* widget, QPoint at);
  void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
  void type(const QString& text);
  void wheel(QWidget* widget, int notches);
  // Opens a browse from the frame's menu: its list (nullptr, and a failure,
  // when none opened).
  QTreeWidget* openBrowse();
  // The message box the program shows next (nullptr when none came).
  QMessageBox* waitForBox();

  // What is shown.
  ChildWindow* window(const QString& title) const;
  QWidget* focused() const;  // the widget keys go to
  QWidget* field(const QString& title, int field) const;

  std::unique_ptr<Desktop> desktop_;
  std::unique_ptr<QtFrontEnd> frontEnd_;
  std::unique_ptr<apprt::ProgramRun> run_;
};

}  // namespace fesk::qt::test
