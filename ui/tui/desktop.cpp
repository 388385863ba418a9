#include "ui/tui/desktop.h"

#include <algorithm>
#include <string>

#include "ui/tui/control_geometry.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::Input;
using apprt::StandardAction;
using apprt::WindowKind;
using apprt::WindowView;

namespace {
constexpr auto kBellShown = std::chrono::milliseconds(400);
}  // namespace

Desktop::Desktop(InputSink send, int cols, int rows)
    : send_(std::move(send)), cols_(cols), rows_(rows) {}

// ---- What the runtime asks for ------------------------------------------------

void Desktop::showWindow(const WindowView& view) {
  if (view.kind == WindowKind::Frame) {
    const bool hadToolbar = !toolbarButtons(frame_).empty();
    frame_ = view;
    menu_.frameChanged();
    if (hadToolbar != !toolbarButtons(frame_).empty()) windows_.rearrange(clientArea());
    return;
  }
  std::string menuKeys;
  for (const MenuEntry& title : frame_ ? buildMenuBar(*frame_) : std::vector<MenuEntry>{})
    if (title.text.key) menuKeys += static_cast<char>(title.text.key);
  windows_.show(view, clientArea(), menuKeys);
  entry_.sync(windows_.active());
}

void Desktop::closeWindow(int handle) {
  if (frame_ && frame_->handle == handle) {
    frame_.reset();
    menu_.frameChanged();
    return;
  }
  windows_.close(handle);
  entry_.sync(windows_.active());
}

void Desktop::askMessageBox(const apprt::MessageBoxRequest& request,
                            std::function<void(int)> answer) {
  menu_.close();
  boxes_.ask(request, std::move(answer));
}

void Desktop::askSavePath(const apprt::SavePathRequest& request,
                          std::function<void(std::string)> answer) {
  menu_.close();
  boxes_.askSavePath(request, std::move(answer));
}

void Desktop::showProgress(const apprt::ProgressView& view, std::function<void()> stop) {
  if (boxes_.showProgress(view, std::move(stop))) menu_.close();
}

void Desktop::answerWaitingBoxes() {
  boxes_.answerWaiting();
}

void Desktop::bringToFront(int window) {
  if (windows_.activate(window)) entry_.sync(windows_.active());
}

void Desktop::standardAction(StandardAction action, int) {
  switch (action) {
    case StandardAction::Tile:
      windows_.tile(clientArea());
      break;
    case StandardAction::Cascade:
      windows_.cascade(clientArea());
      break;
    case StandardAction::Copy:
    case StandardAction::Cut:
    case StandardAction::Paste:
      entry_.clipboardAction(action);
      break;
    case StandardAction::PrintSetup: {
      apprt::MessageBoxRequest notice;
      notice.title = "Print Setup";
      notice.text = "Printing is set up on the system; a terminal has no printer settings.";
      askMessageBox(notice, [](int) {});
      break;
    }
    default:
      break;  // no windows are ever minimised here: there are no icons to arrange
  }
}

void Desktop::showHelp(const std::string& helpId) {
  help_.show(helpId, cols_);
  menu_.close();
}

void Desktop::beep() {
  Canvas::bell();
  bellUntil_ = std::chrono::steady_clock::now() + kBellShown;
}

void Desktop::resize(int cols, int rows) {
  cols_ = cols;
  rows_ = rows;
  windows_.rearrange(clientArea());
  boxes_.arrange(cols_, rows_);
  if (help_.shown()) showHelp("");
  menu_.close();
}

// ---- What is shown ----------------------------------------------------------------

CellRect Desktop::clientArea() const {
  const int top = toolbarButtons(frame_).empty() ? 1 : 2;
  return {0, top, cols_, std::max(1, rows_ - top - 1)};
}

std::optional<int> Desktop::frameHandle() const {
  if (!frame_) return std::nullopt;
  return frame_->handle;
}

std::optional<Desktop::Popup> Desktop::openDrop() const {
  const ShownWindow* w = windows_.active();
  if (!w) return std::nullopt;
  for (const auto& c : w->view.controls) {
    if (!c.droppedDown || !w->view.shows(c)) continue;
    auto rect = w->controlRect(c);
    if (!rect) return std::nullopt;
    const int rows = std::max(1, c.visibleRows);
    return Popup{w, &c, {rect->col, rect->row + 1, rect->width, rows}};
  }
  return std::nullopt;
}

bool Desktop::animating() const {
  return std::chrono::steady_clock::now() < bellUntil_ || windows_.anyBusy();
}

std::string Desktop::statusText() const {
  if (auto hint = menu_.hint()) return *hint;
  const ShownWindow* w = windows_.active();
  const ControlView* focused = w ? w->view.control(w->view.focus) : nullptr;
  return focused ? focused->message : std::string();
}

}  // namespace fesk::tui
