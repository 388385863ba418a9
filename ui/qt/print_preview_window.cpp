#include "ui/qt/print_preview_window.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "ui/qt/page_view.h"
#include "ui/qt/progress_dialog.h"

namespace fesk::qt {
namespace {

constexpr const char* kTitle = "Print Preview";
// Layout done in one go before the user's events have a turn.
constexpr qint64 kCountingSliceMs = 40;

QString text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

}  // namespace

PrintPreviewWindow::PrintPreviewWindow(std::shared_ptr<apprt::PreviewedList> list,
                                       QPrinter& printer, PageSetUp setUpPage, QWidget* parent)
    : QDialog(parent),
      list_(std::move(list)),
      printer_(printer),
      setUpPage_(std::move(setUpPage)),
      pages_(new PageView([this](int index, qreal zoom) { return drawPage(index, zoom); }, this)),
      pageNumber_(new QSpinBox),
      pagesLabel_(new QLabel) {
  setWindowTitle(QStringLiteral("Print Preview: ") + text(list_->header().title));
  auto* bar = new QToolBar;
  addAction(QStringLiteral("Zoom &In"), QKeySequence::ZoomIn, [this] { pages_->zoomIn(); });
  addAction(QStringLiteral("Zoom &Out"), QKeySequence::ZoomOut, [this] { pages_->zoomOut(); });
  addAction(QStringLiteral("Fit &Width"), QKeySequence(Qt::CTRL | Qt::Key_0),
            [this] { pages_->fitWidth(); });
  addAction(QStringLiteral("&First Page"), QKeySequence(Qt::CTRL | Qt::Key_Home),
            [this] { pages_->showPage(0); });
  addAction(QStringLiteral("Pre&vious Page"), QKeySequence(Qt::Key_PageUp),
            [this] { pages_->showPage(pages_->currentPage() - 1); });
  addAction(QStringLiteral("&Next Page"), QKeySequence(Qt::Key_PageDown),
            [this] { pages_->showPage(pages_->currentPage() + 1); });
  addAction(QStringLiteral("&Last Page"), QKeySequence(Qt::CTRL | Qt::Key_End),
            [this] { pages_->showPage(pages_->pageCount() - 1); });
  addAction(QStringLiteral("Page &Setup..."), {},
            [this] { setUpPage_(this, [this] { layOut(); }); });
  addAction(QStringLiteral("&Print..."), QKeySequence::Print, [this] {
    auto* dialog = new QPrintDialog(&printer_, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this] { printOn(printer_); });
    dialog->open();
  });
  addAction(QStringLiteral("&Close"), {}, [this] { reject(); });
  const QList<QAction*> all = actions();
  bar->addActions(all.mid(0, 3));
  bar->addSeparator();
  bar->addActions(all.mid(3, 2));
  bar->addWidget(pageNumber_);
  bar->addWidget(pagesLabel_);
  bar->addActions(all.mid(5, 2));
  bar->addSeparator();
  bar->addActions(all.mid(7));

  pageNumber_->setMinimum(1);
  pageNumber_->setKeyboardTracking(false);
  pageNumber_->setAccessibleName(QStringLiteral("Page"));
  connect(pageNumber_, &QSpinBox::valueChanged, this,
          [this](int number) { pages_->showPage(number - 1); });
  connect(pages_, &PageView::currentPageChanged, this, [this](int index) {
    const QSignalBlocker quiet(pageNumber_);
    pageNumber_->setValue(index + 1);
  });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar);
  layout->addWidget(pages_, 1);
  connect(this, &QDialog::finished, this, [this] { list_->close(); });
  pages_->setFocus();
  layOut();
}

PrintPreviewWindow::~PrintPreviewWindow() {
  list_->close();
}

