#pragma once
// Keeps a top-level window whole on its screen: one that would reach past the
// screen's edge (a small screen, a large scale, a size remembered from a
// larger screen) is made to fit and moved inside, where it is shown.

class QWidget;

namespace fesk::qt {

// Call once the window is shown: its decorations are known only then.
void keepOnScreen(QWidget* window);

}  // namespace fesk::qt
