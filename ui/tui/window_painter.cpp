#include "ui/tui/window_painter.h"

#include <algorithm>
#include <cmath>

#include "runtime/text/picture.h"
#include "ui/tui/control_geometry.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {

using apprt::ControlKind;
using apprt::ControlView;

namespace {

struct Painter {
  Canvas& canvas;
  const ShownWindow& window;
  bool active;
  const EntryEditor* editor;
  std::optional<Cursor> cursor;

  bool focused(const ControlView& c) const { return active && window.view.focus == c.field; }

  void frame() {
    const CellRect& o = window.outer;
    canvas.clipToScreen();
    canvas.fill(o, Style::Window);
    canvas.box(o, active ? Style::ActiveBorder : Style::Border);
    std::wstring title = L" " + decodeUtf8(window.view.title) + L" ";
    title = fitCells(title, std::max(0, o.width - 8));
    int col = o.col + std::max(1, (o.width - textCells(title)) / 2);
    canvas.text(col, o.row, title, active ? Style::ActiveTitle : Style::Title);
    const CellRect close = window.closeBox();
    canvas.text(close.col, close.row, std::wstring(L"[x]"),
                active ? Style::ActiveBorder : Style::Border);
  }

  void prompt(const ControlView& c, const CellRect& r) {
    canvas.mnemonic(r.col, r.row, c.text, c.enabled ? Style::Window : Style::Disabled, r.width);
  }

  void button(const ControlView& c, const CellRect& r) {
    Style style = !c.enabled ? Style::Disabled : focused(c) ? Style::ButtonFocused : Style::Button;
    const int label = textCells(mnemonicCells(c.text).text);
    const bool roomy = label + 4 <= r.width;
    const int inner = roomy ? label + 2 : std::min(label, r.width - 2);
    const int col = r.col + std::max(0, (r.width - inner - 2) / 2);
    canvas.put(col, r.row, L'[', style);
    canvas.fill({col + 1, r.row, inner, 1}, style);
    canvas.mnemonic(col + 1 + (roomy ? 1 : 0), r.row, c.text, style, roomy ? label : inner);
    canvas.put(col + 1 + inner, r.row, L']', style);
    if (focused(c)) cursor = Cursor{col + 1 + (roomy ? 1 : 0), r.row};
  }

  void entry(const ControlView& c, const CellRect& r) {
    const bool editing = editor && focused(c) && window.view.acceptsInput;
    Style style = !c.enabled ? Style::Disabled : focused(c) ? Style::EntryFocused : Style::Entry;
    canvas.fill({r.col, r.row, r.width, 1}, style, L'_');
    std::wstring text;
    size_t first = 0;
    if (editing) {
      text = editor->characters();
      // Shows the part of a long text that holds the cursor.
      const size_t cur = editor->cursor();
      while (first < cur &&
             textCells(std::wstring_view(text).substr(first, cur - first)) >= r.width)
        ++first;
      text = text.substr(first);
    } else {
      auto picture = apprt::Picture::parse(c.picture);
      text = decodeUtf8(picture ? picture->formatForDisplay(c.text) : c.text);
    }
    text = fitCells(text, r.width);
    canvas.text(r.col, r.row, text, editing && editor->allSelected() ? Style::Selection : style);
    if (editing) {
      int at = textCells(
          std::wstring_view(editor->characters()).substr(first, editor->cursor() - first));
      cursor = Cursor{r.col + std::min(at, r.width - 1), r.row};
    } else if (focused(c)) {
      cursor = Cursor{r.col, r.row};
    }
  }

  void cellText(int col, int row, int width, const std::wstring& text, apprt::ListAlignment align,
                int indent, Style style) {
    if (width <= 0) return;
    std::wstring shown = fitCells(text, std::max(0, width - indent));
    int used = textCells(shown);
    int start = col + indent;
    if (align == apprt::ListAlignment::kRight || align == apprt::ListAlignment::kDecimal)
      start = col + std::max(0, width - indent - used);
    else if (align == apprt::ListAlignment::kCenter)
      start = col + std::max(0, (width - used) / 2);
    canvas.text(start, row, shown, style);
  }

