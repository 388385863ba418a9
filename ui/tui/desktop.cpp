#include "ui/tui/desktop.h"

#include <algorithm>
#include <cmath>

#include "runtime/picture.h"
#include "ui/tui/control_geometry.h"
#include "ui/tui/help_text.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::Input;
using apprt::StandardAction;
using apprt::WindowKind;
using apprt::WindowView;

namespace {

// New windows stand a little lower and to the right of the one before, as
// Cascade sets them, so that each one's title stays in view.
constexpr int kCascadeSteps = 8;
constexpr int kCascadeCols = 2;
constexpr int kMaxPendingEchoes = 256;
constexpr auto kBellShown = std::chrono::milliseconds(400);

}  // namespace

Desktop::Desktop(InputSink send, int cols, int rows)
    : send_(std::move(send)), cols_(cols), rows_(rows) {}

// ---- What the runtime asks for ------------------------------------------------

void Desktop::showWindow(const WindowView& view) {
  if (view.kind == WindowKind::Frame) {
    const bool hadToolbar = !toolbarButtons().empty();
    frame_ = view;
    bar_ = buildMenuBar(view);
    if (hadToolbar != !toolbarButtons().empty()) rearrange();
    return;
  }
  auto it = windows_.find(view.handle);
  if (it == windows_.end()) {
    ShownWindow& w = windows_[view.handle];
    w.view = view;
    place(w, opened_++);
    order_.push_back(view.handle);
  } else {
    it->second.view = view;
    it->second.arrange(clientArea());
  }
  syncEditor();
}

void Desktop::closeWindow(int handle) {
  if (frame_ && frame_->handle == handle) {
    frame_.reset();
    bar_.clear();
    closeMenu();
    return;
  }
  windows_.erase(handle);
  std::erase(order_, handle);
  syncEditor();
}

void Desktop::askMessageBox(const apprt::MessageBoxRequest& request,
                            std::function<void(int)> answer) {
  closeMenu();
  boxes_.push_back(std::make_unique<MessageBoxView>(request, std::move(answer)));
  boxes_.back()->arrange(cols_, rows_);
}

void Desktop::answerWaitingBoxes() {
  for (auto& box : boxes_)
    box->answer(box->entry() ? apprt::kButtonCancel : box->request().defaultButton);
  boxes_.clear();
  progressBoxes_.clear();
}

void Desktop::standardAction(StandardAction action) {
  switch (action) {
    case StandardAction::Tile:
      tile();
      break;
    case StandardAction::Cascade:
      cascade();
      break;
    case StandardAction::Copy:
    case StandardAction::Cut:
      if (!editWindow_) break;
      clipboard_ = editor_.characters();
      if (action == StandardAction::Cut) {
        editor_.start("", 0, false);
        sendTypedText();
      }
      break;
    case StandardAction::Paste:
      if (!editWindow_) break;
      for (wchar_t c : clipboard_)
        if (!editor_.insert(c)) break;
      sendTypedText();
      break;
    case StandardAction::PrintSetup: {
      apprt::MessageBoxRequest notice;
      notice.title = "Print Setup";
      notice.text = "Printing is set up on the system; a terminal has no printer settings.";
      askMessageBox(notice, [](int) {});
      break;
    }
    case StandardAction::HelpContents:
    case StandardAction::HelpSearch:
    case StandardAction::HelpOnHelp:
      showHelp("");
      break;
    default:
      break;  // no windows are ever minimised here: there are no icons to arrange
  }
}

void Desktop::showHelp(const std::string& helpId) {
  HelpText page = helpText(helpId);
  HelpPage shown;
  shown.title = page.title;
  shown.lines = wrapText(decodeUtf8(page.text), std::max(10, std::min(cols_, 72) - 4));
  help_ = std::move(shown);
  closeMenu();
}

void Desktop::beep() {
  Canvas::bell();
  bellUntil_ = std::chrono::steady_clock::now() + kBellShown;
}

// ---- Windows ----------------------------------------------------------------------

CellRect Desktop::clientArea() const {
  const int top = toolbarButtons().empty() ? 1 : 2;
  return {0, top, cols_, std::max(1, rows_ - top - 1)};
}

std::vector<const ControlView*> Desktop::toolbarButtons() const {
  std::vector<const ControlView*> buttons;
  if (frame_)
    for (const auto& c : frame_->controls)
      if (c.inToolbar && c.kind == ControlKind::Button && !c.hidden) buttons.push_back(&c);
  return buttons;
}

void Desktop::place(ShownWindow& w, int index) {
  const CellRect area = clientArea();
  const int step = index % kCascadeSteps;
  w.tiled = false;
  w.outer = {area.col + step * kCascadeCols, area.row + step, 0, 0};
  w.arrange(area);
}

void Desktop::rearrange() {
  const bool tiled = std::any_of(windows_.begin(), windows_.end(),
                                 [](const auto& entry) { return entry.second.tiled; });
  if (tiled) {
    tile();
    return;
  }
  for (auto& [handle, w] : windows_) w.arrange(clientArea());
}

void Desktop::tile() {
  const int n = static_cast<int>(order_.size());
  if (n == 0) return;
  const CellRect area = clientArea();
  const int across = static_cast<int>(std::ceil(std::sqrt(n)));
  const int down = (n + across - 1) / across;
  for (int i = 0; i < n; ++i) {
    ShownWindow& w = windows_[order_[static_cast<size_t>(i)]];
    const int col = i % across, row = i / across;
    // The last row shares its width among the windows left for it.
    const int inRow = row == down - 1 ? n - row * across : across;
    const CellRect before = w.outer;
    w.tiled = true;
    w.outer.col = area.col + col * area.width / inRow;
    w.outer.width = area.col + (col + 1) * area.width / inRow - w.outer.col;
    w.outer.row = area.row + row * area.height / down;
    w.outer.height = area.row + (row + 1) * area.height / down - w.outer.row;
    w.arrange(area);
    if (before.width != w.outer.width || before.height != w.outer.height)
      send(Input::Kind::Resize, w.view.handle);
  }
}

