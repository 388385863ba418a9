#include "ui/qt/page_view.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

namespace fesk::qt {
namespace {

constexpr int kGap = 12;  // around the pages, in the screen's pixels
constexpr qreal kZoomStep = 1.25;
constexpr qreal kSmallestZoom = 0.1;
constexpr qreal kLargestZoom = 8;
// Pages kept drawn on either side of those in sight.
constexpr int kPagesKeptAround = 2;

}  // namespace

PageView::PageView(PageImage draw, QWidget* parent)
    : QAbstractScrollArea(parent), draw_(std::move(draw)) {
  viewport()->setBackgroundRole(QPalette::Dark);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
}

void PageView::setPages(int count, QSizeF paper, bool more) {
  const int top = currentPage();
  count_ = count;
  paper_ = paper;
  if (!more) images_.clear();
  if (fitted_) fitWidth();
  updateScrollBars();
  if (!more) showPage(std::min(top, std::max(count_ - 1, 0)));
  viewport()->update();
}

qreal PageView::pageHeight() const {
  return paper_.height() * zoom_ + kGap;
}

void PageView::setZoom(qreal zoom) {
  const int top = currentPage();
  zoom_ = std::clamp(zoom, kSmallestZoom, kLargestZoom);
  images_.clear();
  updateScrollBars();
  showPage(top);
  viewport()->update();
}

void PageView::zoomIn() {
  fitted_ = false;
  setZoom(zoom_ * kZoomStep);
}

void PageView::zoomOut() {
  fitted_ = false;
  setZoom(zoom_ / kZoomStep);
}

void PageView::fitWidth() {
  fitted_ = true;
  if (paper_.width() <= 0) return;
  const qreal fit = (viewport()->width() - 2 * kGap) / paper_.width();
  if (std::abs(fit - zoom_) > 0.001) setZoom(fit);
}

int PageView::currentPage() const {
  if (count_ == 0) return 0;
  // Scrolled to the end, the last page is the one read, however short.
  const QScrollBar* bar = verticalScrollBar();
  if (bar->value() > 0 && bar->value() == bar->maximum()) return count_ - 1;
  const int index =
      static_cast<int>((verticalScrollBar()->value() + pageHeight() / 2) / pageHeight());
  return std::clamp(index, 0, count_ - 1);
}

void PageView::showPage(int index) {
  verticalScrollBar()->setValue(
      static_cast<int>(std::clamp(index, 0, std::max(count_ - 1, 0)) * pageHeight()));
}

void PageView::updateScrollBars() {
  const qreal total = count_ * pageHeight() + kGap;
  verticalScrollBar()->setRange(0, std::max(0, static_cast<int>(total) - viewport()->height()));
  verticalScrollBar()->setPageStep(viewport()->height());
  verticalScrollBar()->setSingleStep(static_cast<int>(pageHeight() / 10) + 1);
  const int width = static_cast<int>(paper_.width() * zoom_) + 2 * kGap;
  horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

const QImage& PageView::image(int index) {
  auto found = images_.find(index);
  if (found == images_.end()) found = images_.emplace(index, draw_(index, zoom_)).first;
  return found->second;
}

void PageView::forgetFarPages(int first, int last) {
  std::erase_if(images_, [&](const auto& page) {
    return page.first < first - kPagesKeptAround || page.first > last + kPagesKeptAround;
  });
}

void PageView::paintEvent(QPaintEvent*) {
  if (count_ == 0) return;
  const int top = verticalScrollBar()->value();
  const int first = std::clamp(static_cast<int>(top / pageHeight()), 0, count_ - 1);
  const int last =
      std::clamp(static_cast<int>((top + viewport()->height()) / pageHeight()), 0, count_ - 1);
  forgetFarPages(first, last);
  QPainter painter(viewport());
  const int width = static_cast<int>(paper_.width() * zoom_);
  const int left =
      std::max(kGap, (viewport()->width() - width) / 2) - horizontalScrollBar()->value();
  for (int index = first; index <= last; ++index) {
    const int y = static_cast<int>(index * pageHeight()) + kGap - top;
    painter.drawImage(QPoint(left, y), image(index));
  }
}

void PageView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (fitted_) fitWidth();
  updateScrollBars();
}

void PageView::scrollContentsBy(int, int) {
  viewport()->update();
  const int current = currentPage();
  if (current != lastCurrent_) {
    lastCurrent_ = current;
    emit currentPageChanged(current);
  }
}

void PageView::keyPressEvent(QKeyEvent* event) {
  const bool control = event->modifiers() & Qt::ControlModifier;
  switch (event->key()) {
    case Qt::Key_PageDown:
      showPage(currentPage() + 1);
      return;
    case Qt::Key_PageUp:
      showPage(currentPage() - 1);
      return;
    case Qt::Key_Home:
      if (control) return showPage(0);
      break;
    case Qt::Key_End:
      if (control) return showPage(count_ - 1);
      break;
    default:
      break;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace fesk::qt
