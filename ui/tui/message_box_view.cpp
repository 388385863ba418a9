#include "ui/tui/message_box_view.h"

#include <algorithm>

#include "runtime/text/ascii_case.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

using namespace apprt;

namespace {

struct ButtonKind {
  int value;
  const wchar_t* label;
};
// In the order the buttons are offered.
constexpr ButtonKind kButtons[] = {
    {kButtonOk, L"OK"},         {kButtonYes, L"Yes"},     {kButtonNo, L"No"},
    {kButtonAbort, L"Abort"},   {kButtonRetry, L"Retry"}, {kButtonIgnore, L"Ignore"},
    {kButtonCancel, L"Cancel"}, {kButtonQuit, L"Quit"},
};

constexpr int kMaxTextCells = 60;
constexpr int kButtonGap = 2;

}  // namespace

std::vector<std::wstring> wrapText(std::wstring_view text, int width) {
  std::vector<std::wstring> lines;
  width = std::max(1, width);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    std::wstring_view paragraph =
        text.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
    std::wstring line;
    size_t i = 0;
    while (i < paragraph.size()) {
      size_t wordEnd = paragraph.find(L' ', i);
      if (wordEnd == std::wstring_view::npos) wordEnd = paragraph.size();
      std::wstring word(paragraph.substr(i, wordEnd - i));
      std::wstring joined = line.empty() ? word : line + L' ' + word;
      if (textCells(joined) <= width) {
        line = joined;
      } else {
        if (!line.empty()) lines.push_back(line);
        // A word longer than a line is broken where the line ends.
        while (textCells(word) > width) {
          std::wstring head = fitCells(word, width);
          if (head.empty()) head = word.substr(0, 1);
          lines.push_back(head);
          word.erase(0, head.size());
        }
        line = word;
      }
      i = wordEnd + 1;
    }
    lines.push_back(line);
    if (end == std::wstring_view::npos) break;
    start = end + 1;
  }
  return lines;
}

MessageBoxView::MessageBoxView(MessageBoxRequest request, std::function<void(int)> answer)
    : request_(std::move(request)), answer_(std::move(answer)) {
  const int buttons = request_.buttons ? request_.buttons : kButtonOk;
  for (const auto& kind : kButtons) {
    if (!(buttons & kind.value)) continue;
    if (kind.value == request_.defaultButton) focused_ = static_cast<int>(buttons_.size());
    const bool named = kind.value == kButtonOk && !request_.okText.empty();
    buttons_.push_back({kind.value, named ? decodeUtf8(request_.okText) : kind.label, {}});
  }
}

void MessageBoxView::arrange(int screenCols, int screenRows) {
  screenCols_ = screenCols;
  screenRows_ = screenRows;
  const int textWidth = std::clamp(screenCols - 6, 1, kMaxTextCells);
  std::wstring icon;
  if (request_.icon == Icon::Warning) icon = L"(!) ";
  if (request_.icon == Icon::Question) icon = L"(?) ";
  lines_ = wrapText(icon + decodeUtf8(request_.text), textWidth);
  int widest = textCells(decodeUtf8(request_.title)) + 4;
  for (const auto& line : lines_) widest = std::max(widest, textCells(line));
  int buttonsWidth = -kButtonGap;
  for (const auto& b : buttons_) buttonsWidth += textCells(b.label) + 4 + kButtonGap;
  widest = std::max(widest, buttonsWidth);
  // An entry takes the widest text a box has, and a line and a gap of its own.
  if (entry_) widest = std::max(widest, textWidth);
  const int entryLines = entry_ ? 2 : 0;
  outer_.width = std::min(screenCols, widest + 4);
  outer_.height = std::min(screenRows, static_cast<int>(lines_.size()) + 5 + entryLines);
  outer_.col = std::max(0, (screenCols - outer_.width) / 2);
  outer_.row = std::max(0, (screenRows - outer_.height) / 2);
  entryRect_ = {outer_.col + 2, outer_.row + 2 + static_cast<int>(lines_.size()),
                std::max(1, outer_.width - 4), entry_ ? 1 : 0};
  int col = outer_.col + std::max(1, (outer_.width - buttonsWidth) / 2);
  const int row = outer_.row + outer_.height - 2;
  for (auto& b : buttons_) {
    b.rect = {col, row, textCells(b.label) + 4, 1};
    col += b.rect.width + kButtonGap;
  }
}

void MessageBoxView::addEntry(const std::string& text) {
  entry_.emplace();
  entry_->start(text, 0, true);
  arrange(screenCols_, screenRows_);
}

void MessageBoxView::setText(std::string text) {
  request_.text = std::move(text);
  arrange(screenCols_, screenRows_);
}

void MessageBoxView::moveFocus(int step) {
  const int n = static_cast<int>(buttons_.size());
  focused_ = ((focused_ + step) % n + n) % n;
}

int MessageBoxView::escapeValue() const {
  for (int wanted : {kButtonCancel, kButtonNo, kButtonQuit})
    for (const auto& b : buttons_)
      if (b.value == wanted) return wanted;
  if (buttons_.size() == 1) return buttons_.front().value;
  return request_.defaultButton;
}

int MessageBoxView::valueForLetter(int letter) const {
  for (const auto& b : buttons_)
    if (!b.label.empty() && apprt::asciiUpper(b.label.front()) == static_cast<wchar_t>(letter))
      return b.value;
  return 0;
}

int MessageBoxView::valueAt(int col, int row) const {
  for (const auto& b : buttons_)
    if (b.rect.contains(col, row)) return b.value;
  return 0;
}

int MessageBoxView::focusedValue() const {
  return buttons_[static_cast<size_t>(focused_)].value;
}

void MessageBoxView::answer(int value) {
  if (answered_) return;
  answered_ = true;
  answer_(value);
}

}  // namespace fesk::tui
