#include "ui/tui/menu_bar.h"

#include <map>

namespace fesk::tui {

using apprt::ControlKind;

namespace {

bool choosable(const MenuEntry& e) {
  return !e.separator && e.enabled;
}

}  // namespace

std::vector<MenuEntry> buildMenuBar(const apprt::WindowView& frame) {
  std::vector<MenuEntry> bar;
  // Where each menu's entry lives: a path of indexes from the bar down.
  std::map<int, std::vector<size_t>> paths;
  auto entryAt = [&bar](const std::vector<size_t>& path) -> MenuEntry& {
    MenuEntry* e = &bar[path[0]];
    for (size_t i = 1; i < path.size(); ++i) e = &e->items[path[i]];
    return *e;
  };
  for (const auto& c : frame.controls) {
    if (c.inToolbar || c.hidden) continue;
    if (c.kind != ControlKind::Menu && c.kind != ControlKind::MenuItem &&
        c.kind != ControlKind::Separator)
      continue;
    MenuEntry e;
    e.field = c.kind == ControlKind::Separator ? 0 : c.field;
    e.submenu = c.kind == ControlKind::Menu;
    e.separator = c.kind == ControlKind::Separator;
    e.text = mnemonicCells(c.text);
    e.hint = c.hint;
    e.enabled = c.enabled;
    e.standardAction = c.standardAction;
    std::vector<size_t> path;
    if (c.parent != 0) {
      auto parent = paths.find(c.parent);
      if (parent == paths.end()) continue;  // under something that is not a menu
      path = parent->second;
      std::vector<MenuEntry>& siblings = entryAt(path).items;
      path.push_back(siblings.size());
      siblings.push_back(std::move(e));
    } else {
      if (e.separator) continue;
      path.push_back(bar.size());
      bar.push_back(std::move(e));
    }
    if (c.kind == ControlKind::Menu) paths[c.field] = path;
  }
  return bar;
}

std::vector<int> barColumns(const std::vector<MenuEntry>& bar) {
  std::vector<int> columns;
  int col = 1;
  for (const auto& e : bar) {
    columns.push_back(col);
    col += textCells(e.text.text) + 2;
  }
  columns.push_back(col);
  return columns;
}

int nextChoosable(const std::vector<MenuEntry>& entries, int from, int step) {
  const int n = static_cast<int>(entries.size());
  if (n == 0) return -1;
  int i = from;
  for (int tried = 0; tried < n; ++tried) {
    i = ((i + step) % n + n) % n;
    if (choosable(entries[static_cast<size_t>(i)])) return i;
  }
  return -1;
}

std::vector<const apprt::ControlView*> toolbarButtons(
    const std::optional<apprt::WindowView>& frame) {
  std::vector<const apprt::ControlView*> buttons;
  if (frame)
    for (const auto& c : frame->controls)
      if (c.inToolbar && c.kind == ControlKind::Button && !c.hidden) buttons.push_back(&c);
  return buttons;
}

MnemonicMatch findMnemonic(const std::vector<MenuEntry>& entries, int letter, int from) {
  MnemonicMatch match;
  const int n = static_cast<int>(entries.size());
  int count = 0;
  for (int k = 1; k <= n; ++k) {
    int i = ((from + k) % n + n) % n;
    const MenuEntry& e = entries[static_cast<size_t>(i)];
    if (!choosable(e) || e.text.key != letter) continue;
    if (match.index < 0) match.index = i;
    ++count;
  }
  match.unique = count == 1;
  return match;
}

}  // namespace fesk::tui
