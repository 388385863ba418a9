#include "ui/qt/find_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace fesk::qt {

FindBar::FindBar(QWidget* parent)
    : QFrame(parent), text_(new QLineEdit(this)), message_(new QLabel(this)) {
  setFrameShape(QFrame::StyledPanel);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::NoFocus);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  auto* label = new QLabel(tr("Find:"), this);
  text_->setReadOnly(true);
  text_->setFocusPolicy(Qt::NoFocus);
  text_->setAccessibleName(tr("Find"));
  label->setBuddy(text_);
  layout->addWidget(label);
  layout->addWidget(text_, 1);
  layout->addWidget(message_);
  hide();
}

void FindBar::apply(const apprt::FindLineView& line, const QRect& list) {
  if (!line.open) {
    hide();
    return;
  }
  const QString typed = QString::fromStdString(line.text);
  if (text_->text() != typed) text_->setText(typed);
  message_->setText(QString::fromStdString(line.message));
  const int height = sizeHint().height();
  setGeometry(list.left(), list.bottom() + 1 - height, list.width(), height);
  raise();
  show();
}

QString FindBar::text() const {
  return text_->text();
}

QString FindBar::message() const {
  return message_->text();
}

}  // namespace fesk::qt
