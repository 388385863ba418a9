#pragma once
// Dialog units, the measure of window definitions: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its height, so a window keeps its proportions with any font and scale. The
// font is the desktop's own, at its size: the definitions were drawn for the
// dialog font of the platform they came from, and here they take the one
// every other program of the desktop shows.

#include <QFont>
#include <QRect>
#include <string>

#include "runtime/frontend/window_definition.h"

namespace fesk::qt {

// The font a window definition names, as this desktop has it: the legacy
// dialog fonts are the desktop's UI font, and a size is taken relative to
// the legacy 8 points, so that 8 is the desktop's own size.
QFont windowFont(const std::string& name, int pointSize);

// A list row: the vertical units the runtime gives each row of a list.
inline constexpr int kListRowUnits = 7;

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int x(int units) const;
  int y(int units) const;
  QRect rect(const apprt::Rect& r) const;
  QSize size(int width, int height) const { return {x(width), y(height)}; }
  // The whole dialog units that a size in pixels holds.
  QSize unitsOf(QSize pixels) const;

 private:
  double charWidth_;
  double charHeight_;
};

}  // namespace fesk::qt
