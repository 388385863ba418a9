#include "ui/qt/list_control.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QWheelEvent>
#include <cmath>

#include "runtime/frontend/constants.h"
#include "runtime/text/picture.h"

namespace fesk::qt {
namespace {

Qt::Alignment alignmentOf(apprt::ListAlignment a) {
  switch (a) {
    case apprt::ListAlignment::kRight:
    case apprt::ListAlignment::kDecimal:
      return Qt::AlignRight | Qt::AlignVCenter;
    case apprt::ListAlignment::kCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case apprt::ListAlignment::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

// Rows of one fixed height (the list shows a whole page, never a part of a
// row), and cells moved by their column's indent.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  int height = 16;
  std::vector<int> indents;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), height};
  }
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    // The row's background is drawn whole, so a selected row reads as one
    // band; only the text moves by the column's indent.
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* view = option.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
    size_t column = static_cast<size_t>(index.column());
    int indent = column < indents.size() ? indents[column] : 0;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &cell, view);
    if (cell.displayAlignment & Qt::AlignRight)
      textRect.adjust(0, 0, -indent - margin, 0);
    else
      textRect.adjust(indent + margin, 0, 0, 0);
    const bool selected = cell.state & QStyle::State_Selected;
    const auto group = cell.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(
        cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, static_cast<int>(cell.displayAlignment),
                      cell.fontMetrics.elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
  }
};

}  // namespace

ListControl::ListControl(const DialogUnits& units, QWidget* parent)
    : QWidget(parent),
      units_(units),
      rows_(new QTreeWidget(this)),
      scrollBar_(new QScrollBar(Qt::Vertical, this)) {
  rows_->setItemDelegate(new RowDelegate(rows_));
  rows_->setRootIsDecorated(false);
  rows_->setUniformRowHeights(true);
  rows_->setAllColumnsShowFocus(true);
  rows_->setSelectionMode(QAbstractItemView::SingleSelection);
  rows_->setSelectionBehavior(QAbstractItemView::SelectRows);
  rows_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  rows_->setAutoScroll(false);
  rows_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rows_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rows_->setFocusPolicy(Qt::StrongFocus);
  rows_->header()->setSectionsMovable(false);
  rows_->header()->setStretchLastSection(true);
  rows_->viewport()->installEventFilter(this);
  rows_->header()->viewport()->installEventFilter(this);
  // Clicks and keys never select natively (the runtime does), so a selection
  // made here comes from an assistive technology's row or cell selection:
  // it is a row chosen, which the runtime answers with the next view.
  connect(rows_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected) {
            if (applying_ || selected.isEmpty()) return;
            emit rowChosen(selected.indexes().first().row() + 1, apprt::kKeyMouseLeft);
          });

  scrollBar_->setRange(apprt::kThumbTop, apprt::kThumbBottom);
  scrollBar_->setSingleStep(1);
  scrollBar_->setPageStep(10);
  scrollBar_->setFocusPolicy(Qt::NoFocus);
  scrollBar_->installEventFilter(this);
  scrollBar_->hide();
  connect(scrollBar_, &QScrollBar::actionTriggered, this, &ListControl::scrollBarAction);
  connect(scrollBar_, &QScrollBar::sliderReleased, this, [this] {
    int released = scrollBar_->sliderPosition();
    emit scrolled(apprt::kScrollThumbPosition, released);
  });
}

void ListControl::apply(const apprt::ControlView& view) {
  const QScopedValueRollback<bool> shownByTheRuntime(applying_, true);
  visibleRows_ = std::max(1, view.visibleRows);
  if (view.format != format_) applyFormat(view.format);
  if (view.rows != shownRows_) applyRows(view.rows);
  if (view.scrollBar != scrollBarShown_) {
    scrollBarShown_ = view.scrollBar;
    layoutParts();
  }
  thumb_ = view.thumb;
  if (!scrollBar_->isSliderDown()) scrollBar_->setSliderPosition(thumb_);

  QTreeWidgetItem* selected = view.selected >= 1 ? rows_->topLevelItem(view.selected - 1) : nullptr;
  if (selected != rows_->currentItem() || (selected && !selected->isSelected())) {
    rows_->clearSelection();
    if (selected) rows_->setCurrentItem(selected);
  }
  if (!selected) rows_->clearSelection();
  rows_->verticalScrollBar()->setValue(0);
}

void ListControl::applyFormat(const std::string& format) {
  format_ = format;
  columns_ = apprt::parseListFormat(format).value_or(std::vector<apprt::ListColumn>{});
  textIndexes_ = apprt::columnTextIndexes(columns_);
  auto* delegate = static_cast<RowDelegate*>(rows_->itemDelegate());
  delegate->indents.clear();
  const int count = std::max<int>(1, static_cast<int>(columns_.size()));
  rows_->setColumnCount(count);
  bool anyHeader = false;
  auto* header = new QTreeWidgetItem;
  for (int i = 0; i < static_cast<int>(columns_.size()); ++i) {
    const auto& c = columns_[static_cast<size_t>(i)];
    anyHeader = anyHeader || c.hasHeader;
    header->setText(i, QString::fromStdString(c.header));
    header->setTextAlignment(i, alignmentOf(c.headerAlignment));
    delegate->indents.push_back(units_.x(c.indent));
    rows_->header()->setSectionResizeMode(
        i, c.resizable ? QHeaderView::Interactive : QHeaderView::Fixed);
  }
  rows_->setHeaderItem(header);
  rows_->setHeaderHidden(!anyHeader);
  definedWidths_.clear();
  for (const auto& c : columns_) definedWidths_.push_back(units_.x(c.width));
  shownRows_.clear();
  rows_->clear();
  layoutParts();
}

