#pragma once
// The frame's menu bar on the terminal as the user works it: which entry is
// highlighted, which menu is dropped down, and what keys, letters and clicks
// choose. The window menu lists the open windows after its own items. What
// an entry does when chosen is the desktop's.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "ui/tui/canvas.h"
#include "ui/tui/key_decoding.h"
#include "ui/tui/menu_bar.h"

namespace fesk::tui {

class MenuControl {
 public:
  using WindowItems = std::function<std::vector<MenuEntry>()>;
  // `frame` is the frame's view as the desktop keeps it (none while closed).
  MenuControl(const std::optional<apprt::WindowView>& frame, WindowItems windowItems)
      : frame_(frame), windowItems_(std::move(windowItems)) {}

  // The frame changed: its menus are read anew.
  void frameChanged();

  // What a gesture did: whether the menu took it, and the entry it chose (the
  // menu is closed then).
  struct Outcome {
    bool taken = false;
    std::optional<MenuEntry> chosen;
  };
  bool isOpen() const { return state_.bar >= 0; }
  void openFirst();  // F10
  void close() { state_ = State{}; }
  // A key while the menu is open.
  Outcome key(const DecodedKey& key);
  // Alt plus a letter or digit while the menu is closed.
  Outcome mnemonic(int letter);
  Outcome click(int col, int row, int cols);
  // The hint of the highlighted entry, while the menu is open.
  std::optional<std::string> hint() const;
  bool dropped() const { return openItems() != nullptr; }

  void paintBar(Canvas& canvas, int cols) const;
  void paintDropDown(Canvas& canvas, int cols) const;

 private:
  void open(int index, bool drop);
  Outcome choose(const MenuEntry& entry);
  const std::vector<MenuEntry>* openItems() const;
  CellRect dropDownRect(int cols) const;

  const std::optional<apprt::WindowView>& frame_;
  WindowItems windowItems_;
  std::vector<MenuEntry> bar_;
  struct State {
    int bar = -1;  // the highlighted entry of the bar; -1 while the menu is closed
    bool dropped = false;
    int item = -1;
  } state_;
};

}  // namespace fesk::tui
