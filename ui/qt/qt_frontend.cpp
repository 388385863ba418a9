#include "ui/qt/qt_frontend.h"

#include <QMetaObject>

namespace fesk::qt {

void QtFrontEnd::post(std::function<void(Desktop&)> work) {
  QMetaObject::invokeMethod(
      &desktop_, [d = &desktop_, work = std::move(work)] { work(*d); }, Qt::QueuedConnection);
}

void QtFrontEnd::printPreview(std::shared_ptr<apprt::PreviewedList> list, int) {
  post([list = std::move(list)](Desktop& d) { d.showPrintPreview(list); });
}

void QtFrontEnd::programEnded(int exitCode, const std::string& haltMessage) {
  post([exitCode, haltMessage](Desktop& d) { d.endProgram(exitCode, haltMessage); });
}

}  // namespace fesk::qt
