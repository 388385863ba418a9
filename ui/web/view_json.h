#pragma once
// The messages between a web session's program and its page, as JSON objects,
// one per line on the session's pipe: what the runtime shows (windows as the
// difference from what the page already has, boxes, closings) and what the
// person does (input, answers).

#include <QJsonObject>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"

namespace fesk::web {

// The windows the page has been sent, so that each new snapshot is sent as
// what changed: the window's own facts always, and only the controls that
// are new or differ, with the fields of the controls that went away.
class WindowDiffer {
 public:
  // Nothing when the page already shows `view` as it is.
  std::optional<QJsonObject> change(const apprt::WindowView& view);
  void forget(int handle) { shown_.erase(handle); }
  // Every window whole, oldest first, for a page that has none of them.
  std::vector<QJsonObject> everything();

 private:
  std::map<int, apprt::WindowView> shown_;
};

QJsonObject controlJson(const apprt::ControlView& control);
QJsonObject messageBoxJson(int id, const apprt::MessageBoxRequest& request);

// What a message from the page asks for.
struct PageMessage {
  enum class Kind { Input, Answer, Resend, Stop, Ignored } kind = Kind::Ignored;
  apprt::Input input;
  int answerId = 0;
  int answer = 0;
  int progressId = 0;  // the long work the user asked to stop
};
PageMessage readPageMessage(const QJsonObject& message);

}  // namespace fesk::web
