#pragma once
// Message boxes: the runtime's request as a modal dialog with its title,
// text, icon, buttons and default button, and the value of the button pressed.

#include <QMessageBox>

#include "runtime/frontend/frontend.h"

namespace fesk::qt {

QMessageBox* makeMessageBox(const apprt::MessageBoxRequest& request, QWidget* parent);

// The runtime's value of a button of such a box (kButtonOk, kButtonYes...).
int buttonValue(const QAbstractButton* button);

}  // namespace fesk::qt
