#include "ui/qt/progress_dialog.h"

#include <QProgressDialog>

namespace fesk::qt {
namespace {

// Work shorter than this shows no report.
constexpr int kProgressShownAfterMs = 500;

}  // namespace

QProgressDialog* newProgressDialog(QWidget* parent, const QString& title,
                                   std::function<void()> stop) {
  auto* dialog = new QProgressDialog(parent);
  dialog->setWindowTitle(title);
  dialog->setCancelButtonText(QStringLiteral("&Cancel"));
  dialog->setAutoClose(false);
  dialog->setAutoReset(false);
  dialog->setMinimumDuration(kProgressShownAfterMs);
  QObject::connect(dialog, &QProgressDialog::canceled, dialog,
                   [stop = std::move(stop)] { stop(); });
  return dialog;
}

}  // namespace fesk::qt