  void list(const ControlView& c, const CellRect& r) {
    const Glyphs& g = Canvas::glyphs();
    ListParts parts = listParts(c, r, window.layout.unitsPerColumn);
    const auto indexes = apprt::columnTextIndexes(parts.columns);
    auto indentOf = [&](int units) {
      return std::max(1, static_cast<int>(std::lround(units / window.layout.unitsPerColumn)));
    };
    canvas.fill(r, Style::Window);
    if (parts.headerRow >= 0) {
      canvas.fill({r.col, parts.headerRow, parts.rowsWidth, 1}, Style::ListHeader);
      for (size_t i = 0; i < parts.columns.size(); ++i) {
        const auto& column = parts.columns[i];
        int left = r.col + parts.edges[i], width = parts.edges[i + 1] - parts.edges[i];
        cellText(left, parts.headerRow, width - 1, decodeUtf8(column.header),
                 column.headerAlignment, indentOf(column.headerIndent), Style::ListHeader);
      }
    }
    for (int row = 1; row <= parts.rowCount; ++row) {
      const int line = parts.firstRow + row - 1;
      const bool selected = row == c.selected;
      Style style =
          selected ? (focused(c) ? Style::FocusedRow : Style::SelectedRow) : Style::Window;
      if (selected) canvas.fill({r.col, line, parts.rowsWidth, 1}, style);
      if (row > static_cast<int>(c.rows.size())) continue;
      const auto& texts = c.rows[static_cast<size_t>(row - 1)];
      for (size_t i = 0; i < std::max<size_t>(1, parts.columns.size()); ++i) {
        size_t index = i < indexes.size() ? indexes[i] : i;
        std::string value = index < texts.size() ? texts[index] : std::string();
        apprt::ListAlignment align = apprt::ListAlignment::kLeft;
        int indent = 1;
        bool border = false;
        if (i < parts.columns.size()) {
          const auto& column = parts.columns[i];
          if (auto picture = apprt::Picture::parse(column.picture))
            value = picture->formatForDisplay(value);
          align = column.alignment;
          indent = indentOf(column.indent);
          border = column.rightBorder && i + 1 < parts.columns.size();
        }
        int left = r.col + parts.edges[i], width = parts.edges[i + 1] - parts.edges[i];
        cellText(left, line, width - (border ? 1 : 0), decodeUtf8(value), align, indent, style);
        if (border) canvas.put(left + width - 1, line, g.vertical, style);
      }
      if (selected) canvas.put(r.col, line, g.marker, style);
    }
    if (parts.barCol >= 0) paintScrollBar(canvas, parts.barCol, r.row, r.height, parts.thumbRow);
    if (focused(c)) {
      int line = c.selected >= 1 && c.selected <= parts.rowCount ? parts.firstRow + c.selected - 1
                                                                 : parts.firstRow;
      cursor = Cursor{r.col, line};
    }
  }

  void dropList(const ControlView& c, const CellRect& r) {
    Style style = !c.enabled ? Style::Disabled : focused(c) ? Style::EntryFocused : Style::Entry;
    canvas.fill({r.col, r.row, r.width, 1}, style);
    if (c.selected >= 1 && c.selected <= static_cast<int>(c.rows.size()) &&
        !c.rows[static_cast<size_t>(c.selected - 1)].empty())
      canvas.text(
          r.col, r.row,
          fitCells(decodeUtf8(c.rows[static_cast<size_t>(c.selected - 1)].front()), r.width - 1),
          style);
    canvas.put(r.col + r.width - 1, r.row, Canvas::glyphs().drop, Style::ScrollBar);
    if (focused(c)) cursor = Cursor{r.col, r.row};
  }

