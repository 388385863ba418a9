#include "ui/qt/program_icon.h"

namespace fesk::qt {

QIcon programIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icon/fesk-%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace fesk::qt