void Desktop::cascade() {
  int index = 0;
  for (int handle : order_) {
    ShownWindow& w = windows_[handle];
    const CellRect before = w.outer;
    place(w, index++);
    if (before.width != w.outer.width || before.height != w.outer.height)
      send(Input::Kind::Resize, handle);
  }
}

void Desktop::resize(int cols, int rows) {
  cols_ = cols;
  rows_ = rows;
  rearrange();
  for (auto& box : boxes_) box->arrange(cols_, rows_);
  if (help_) showHelp("");
  closeMenu();
}

ShownWindow* Desktop::active() {
  return order_.empty() ? nullptr : &windows_[order_.back()];
}

const ShownWindow* Desktop::activeWindow() const {
  return order_.empty() ? nullptr : &windows_.at(order_.back());
}

const ShownWindow* Desktop::window(int handle) const {
  auto it = windows_.find(handle);
  return it == windows_.end() ? nullptr : &it->second;
}

std::optional<int> Desktop::frameHandle() const {
  if (!frame_) return std::nullopt;
  return frame_->handle;
}

void Desktop::activate(int handle) {
  if (!windows_.count(handle)) return;
  if (!order_.empty() && order_.back() == handle) return;
  std::erase(order_, handle);
  order_.push_back(handle);
  send(Input::Kind::Activate, handle);
  syncEditor();
}

void Desktop::cycleWindows(int step) {
  if (order_.size() < 2) return;
  if (step > 0) {
    activate(order_.front());
  } else {
    int top = order_.back();
    order_.pop_back();
    order_.insert(order_.begin(), top);
    send(Input::Kind::Activate, order_.back());
    syncEditor();
  }
}

void Desktop::send(Input::Kind kind, int window, int field, int key, int row, int thumb,
                   std::string text) {
  Input input;
  input.kind = kind;
  input.window = window;
  input.field = field;
  input.key = key;
  input.row = row;
  input.thumb = thumb;
  input.text = std::move(text);
  send_(input);
}

// ---- The focused entry --------------------------------------------------------------

bool Desktop::editing(const ShownWindow& w) const {
  return editWindow_ == w.view.handle && editField_ == w.view.focus && editField_ != 0;
}

void Desktop::syncEditor() {
  ShownWindow* w = active();
  const ControlView* c = w ? w->view.control(w->view.focus) : nullptr;
  if (!c || c->kind != ControlKind::Entry || !w->view.acceptsInput || !c->enabled) {
    editWindow_ = editField_ = 0;
    echoes_.clear();
    return;
  }
  auto picture = apprt::Picture::parse(c->picture);
  const std::string shown = picture ? picture->formatForDisplay(c->text) : c->text;
  if (editWindow_ != w->view.handle || editField_ != c->field) {
    editWindow_ = w->view.handle;
    editField_ = c->field;
    echoes_.clear();
    // An entry entered by a key has its whole text selected, so typing
    // replaces it; one entered by a click gets the cursor where it was clicked.
    const bool clicked =
        clickedEntry_ && clickedEntry_->window == editWindow_ && clickedEntry_->field == editField_;
    editor_.start(shown, picture ? picture->maxCharacters() : 0, !clicked);
    if (clicked) editor_.placeCursor(clickedEntry_->offset);
    clickedEntry_.reset();
    return;
  }
  auto echo = std::find(echoes_.begin(), echoes_.end(), c->text);
  if (echo != echoes_.end()) {
    echoes_.erase(echoes_.begin(), echo + 1);
    if (!echoes_.empty() || c->text == editor_.text()) return;
  }
  echoes_.clear();
  if (shown != editor_.text()) editor_.replace(shown);
}

void Desktop::sendTypedText() {
  echoes_.push_back(editor_.text());
  if (echoes_.size() > kMaxPendingEchoes) echoes_.pop_front();
  send(Input::Kind::Text, editWindow_, editField_, 0, 0, 0, editor_.text());
}

bool Desktop::hasMnemonic(const ShownWindow& w, int letter) const {
  for (const auto& c : w.view.controls)
    if (c.field > 0 && c.enabled && mnemonicKey(c.text) == letter && w.view.shows(c))
      return true;
  return false;
}

// ---- Status ---------------------------------------------------------------------------

bool Desktop::animating() const {
  if (std::chrono::steady_clock::now() < bellUntil_) return true;
  return std::any_of(windows_.begin(), windows_.end(),
                     [](const auto& entry) { return entry.second.view.busy; });
}

std::string Desktop::statusText() const {
  if (menu_.bar >= 0 && static_cast<size_t>(menu_.bar) < bar_.size()) {
    const std::vector<MenuEntry>* items = openItems();
    if (items && menu_.item >= 0 && static_cast<size_t>(menu_.item) < items->size())
      return (*items)[static_cast<size_t>(menu_.item)].hint;
    return bar_[static_cast<size_t>(menu_.bar)].hint;
  }
  const ShownWindow* w = activeWindow();
  const ControlView* focused = w ? w->view.control(w->view.focus) : nullptr;
  return focused ? focused->message : std::string();
}

}  // namespace fesk::tui