void ListControl::applyRows(const std::vector<std::vector<std::string>>& rows) {
  shownRows_ = rows;
  rows_->clear();
  QList<QTreeWidgetItem*> items;
  for (const auto& texts : rows) {
    auto* item = new QTreeWidgetItem;
    for (size_t col = 0; col < std::max<size_t>(1, columns_.size()); ++col) {
      size_t index = col < textIndexes_.size() ? textIndexes_[col] : col;
      std::string text = index < texts.size() ? texts[index] : std::string();
      if (col < columns_.size()) {
        if (auto picture = apprt::Picture::parse(columns_[col].picture))
          text = picture->formatForDisplay(text);
        item->setTextAlignment(static_cast<int>(col), alignmentOf(columns_[col].alignment));
      }
      item->setText(static_cast<int>(col), QString::fromStdString(text));
    }
    items.append(item);
  }
  rows_->addTopLevelItems(items);
}

void ListControl::resizeEvent(QResizeEvent*) {
  layoutParts();
}

void ListControl::layoutParts() {
  const int barWidth = scrollBarShown_ ? scrollBar_->sizeHint().width() : 0;
  rows_->setGeometry(0, 0, width() - barWidth, height());
  scrollBar_->setGeometry(width() - barWidth, 0, barWidth, height());
  scrollBar_->setVisible(scrollBarShown_);
  // A page fills the list: the rows share the height below the header.
  const int headerHeight = rows_->isHeaderHidden() ? 0 : rows_->header()->sizeHint().height();
  const int frame = 2 * rows_->frameWidth();
  const int available = height() - headerHeight - frame;
  rowHeight_ = std::max(1, available / visibleRows_);
  auto* delegate = static_cast<RowDelegate*>(rows_->itemDelegate());
  if (delegate->height != rowHeight_) {
    delegate->height = rowHeight_;
    rows_->doItemsLayout();
  }
  widenColumns();
}

void ListControl::widenColumns() {
  // A list made wider than its definition widens its columns in proportion
  // (the last one stretches to the edge in any case).
  const double scale = definedWidth_ > 0 && width() > definedWidth_
                           ? static_cast<double>(width()) / definedWidth_
                           : 1.0;
  for (std::size_t i = 0; i < definedWidths_.size(); ++i)
    rows_->setColumnWidth(static_cast<int>(i),
                          static_cast<int>(std::lround(definedWidths_[i] * scale)));
}

void ListControl::setDefinedWidth(int pixels) {
  if (definedWidth_ == pixels) return;
  definedWidth_ = pixels;
  widenColumns();
}

QRect ListControl::cellRect(int row, int column) const {
  QTreeWidgetItem* item = row >= 1 ? rows_->topLevelItem(row - 1) : nullptr;
  if (!item) return {};
  QRect r = rows_->visualItemRect(item);
  r.setLeft(rows_->header()->sectionViewportPosition(column - 1));
  r.setWidth(rows_->header()->sectionSize(column - 1));
  return QRect(rows_->viewport()->mapTo(this, r.topLeft()), r.size());
}

int ListControl::rowAt(QPoint viewportPos) const {
  QTreeWidgetItem* item = rows_->itemAt(viewportPos);
  return item ? rows_->indexOfTopLevelItem(item) + 1 : 0;
}

void ListControl::scrollBarAction(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      emit scrolled(apprt::kScrollLineUp, 0);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      emit scrolled(apprt::kScrollLineDown, 0);
      break;
    case QAbstractSlider::SliderPageStepSub:
      emit scrolled(apprt::kScrollPageUp, 0);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      emit scrolled(apprt::kScrollPageDown, 0);
      break;
    default:
      return;  // dragging the thumb: reported when it is released
  }
  // The thumb stays where the runtime put it until the runtime moves it.
  scrollBar_->setSliderPosition(thumb_);
}

void ListControl::wheel(int angleDelta) {
  wheelRest_ += angleDelta;
  while (wheelRest_ >= 120) {
    wheelRest_ -= 120;
    emit wheeled(true);
  }
  while (wheelRest_ <= -120) {
    wheelRest_ += 120;
    emit wheeled(false);
  }
}

bool ListControl::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel) {
    wheel(static_cast<QWheelEvent*>(event)->angleDelta().y());
    return true;
  }
  if (watched != rows_->viewport()) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return true;
      int row = rowAt(mouse->position().toPoint());
      bool twice = event->type() == QEvent::MouseButtonDblClick;
      if (row)
        emit rowChosen(row, twice ? apprt::kKeyMouseLeftDouble : apprt::kKeyMouseLeft);
      else
        emit clickedBesideRows();
      return true;
    }
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
      return true;  // no native selection by dragging
    default:
      return false;
  }
}

}  // namespace fesk::qt
