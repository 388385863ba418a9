#include "ui/qt/qt_frontend.h"

#include <QApplication>
#include <QMetaObject>

#include "runtime/awaited_answer.h"
#include "ui/qt/desktop.h"

namespace fesk::qt {

namespace {

template <typename F>
void onGuiThread(Desktop& desktop, F&& work) {
  QMetaObject::invokeMethod(&desktop, std::forward<F>(work), Qt::QueuedConnection);
}

}  // namespace

QtFrontEnd::QtFrontEnd(Desktop& desktop) : desktop_(desktop) {}

void QtFrontEnd::windowChanged(const apprt::WindowView& view) {
  onGuiThread(desktop_, [d = &desktop_, view] { d->showWindow(view); });
}

void QtFrontEnd::windowClosed(int handle) {
  onGuiThread(desktop_, [d = &desktop_, handle] { d->closeWindow(handle); });
}

int QtFrontEnd::messageBox(const apprt::MessageBoxRequest& request) {
  return apprt::awaitAnswer(
      [&](auto answer) {
        onGuiThread(desktop_,
                    [d = &desktop_, request, answer] { d->askMessageBox(request, answer); });
      },
      stopped_, request.defaultButton);
}

void QtFrontEnd::printPreview(const apprt::PrintedList& list, int) {
  apprt::awaitAnswer(
      [&](auto answer) {
        onGuiThread(desktop_, [d = &desktop_, list, answer] {
          d->showPrintPreview(list, [answer] { answer(true); });
        });
      },
      stopped_, false);
}

std::string QtFrontEnd::askSavePath(const apprt::SavePathRequest& request) {
  return apprt::awaitAnswer(
      [&](auto answer) {
        onGuiThread(desktop_,
                    [d = &desktop_, request, answer] { d->askSavePath(request, answer); });
      },
      stopped_, std::string());
}

bool QtFrontEnd::progress(const apprt::ProgressView& view) {
  onGuiThread(desktop_, [d = &desktop_, view, this] {
    d->showProgress(view, [this, id = view.id] { stops_.ask(id); });
  });
  return stops_.asked(view);
}

void QtFrontEnd::beep() {
  onGuiThread(desktop_, [] { QApplication::beep(); });
}

void QtFrontEnd::standardAction(apprt::StandardAction action, int window) {
  onGuiThread(desktop_, [d = &desktop_, action, window] { d->standardAction(action, window); });
}

void QtFrontEnd::help(const std::string& helpId) {
  onGuiThread(desktop_, [d = &desktop_, helpId] { d->showHelp(helpId); });
}

void QtFrontEnd::programEnded(int exitCode, const std::string& haltMessage) {
  onGuiThread(desktop_,
              [d = &desktop_, exitCode, haltMessage] { d->endProgram(exitCode, haltMessage); });
}

void QtFrontEnd::stop() {
  stopped_ = true;
}

}  // namespace fesk::qt
