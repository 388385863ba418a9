#pragma once
// An entry: a line edit that takes at most its picture's number of
// characters (what is typed or pasted past them is refused with a beep),
// reports every edit, and shows the runtime's value without undoing what the
// user is typing.

#include <QLineEdit>
#include <QString>
#include <deque>
#include <optional>

#include "runtime/text/picture.h"

namespace fesk::qt {

class EntryControl : public QLineEdit {
  Q_OBJECT
 public:
  explicit EntryControl(QWidget* parent = nullptr);

  void setPicture(const std::string& picture);
  // The value the runtime holds (raw, as in the window's view). The runtime
  // echoes what this entry sent it; an echo older than what is shown is not
  // the runtime's own change and leaves the text alone.
  void showRuntimeValue(const std::string& value);

 signals:
  void typed(const QString& text);

 private:
  std::optional<apprt::Picture> picture_;
  std::deque<QString> sent_;  // edits reported and not yet echoed
  bool showingRuntimeValue_ = false;
  QString shown_;  // the text as it stood after the last change
};

}  // namespace fesk::qt
