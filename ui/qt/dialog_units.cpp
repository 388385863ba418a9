#include "ui/qt/dialog_units.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace fesk::qt {

QFont windowFont(const std::string& name, int pointSize) {
  static const char* const kLegacySansSerif[] = {"MS Sans Serif", "Microsoft Sans Serif",
                                                 "MS Shell Dlg", "Sans Serif", ""};
  constexpr double kLegacyPointSize = 8;
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  bool legacy = false;
  for (const char* n : kLegacySansSerif) legacy = legacy || name == n;
  if (!legacy) {
    font.setFamily(QString::fromStdString(name));
    font.setStyleHint(QFont::SansSerif);
  }
  const double relative = (pointSize > 0 ? pointSize : kLegacyPointSize) / kLegacyPointSize;
  // A desktop may give its font in pixels rather than points.
  if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() * relative);
  else if (font.pixelSize() > 0)
    font.setPixelSize(static_cast<int>(std::lround(font.pixelSize() * relative)));
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetricsF metrics(font);
  // The average width of the Latin letters, as dialog units are defined.
  static const QString kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  charWidth_ = metrics.horizontalAdvance(kLetters) / static_cast<double>(kLetters.size());
  // Seven eighths of a line, a list row would clip accents against the row
  // above: the unit grows until a row holds a line and a margin above and
  // below it, as lists have on the desktop.
  const double line = std::ceil(metrics.lineSpacing());
  const double row = line + 2 * std::max(2.0, std::round(line / 7));
  charHeight_ = std::max(std::ceil(metrics.height()), row * 8 / kListRowUnits);
}

int DialogUnits::x(int units) const {
  return static_cast<int>(std::lround(units * charWidth_ / 4.0));
}

int DialogUnits::y(int units) const {
  return static_cast<int>(std::lround(units * charHeight_ / 8.0));
}

QSize DialogUnits::unitsOf(QSize pixels) const {
  // Rounded down, so that what the units place always fits in the pixels.
  return {static_cast<int>(std::floor(pixels.width() * 4.0 / charWidth_)),
          static_cast<int>(std::floor(pixels.height() * 8.0 / charHeight_))};
}

QRect DialogUnits::rect(const apprt::Rect& r) const {
  // Edges are converted, not sizes, so that neighbouring controls stay flush.
  int left = x(r.x), top = y(r.y);
  return QRect(left, top, x(r.x + r.width) - left, y(r.y + r.height) - top);
}

}  // namespace fesk::qt
