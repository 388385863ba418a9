#pragma once
// The program's own icon, for every window and the task bar.

#include <QIcon>

namespace fesk::qt {

QIcon programIcon();

}  // namespace fesk::qt
