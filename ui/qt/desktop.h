#pragma once
// The desktop: every window of the program as Qt widgets, on the GUI thread.
// It shows what the runtime sends (through QtFrontEnd), carries out the
// standard actions, shows message boxes and help, and sends what the user
// does to the runtime. It never runs procedure code and never waits for it.

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "ui/qt/input_sink.h"

class QFileDialog;
class QMdiSubWindow;
class QMessageBox;
class QPrinter;
class QProgressDialog;
class QWidget;

namespace fesk::qt {

class ChildWindow;
class FrameWindow;
class HelpViewer;
class PrintPreviewWindow;

class Desktop : public QObject {
  Q_OBJECT
 public:
  explicit Desktop(InputSink send = apprt::deliverInput);
  ~Desktop() override;

  void showWindow(const apprt::WindowView& view);
  void closeWindow(int handle);
  // Shows the box; `answer` is called with the value of the button pressed.
  void askMessageBox(const apprt::MessageBoxRequest& request, std::function<void(int)> answer);
  void standardAction(apprt::StandardAction action, int window);
  void bringToFront(int window);
  // The data set worked on, shown in the frame's status bar.
  void showDataSet(const QString& name);
  void showHelp(const std::string& helpId);
  void beep();
  void endProgram(int exitCode, const std::string& haltMessage);
  // Printing and files (desktop_dialogs.cpp). The preview closes `list` when
  // the user closes it; `answer` is called once, when the user is done.
  void showPrintPreview(std::shared_ptr<apprt::PreviewedList> list);
  // Print Setup over `parent`; `changed` is called when the user changed it.
  void setUpPage(QWidget* parent, std::function<void()> changed);
  void askSavePath(const apprt::SavePathRequest& request, std::function<void(std::string)> answer);
  // Shows (after a moment, so that short work shows nothing), updates or
  // removes the report of a piece of work; `stop` is called when the user
  // cancels it.
  void showProgress(const apprt::ProgressView& view, std::function<void()> stop);

  // What is on the screen now.
  FrameWindow* frame() const { return frame_.get(); }
  ChildWindow* child(int handle) const;
  ChildWindow* childByTitle(const QString& title) const;
  std::vector<ChildWindow*> children() const;
  QMessageBox* messageBox() const;  // the newest box waiting for an answer
  HelpViewer* helpViewer() const { return help_.get(); }
  PrintPreviewWindow* printPreview() const;
  QFileDialog* saveDialog() const;
  QProgressDialog* progressDialog() const;  // the newest report of work shown
  // The printer's page set-up, first on the paper of the locale.
  QPrinter& printer();

 signals:
  void ended(int exitCode);
  // A message box of the program's was shown.
  void asked(QMessageBox* box);

 private:
  void childActivated(QMdiSubWindow* sub);
  void updateBusyCursor();

  InputSink send_;
  std::unique_ptr<FrameWindow> frame_;
  std::map<int, ChildWindow*> children_;  // owned by their sub-window (or top-level)
  std::map<int, QWidget*> outers_;        // the sub-window, or the child itself
  std::map<int, int> openers_;            // a window -> the one in front when it opened
  std::vector<QPointer<QMessageBox>> boxes_;
  std::unique_ptr<HelpViewer> help_;
  std::unique_ptr<QPrinter> printer_;
  QPointer<PrintPreviewWindow> preview_;
  QPointer<QFileDialog> saveDialog_;
  QString saveDirectory_;
  std::map<int, QPointer<QProgressDialog>> progress_;
  bool busyShown_ = false;
  QString dataSet_;
};

}  // namespace fesk::qt
