// The desktop's dialogs for printing and files: the print preview of a
// printed list, the save dialog, and the reports of long work.
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QProgressDialog>

#include "ui/qt/desktop.h"
#include "ui/qt/desktop_settings.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/locale_page_size.h"
#include "ui/qt/page_setup_dialog.h"
#include "ui/qt/print_preview_window.h"
#include "ui/qt/progress_dialog.h"

namespace fesk::qt {
namespace {

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

void Desktop::showPrintPreview(std::shared_ptr<apprt::PreviewedList> list) {
  auto* preview = new PrintPreviewWindow(
      std::move(list), printer(),
      [this](QWidget* parent, std::function<void()> changed) {
        setUpPage(parent, std::move(changed));
      },
      frame_.get());
  preview->setAttribute(Qt::WA_DeleteOnClose);
  preview_ = preview;
  preview->resize(frame_ ? frame_->size() * 0.9 : QSize(800, 900));
  preview->open();
}

void Desktop::setUpPage(QWidget* parent, std::function<void()> changed) {
  auto* dialog = new PageSetupDialog(printer(), parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, changed = std::move(changed)] {
    DesktopSettings().setPageLayout(printer().pageLayout());
    changed();
  });
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
  if (!dialog) dialog = newProgressDialog(frame_.get(), text(view.title), std::move(stop));
  dialog->setLabelText(text(view.text));
  // An unknown total shows a bar that moves without a measure.
  const int total = view.total > 0 ? static_cast<int>(std::min<long>(view.total, INT_MAX)) : 0;
  dialog->setMaximum(total);
  dialog->setValue(total > 0 ? static_cast<int>(std::min<long>(view.done, total)) : 0);
}

PrintPreviewWindow* Desktop::printPreview() const {
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