  void sheet(const ControlView& c, const CellRect& r) {
    const Glyphs& g = Canvas::glyphs();
    canvas.fill({r.col, r.row, r.width, 1}, Style::Window, g.horizontal);
    int index = 0;
    for (const auto& label : tabLabels(window.view, c, r)) {
      ++index;
      const ControlView* tab = window.view.control(label.field);
      if (!tab) continue;
      const bool chosen = index == c.choice;
      Style style = chosen ? Style::ChosenTab : Style::Tab;
      canvas.put(label.rect.col, r.row, chosen ? L'[' : L' ', style);
      int end = canvas.mnemonic(label.rect.col + 1, r.row, tab->text, style, label.rect.width - 2);
      canvas.put(end, r.row, chosen ? L']' : L' ', style);
      if (chosen && focused(c)) cursor = Cursor{label.rect.col + 1, r.row};
    }
  }

  void control(const ControlView& c) {
    if (!window.view.shows(c)) return;
    auto rect = window.controlRect(c);
    if (!rect || rect->width <= 0 || rect->height <= 0) return;
    switch (c.kind) {
      case ControlKind::Prompt:
        prompt(c, *rect);
        break;
      case ControlKind::Button:
        button(c, *rect);
        break;
      case ControlKind::Entry:
        entry(c, *rect);
        break;
      case ControlKind::List:
        list(c, *rect);
        break;
      case ControlKind::DropList:
      case ControlKind::DropCombo:
        dropList(c, *rect);
        break;
      case ControlKind::Sheet:
        sheet(c, *rect);
        break;
      default:
        break;
    }
  }

  // The search line across the bottom row of its list: what was typed, with
  // the cursor after it, and how the last search went.
  void findLine() {
    const apprt::FindLineView& line = window.view.findLine;
    const ControlView* c = line.open ? window.view.control(line.list) : nullptr;
    if (!c || !window.view.shows(*c)) return;
    auto rect = window.controlRect(*c);
    if (!rect || rect->width <= 0 || rect->height <= 0) return;
    const int row = rect->row + rect->height - 1;
    canvas.fill({rect->col, row, rect->width, 1}, Style::EntryFocused);
    int col = canvas.text(rect->col, row, std::wstring(L"Find: "), Style::EntryFocused);
    const int room = std::max(0, rect->col + rect->width - col - 1);
    col = canvas.text(col, row, fitCells(decodeUtf8(line.text), room), Style::EntryFocused);
    if (active) cursor = Cursor{col, row};
    const int left = rect->col + rect->width - col - 2;
    if (!line.message.empty() && left > 0)
      canvas.text(col + 2, row, fitCells(decodeUtf8(line.message), left), Style::EntryFocused);
  }

  void paint() {
    frame();
    canvas.clipTo(window.inside());
    const auto& controls = window.view.controls;
    for (const auto& c : controls)
      if (c.kind == ControlKind::Sheet) control(c);
    for (const auto& c : controls)
      if (c.kind != ControlKind::Sheet && !c.overList) control(c);
    for (const auto& c : controls)
      if (c.overList) control(c);
    findLine();
    canvas.clipToScreen();
    if (cursor && !window.inside().contains(cursor->col, cursor->row)) cursor.reset();
  }
};

}  // namespace

std::optional<Cursor> paintWindow(Canvas& canvas, const ShownWindow& window, bool active,
                                  const EntryEditor* editor) {
  Painter painter{canvas, window, active, editor, std::nullopt};
  painter.paint();
  return painter.cursor;
}

void paintScrollBar(Canvas& canvas, int col, int top, int height, int thumbRow) {
  const Glyphs& g = Canvas::glyphs();
  for (int line = top; line < top + height; ++line) {
    wchar_t glyph = line == top                ? g.up
                    : line == top + height - 1 ? g.down
                    : line == thumbRow         ? g.thumb
                                               : g.track;
    canvas.put(col, line, glyph, Style::ScrollBar);
  }
}

}  // namespace fesk::tui
