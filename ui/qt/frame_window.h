#pragma once
// The frame: the program's main window, with the menu bar, tool bar and
// status bar of its definition and the MDI area that holds every other
// window. Menu items and tool-bar buttons are reported to the runtime, which
// answers standard actions through the front-end.

#include <QMainWindow>
#include <QMdiSubWindow>
#include <map>
#include <string>

#include "runtime/frontend/frontend.h"
#include "ui/qt/input_sink.h"

class QKeyEvent;
class QLabel;
class QMdiArea;
class QMenu;

namespace fesk::qt {

class ChildWindow;

class FrameWindow : public QMainWindow {
  Q_OBJECT
 public:
  FrameWindow(const apprt::WindowView& view, InputSink send);

  void apply(const apprt::WindowView& view);
  int handle() const { return view_.handle; }
  const apprt::WindowView& view() const { return view_; }
  QMdiArea* mdiArea() const { return area_; }
  QAction* menuAction(int field) const;
  // The Alt keys of the menu bar's titles (upper-case), which no button of
  // another window takes for itself.
  std::string menuMnemonics() const;

  // Puts a window of the program into the MDI area.
  QMdiSubWindow* addChild(ChildWindow* child);
  // Lines up the minimised windows along the bottom of the MDI area.
  void arrangeIcons();
  // The focused control's status-bar text.
  void showControlMessage(const QString& message);
  // The data set worked on, at the status bar's end ("" shows none).
  void showDataSet(const QString& name);
  // Lets the next close go through (the program has ended).
  void allowClose() { closing_ = true; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  void buildToolBar();
  // Alt plus `key` for the menu bar: the one title with that key is opened
  // or chosen; titles that share it are gone through in turn, each press
  // opening the next (an item on the bar itself is only marked, for Enter).
  bool menuKey(QObject* receiver, QKeyEvent* key);
  void goToTitle(int key);

  apprt::WindowView view_;
  InputSink send_;
  QMdiArea* area_;
  QLabel* message_;
  QLabel* dataSet_;
  std::map<int, QAction*> actions_;  // menu items and tool-bar buttons by field
  bool closing_ = false;
  QAction* marked_ = nullptr;  // an item on the bar reached by its Alt key, awaiting Enter
};

// An MDI child: its close box goes to the runtime.
class ChildSubWindow : public QMdiSubWindow {
  Q_OBJECT
 public:
  explicit ChildSubWindow(ChildWindow* child);
  ChildWindow* child() const { return child_; }
  void allowClose() { closing_ = true; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ChildWindow* child_;
  bool closing_ = false;
};

}  // namespace fesk::qt
