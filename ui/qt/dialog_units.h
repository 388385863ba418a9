#pragma once
// Dialog units, the measure of window definitions: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of
// its height, so a window keeps its proportions with any font and scale.

#include <QFont>
#include <QRect>
#include <string>

#include "runtime/frontend/window_definition.h"

namespace fesk::qt {

// The font a window definition names, as this platform has it: the legacy
// dialog fonts map to the platform's sans-serif of the same point size.
QFont windowFont(const std::string& name, int pointSize);

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
  int charHeight_;
};

}  // namespace fesk::qt
