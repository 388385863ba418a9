#pragma once
// The search line over a list of a child window, as the runtime keeps it
// (runtime/windows/find_line.h): what was typed, and how the search went. It
// only shows them: the keys typed go to the list, and from there to the
// runtime, like every other key of the list, so the bar never takes the focus.

#include <QFrame>

#include "runtime/frontend/frontend.h"

class QLabel;
class QLineEdit;

namespace fesk::qt {

class FindBar : public QFrame {
  Q_OBJECT
 public:
  explicit FindBar(QWidget* parent);

  // Shows `line` across the bottom of `list` (in the parent's coordinates),
  // or hides the bar when the line is closed.
  void apply(const apprt::FindLineView& line, const QRect& list);

  QString text() const;
  QString message() const;

 private:
  QLineEdit* text_;
  QLabel* message_;
};

}  // namespace fesk::qt
