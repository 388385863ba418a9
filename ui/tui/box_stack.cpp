#include "ui/tui/box_stack.h"

#include <algorithm>
#include <filesystem>

#include "ui/tui/text_cells.h"

namespace fesk::tui {

using namespace apprt;

namespace {

// What an entry of `width` cells shows of a longer text: its end, with a
// cell left for the cursor.
std::wstring shownTail(const EntryEditor& entry, int width) {
  std::wstring shown = entry.characters();
  while (!shown.empty() && textCells(shown) > width - 1) shown.erase(0, 1);
  return shown;
}

void paintBox(Canvas& canvas, const MessageBoxView& box, bool top) {
  const CellRect& r = box.outer();
  canvas.fill(r, Style::Window);
  canvas.box(r, top ? Style::ActiveBorder : Style::Border);
  std::wstring title =
      L" " + decodeUtf8(box.request().title.empty() ? "fesk" : box.request().title) + L" ";
  title = fitCells(title, std::max(0, r.width - 2));
  const bool warning = box.request().icon == Icon::Warning;
  canvas.text(r.col + std::max(1, (r.width - textCells(title)) / 2), r.row, title,
              warning ? Style::WarningTitle : Style::BoxTitle);
  int row = r.row + 1;
  for (const auto& line : box.lines()) {
    if (row >= r.row + r.height - 2) break;
    canvas.text(r.col + 2, row++, fitCells(line, r.width - 4), Style::Window);
  }
  if (const EntryEditor* entry = box.entry()) {
    // A text longer than the entry shows its end, where the cursor is.
    const CellRect& e = box.entryRect();
    canvas.fill(e, Style::EntryFocused);
    canvas.text(e.col, e.row, shownTail(*entry, e.width),
                entry->allSelected() ? Style::Selection : Style::EntryFocused);
  }
  for (size_t i = 0; i < box.buttons().size(); ++i) {
    const BoxButton& b = box.buttons()[i];
    const bool focused = static_cast<int>(i) == box.focused();
    Style style = focused && top ? Style::ButtonFocused : Style::Button;
    canvas.text(b.rect.col, b.rect.row, L"[ " + b.label + L" ]", style);
    canvas.text(b.rect.col + 2, b.rect.row, b.label.substr(0, 1), style, true);
  }
}

}  // namespace

void BoxStack::push(std::unique_ptr<MessageBoxView> box) {
  boxes_.push_back(std::move(box));
  boxes_.back()->arrange(cols_, rows_);
}

void BoxStack::ask(const MessageBoxRequest& request, std::function<void(int)> answer) {
  push(std::make_unique<MessageBoxView>(request, std::move(answer)));
}

void BoxStack::askSavePath(const SavePathRequest& request,
                           std::function<void(std::string)> answer) {
  MessageBoxRequest question;
  question.window = request.window;
  question.title = request.title;
  question.text = "File to write (" + request.fileType + "):";
  question.buttons = kButtonOk | kButtonCancel;
  question.defaultButton = kButtonOk;
  // The box reads its entry when it is answered, and it is answered before it
  // goes away.
  auto shown = std::make_shared<const MessageBoxView*>(nullptr);
  auto box =
      std::make_unique<MessageBoxView>(question, [shown, answer = std::move(answer)](int button) {
        answer(button == kButtonOk ? (*shown)->entry()->text() : std::string());
      });
  *shown = box.get();
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  box->addEntry((here / request.suggestedName).string());  // typing replaces it
  push(std::move(box));
}

bool BoxStack::showProgress(const ProgressView& view, std::function<void()> stop) {
  if (view.ended) {
    cancelledWork_.erase(view.id);
    auto it = progressBoxes_.find(view.id);
    if (it == progressBoxes_.end()) return false;
    std::erase_if(boxes_, [&](const auto& box) { return box.get() == it->second; });
    progressBoxes_.erase(it);
    return false;
  }
  if (cancelledWork_.count(view.id)) return false;
  auto it = progressBoxes_.find(view.id);
  if (it != progressBoxes_.end()) {
    it->second->setText(view.text);
    return false;
  }
  MessageBoxRequest report;
  report.window = view.window;
  report.title = view.title;
  report.text = view.text;
  report.buttons = kButtonCancel;
  report.defaultButton = kButtonCancel;
  push(std::make_unique<MessageBoxView>(report, [stop = std::move(stop)](int) { stop(); }));
  progressBoxes_[view.id] = boxes_.back().get();
  return true;
}

void BoxStack::answerWaiting() {
  for (auto& box : boxes_) box->answer(box->entry() ? kButtonCancel : box->request().defaultButton);
  boxes_.clear();
  progressBoxes_.clear();
}

bool BoxStack::key(const DecodedKey& k) {
  MessageBoxView& box = *boxes_.back();
  bool changed = false;
  if (EntryEditor* entry = box.entry(); entry && applyEditingKey(*entry, k, changed))
    return !(k.typed && entry->refused());
  int value = 0;
  switch (k.code) {
    case kKeyLeft:
    case kKeyShiftTab:
      box.moveFocus(-1);
      return true;
    case kKeyRight:
    case kKeyTab:
      box.moveFocus(1);
      return true;
    case kKeyEnter:
    case kKeySpace:
      value = box.focusedValue();
      break;
    case kKeyEsc:
      value = box.escapeValue();
      break;
    default:
      value = box.valueForLetter(k.code & ~(kShift | kAlt) & 0xFF);
      break;
  }
  if (value) answerNewest(value);
  return true;
}

void BoxStack::click(int col, int row) {
  if (int value = boxes_.back()->valueAt(col, row)) answerNewest(value);
}

void BoxStack::answerNewest(int value) {
  MessageBoxView* box = boxes_.back().get();
  std::erase_if(progressBoxes_, [&](const auto& work) {
    if (work.second != box) return false;
    cancelledWork_.insert(work.first);
    return true;
  });
  box->answer(value);
  boxes_.pop_back();
}

void BoxStack::arrange(int cols, int rows) {
  cols_ = cols;
  rows_ = rows;
  for (auto& box : boxes_) box->arrange(cols_, rows_);
}

void BoxStack::paint(Canvas& canvas, std::optional<Cursor>& cursor) const {
  for (size_t i = 0; i < boxes_.size(); ++i) {
    paintBox(canvas, *boxes_[i], i + 1 == boxes_.size());
    const BoxButton& b = boxes_[i]->buttons()[static_cast<size_t>(boxes_[i]->focused())];
    cursor = Cursor{b.rect.col + 2, b.rect.row};
    if (const EntryEditor* entry = boxes_[i]->entry()) {
      const CellRect& r = boxes_[i]->entryRect();
      const int hidden = textCells(entry->characters()) - textCells(shownTail(*entry, r.width));
      cursor = Cursor{r.col + std::clamp(entry->cursorCells() - hidden, 0, r.width - 1), r.row};
    }
  }
}

}  // namespace fesk::tui