void PrintPreviewWindow::addAction(const QString& name, const QKeySequence& keys,
                                   std::function<void()> act) {
  auto* action = new QAction(name, this);
  action->setShortcut(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  connect(action, &QAction::triggered, this, [act = std::move(act)] { act(); });
  QWidget::addAction(action);
}

QAction* PrintPreviewWindow::action(const QString& name) const {
  for (QAction* a : actions())
    if (a->text() == name) return a;
  return nullptr;
}

void PrintPreviewWindow::layOut() {
  const int dpi = printer_.resolution();
  const QPageLayout page = printer_.pageLayout();
  const QRect printed = page.paintRectPixels(dpi);
  full_ = QRectF(page.fullRectPixels(dpi)).translated(-printed.topLeft());
  paper_ = Paper{QSizeF(printed.size()), dpi};
  count_ = std::make_unique<PageCount>(paper_, list_->header());
  countedTo_.clear();
  counting_ = true;
  pages_->setPages(1, full_.size(), false);
  if (!progress_) {
    progress_ = newProgressDialog(this, QString::fromLatin1(kTitle), [this] { reject(); });
    progress_->setMaximum(0);
  }
  showCount();
  QTimer::singleShot(0, this, [this] { countSome(); });
}

void PrintPreviewWindow::countSome() {
  if (!counting_ || failed_) return;
  QElapsedTimer slice;
  slice.start();
  std::vector<apprt::PrintedItem> items;
  std::vector<std::string> places;
  try {
    while (slice.elapsed() < kCountingSliceMs) {
      if (!list_->read(countedTo_, !countedTo_.empty(), items, places)) {
        counting_ = false;
        break;
      }
      count_->add(items, places);
      countedTo_ = places.back();
    }
  } catch (const apprt::PrintError& e) {
    return failed(e.what());
  }
  pages_->setPages(static_cast<int>(count_->starts().size()), full_.size(), true);
  showCount();
  if (counting_) QTimer::singleShot(0, this, [this] { countSome(); });
}

void PrintPreviewWindow::showCount() {
  const int count = static_cast<int>(count_->starts().size());
  pageNumber_->setMaximum(count);
  pagesLabel_->setText(counting_ ? QStringLiteral(" of %1... ").arg(count)
                                 : QStringLiteral(" of %1 ").arg(count));
  if (!progress_) return;
  if (counting_) {
    progress_->setLabelText(QStringLiteral("%1 pages laid out").arg(count));
  } else {
    progress_->deleteLater();
    progress_ = nullptr;
  }
}

QImage PrintPreviewWindow::drawPage(int index, qreal zoom) {
  QImage image((full_.size() * zoom).toSize(), QImage::Format_RGB32);
  image.fill(Qt::white);
  const int perMetre = qRound(paper_.dpi / 0.0254);
  image.setDotsPerMeterX(perMetre);
  image.setDotsPerMeterY(perMetre);
  if (failed_) return image;
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(zoom, zoom);
  try {
    paintPageOn(index, painter);
  } catch (const apprt::PrintError& e) {
    // Not from inside the painting: the box and the closing come after it.
    QTimer::singleShot(0, this, [this, why = std::string(e.what())] { failed(why); });
  }
  return image;
}

void PrintPreviewWindow::paintPageOn(int index, QPainter& painter) {
  const auto& starts = count_->starts();
  if (index < 0 || index >= static_cast<int>(starts.size())) return;
  painter.save();
  painter.translate(-full_.topLeft());
  paintPage(
      painter, paper_, list_->header(), starts[index], index + 1,
      [this](const std::string& from, bool after, std::vector<apprt::PrintedItem>& items,
             std::vector<std::string>& places) { return list_->read(from, after, items, places); });
  painter.restore();
}

bool PrintPreviewWindow::printOn(QPagedPaintDevice& device) {
  apprt::PreviewedListReading reading(*list_);
  try {
    paintPrintedList(device, list_->header(), reading);
  } catch (const apprt::PrintError& e) {
    QMessageBox::warning(this, QStringLiteral("Print"), text(e.what()));
    return false;
  }
  return true;
}

void PrintPreviewWindow::failed(const std::string& why) {
  if (failed_) return;
  failed_ = true;
  counting_ = false;
  auto* box = new QMessageBox(QMessageBox::Warning, QString::fromLatin1(kTitle), text(why),
                              QMessageBox::Ok, parentWidget());
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  reject();
}

}  // namespace fesk::qt
