// The desktop's dialogs for printing and files: the print preview of a
// printed list, the save dialog, and the reports of long work.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressDialog>

#include "ui/qt/desktop.h"
#include "ui/qt/desktop_settings.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/locale_page_size.h"
#include "ui/qt/printed_list_painter.h"

namespace fesk::qt {
namespace {

// Work shorter than this shows no report.
constexpr int kProgressShownAfterMs = 500;

QString text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

}  // namespace

QPrinter& Desktop::printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>();
    printer_->setPageSize(localePageSize());
    if (auto layout = DesktopSettings().pageLayout()) {
      printer_->setPageSize(layout->pageSize());
      printer_->setPageOrientation(layout->orientation());
    }
  }
  return *printer_;
}

void Desktop::showPrintPreview(const apprt::PrintedList& list, std::function<void()> closed) {
  auto* dialog = new QPrintPreviewDialog(&printer(), frame_.get());
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(QStringLiteral("Print Preview: ") + text(list.header.title));
  auto shown = std::make_shared<apprt::PrintedList>(list);
  connect(dialog, &QPrintPreviewDialog::paintRequested, dialog, [shown, dialog](QPrinter* p) {
    apprt::PrintedItemsSource items(shown->items);
    try {
      paintPrintedList(*p, shown->header, items);
    } catch (const apprt::PrintError& e) {
      QMessageBox::warning(dialog, QStringLiteral("Print"), text(e.what()));
    }
  });
  connect(dialog, &QDialog::finished, dialog, [closed = std::move(closed)] { closed(); });
  preview_ = dialog;
  dialog->resize(frame_ ? frame_->size() * 0.9 : QSize(800, 900));
  dialog->open();
}

void Desktop::askSavePath(const apprt::SavePathRequest& request,
                          std::function<void(std::string)> answer) {
  auto* dialog = new QFileDialog(frame_.get(), text(request.title));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setNameFilters({text(request.fileType) + " (*." + text(request.extension) + ")",
                          QStringLiteral("All files (*)")});
  dialog->setDefaultSuffix(text(request.extension));
  dialog->setDirectory(saveDirectory_.isEmpty() ? QDir::homePath() : saveDirectory_);
  dialog->selectFile(text(request.suggestedName));
  connect(dialog, &QDialog::finished, dialog,
          [this, dialog, answer = std::move(answer)](int result) {
            const QStringList chosen = dialog->selectedFiles();
            if (result != QDialog::Accepted || chosen.isEmpty()) return answer({});
            saveDirectory_ = QFileInfo(chosen.front()).absolutePath();
            answer(chosen.front().toStdString());
          });
  saveDialog_ = dialog;
  dialog->open();
}

void Desktop::showProgress(const apprt::ProgressView& view, std::function<void()> stop) {
  QPointer<QProgressDialog>& dialog = progress_[view.id];
  if (view.ended) {
    if (dialog) dialog->deleteLater();
    progress_.erase(view.id);
    return;
  }
  if (!dialog) {
    dialog = new QProgressDialog(frame_.get());
    dialog->setWindowTitle(text(view.title));
    dialog->setCancelButtonText(QStringLiteral("&Cancel"));
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setMinimumDuration(kProgressShownAfterMs);
    connect(dialog, &QProgressDialog::canceled, dialog, [stop = std::move(stop)] { stop(); });
  }
  dialog->setLabelText(text(view.text));
  // An unknown total shows a bar that moves without a measure.
  const int total = view.total > 0 ? static_cast<int>(std::min<long>(view.total, INT_MAX)) : 0;
  dialog->setMaximum(total);
  dialog->setValue(total > 0 ? static_cast<int>(std::min<long>(view.done, total)) : 0);
}

QPrintPreviewDialog* Desktop::printPreview() const {
  return preview_ && preview_->isVisible() ? preview_ : nullptr;
}

QFileDialog* Desktop::saveDialog() const {
  return saveDialog_ && saveDialog_->isVisible() ? saveDialog_ : nullptr;
}

QProgressDialog* Desktop::progressDialog() const {
  for (auto it = progress_.rbegin(); it != progress_.rend(); ++it)
    if (it->second) return it->second;
  return nullptr;
}

}  // namespace fesk::qt
