#include "ui/tui/help_page_view.h"

#include <algorithm>

#include "runtime/frontend/constants.h"
#include "ui/tui/help_text.h"
#include "ui/tui/message_box_view.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

void HelpPageView::show(const std::string& helpId, int cols) {
  HelpText text = helpText(helpId);
  Page page;
  page.title = text.title;
  page.lines = wrapText(decodeUtf8(text.text), std::max(10, std::min(cols, 72) - 4));
  page_ = std::move(page);
}

void HelpPageView::key(const DecodedKey& k, int rows) {
  const int page = std::max(1, rows - 4);
  const int last = std::max(0, static_cast<int>(page_->lines.size()) - page);
  int& top = page_->top;
  switch (k.code) {
    case apprt::kKeyUp:
      top = std::max(0, top - 1);
      return;
    case apprt::kKeyDown:
      top = std::min(last, top + 1);
      return;
    case apprt::kKeyPgUp:
      top = std::max(0, top - page);
      return;
    case apprt::kKeyPgDn:
    case apprt::kKeySpace:
      top = std::min(last, top + page);
      return;
    case apprt::kKeyEsc:
    case apprt::kKeyEnter:
      page_.reset();
      return;
    default:
      return;
  }
}

void HelpPageView::paint(Canvas& canvas, int cols, int rows) const {
  const int width = std::min(cols, 72);
  CellRect r{(cols - width) / 2, 1, width, std::max(3, rows - 2)};
  canvas.fill(r, Style::Window);
  canvas.box(r, Style::ActiveBorder);
  std::wstring title = fitCells(L" " + decodeUtf8(page_->title) + L" ", r.width - 2);
  canvas.text(r.col + std::max(1, (r.width - textCells(title)) / 2), r.row, title, Style::BoxTitle);
  const int page = r.height - 2;
  for (int i = 0; i < page; ++i) {
    const size_t line = static_cast<size_t>(page_->top) + static_cast<size_t>(i);
    if (line >= page_->lines.size()) break;
    canvas.text(r.col + 2, r.row + 1 + i, fitCells(page_->lines[line], r.width - 4), Style::Window);
  }
  canvas.text(r.col + 2, r.row + r.height - 1,
              std::wstring(L" Up/Down/PgUp/PgDn scroll, Esc closes "), Style::Border);
}

}  // namespace fesk::tui
