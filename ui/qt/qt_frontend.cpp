#include "ui/qt/qt_frontend.h"

#include <QMetaObject>

namespace fesk::qt {

void QtFrontEnd::post(std::function<void(Desktop&)> work) {
  QMetaObject::invokeMethod(
      &desktop_, [d = &desktop_, work = std::move(work)] { work(*d); }, Qt::QueuedConnection);
}

void QtFrontEnd::printPreview(const apprt::PrintedList& list, int) {
  ask<bool>(false, [list](Desktop& d, auto closed) {
    d.showPrintPreview(list, [closed] { closed(true); });
  });
}

void QtFrontEnd::programEnded(int exitCode, const std::string& haltMessage) {
  post([exitCode, haltMessage](Desktop& d) { d.endProgram(exitCode, haltMessage); });
}

}  // namespace fesk::qt
