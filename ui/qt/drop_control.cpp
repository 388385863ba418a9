#include "ui/qt/drop_control.h"

#include <QTreeWidget>

#include "ui/qt/list_control.h"

namespace fesk::qt {

DropControl::DropControl(const DialogUnits& units, QWidget* parent)
    : QComboBox(parent), units_(units), list_(new ListControl(units, this)) {
  // A window of its own that never takes the focus: keys stay with the control.
  list_->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  list_->setAttribute(Qt::WA_ShowWithoutActivating);
  list_->rowsView()->setFocusPolicy(Qt::NoFocus);
  connect(list_, &ListControl::rowChosen, this, &DropControl::rowChosen);
  connect(list_, &ListControl::scrolled, this, &DropControl::scrolled);
}

void DropControl::showPopup() {
  emit dropPressed();
}

void DropControl::apply(const apprt::ControlView& view) {
  const QString shown =
      view.selected >= 1 && static_cast<size_t>(view.selected) <= view.rows.size() &&
              !view.rows[static_cast<size_t>(view.selected) - 1].empty()
          ? QString::fromStdString(view.rows[static_cast<size_t>(view.selected) - 1].front())
          : QString();
  if (count() != 1 || itemText(0) != shown) {
    clear();
    addItem(shown);
  }
  // The control's height as defined is that of its open list.
  listHeight_ = units_.y(view.rect.height);
  list_->apply(view);
  if (view.droppedDown && !list_->isVisible()) {
    placeList();
    list_->show();
  } else if (!view.droppedDown) {
    list_->hide();
  }
}

void DropControl::moveEvent(QMoveEvent* event) {
  QComboBox::moveEvent(event);
  if (list_->isVisible()) placeList();
}

void DropControl::placeList() {
  QPoint below = mapToGlobal(QPoint(0, height()));
  list_->setGeometry(QRect(below, QSize(width(), listHeight_)));
}

}  // namespace fesk::qt
