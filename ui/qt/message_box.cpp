#include "ui/qt/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace fesk::qt {
namespace {

constexpr char kValueProperty[] = "feskButton";

struct ButtonKind {
  int value;
  QMessageBox::StandardButton button;
};
// In the order the buttons are offered.
constexpr ButtonKind kButtons[] = {
    {apprt::kButtonOk, QMessageBox::Ok},         {apprt::kButtonYes, QMessageBox::Yes},
    {apprt::kButtonNo, QMessageBox::No},         {apprt::kButtonAbort, QMessageBox::Abort},
    {apprt::kButtonRetry, QMessageBox::Retry},   {apprt::kButtonIgnore, QMessageBox::Ignore},
    {apprt::kButtonCancel, QMessageBox::Cancel}, {apprt::kButtonQuit, QMessageBox::Close},
};

QMessageBox::Icon iconOf(apprt::Icon icon) {
  switch (icon) {
    case apprt::Icon::Question:
      return QMessageBox::Question;
    case apprt::Icon::Warning:
      return QMessageBox::Warning;
    case apprt::Icon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QMessageBox* makeMessageBox(const apprt::MessageBoxRequest& request, QWidget* parent) {
  auto* box = new QMessageBox(parent);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setWindowModality(Qt::ApplicationModal);
  box->setWindowTitle(request.title.empty() ? QApplication::applicationDisplayName()
                                            : QString::fromStdString(request.title));
  box->setText(QString::fromStdString(request.text));
  box->setIcon(iconOf(request.icon));
  const int buttons = request.buttons ? request.buttons : apprt::kButtonOk;
  for (const auto& kind : kButtons) {
    if (!(buttons & kind.value)) continue;
    QPushButton* button = box->addButton(kind.button);
    button->setProperty(kValueProperty, kind.value);
    if (kind.value == apprt::kButtonOk && !request.okText.empty())
      button->setText(QString::fromStdString(request.okText));
    // Qt has no standard Quit button: Close plays its part (Esc presses it).
    if (kind.value == apprt::kButtonQuit) button->setText(QMessageBox::tr("&Quit"));
    if (kind.value == request.defaultButton) box->setDefaultButton(button);
  }
  return box;
}

int buttonValue(const QAbstractButton* button) {
  return button ? button->property(kValueProperty).toInt() : 0;
}

}  // namespace fesk::qt
