#pragma once
// The message boxes over the terminal's desktop, the newest on top and the
// only one that takes the keyboard: questions of the runtime, questions for a
// file to write, and reports of long work (which go away when the work ends).

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "ui/tui/canvas.h"
#include "ui/tui/key_decoding.h"
#include "ui/tui/message_box_view.h"
#include "ui/tui/window_painter.h"

namespace fesk::tui {

class BoxStack {
 public:
  BoxStack(int cols, int rows) : cols_(cols), rows_(rows) {}

  void ask(const apprt::MessageBoxRequest& request, std::function<void(int)> answer);
  // A box with an entry holding a suggested path; `answer` gets the path, or
  // "" when the user cancelled.
  void askSavePath(const apprt::SavePathRequest& request, std::function<void(std::string)> answer);
  // Shows, updates or removes the box reporting a piece of work; its Cancel
  // button calls `stop`, and the work shows no box again. Answers whether a
  // new box went up.
  bool showProgress(const apprt::ProgressView& view, std::function<void()> stop);
  // Boxes still waiting answer their defaults (the program is being ended);
  // a question for a file answers that none was chosen.
  void answerWaiting();

  bool empty() const { return boxes_.empty(); }
  // A key for the newest box; answers false when its entry refused it.
  bool key(const DecodedKey& key);
  void click(int col, int row);
  void arrange(int cols, int rows);
  // Paints the boxes; the cursor goes to the newest one.
  void paint(Canvas& canvas, std::optional<Cursor>& cursor) const;

 private:
  void push(std::unique_ptr<MessageBoxView> box);
  void answerNewest(int value);  // and removes it

  int cols_, rows_;
  std::vector<std::unique_ptr<MessageBoxView>> boxes_;  // the newest last
  // The boxes reporting work, by the work's id; work whose box was cancelled
  // shows none again.
  std::map<int, MessageBoxView*> progressBoxes_;
  std::set<int> cancelledWork_;
};

}  // namespace fesk::tui
