#pragma once
// The desktop's report of long work: shown only after a moment, so that short
// work shows nothing, with a Cancel button that asks the work to stop.

#include <QString>
#include <functional>

class QProgressDialog;
class QWidget;

namespace fesk::qt {

QProgressDialog* newProgressDialog(QWidget* parent, const QString& title,
                                   std::function<void()> stop);

}  // namespace fesk::qt
