#include "ui/qt/qt_frontend.h"

#include <QApplication>
#include <QMetaObject>
#include <chrono>
#include <future>

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
  if (stopped_) return request.defaultButton;
  auto answer = std::make_shared<std::promise<int>>();
  std::future<int> answered = answer->get_future();
  onGuiThread(desktop_, [d = &desktop_, request, answer] {
    d->askMessageBox(request, [answer](int button) { answer->set_value(button); });
  });
  // The procedure thread waits here without the program lock; the GUI thread
  // goes on painting and taking input for the other windows.
  while (answered.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    if (stopped_) return request.defaultButton;
  return answered.get();
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
