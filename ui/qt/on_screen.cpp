#include "ui/qt/on_screen.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace fesk::qt {

void keepOnScreen(QWidget* window) {
  QScreen* shownOn = window->screen();
  if (!shownOn || window->isMaximized() || window->isFullScreen()) return;
  const QRect available = shownOn->availableGeometry();
  if (available.contains(window->frameGeometry())) return;
  const QSize decorations = window->frameGeometry().size() - window->size();
  window->resize(window->size().boundedTo(available.size() - decorations));
  // Moved no further than it must be.
  const QSize outer = window->size() + decorations;
  const int x = std::clamp(window->frameGeometry().x(), available.left(),
                           available.left() + available.width() - outer.width());
  const int y = std::clamp(window->frameGeometry().y(), available.top(),
                           available.top() + available.height() - outer.height());
  window->move(x, y);
}

}  // namespace fesk::qt
