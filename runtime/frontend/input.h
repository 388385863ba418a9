#pragma once
// What a person does, as a front-end hands it to the runtime. Each kind is
// made by its own constructor, so that every field means one thing.

#include <string>
#include <utility>

#include "runtime/frontend/constants.h"

namespace apprt {

struct Input {
  enum class Kind {
    Key,
    KeyUp,
    Click,
    Text,
    Row,
    Tab,
    Scroll,
    Wheel,
    Activate,
    Close,
    Resize,
    Menu,
    Drop
  };

  // A key pressed in the window (it goes to the focused control): `code` with
  // kShift, kCtrl, kAlt added; for kKeyCharacter, `character` is what was typed.
  static Input keyDown(int window, int code, std::string character = {}) {
    Input i = of(Kind::Key, window);
    i.code = code;
    i.text = std::move(character);
    return i;
  }
  static Input keyUp(int window, int code) {
    Input i = of(Kind::KeyUp, window);
    i.code = code;
    return i;
  }
  static Input click(int window, int field, int mouse = kKeyMouseLeft) {
    Input i = of(Kind::Click, window, field);
    i.mouse = mouse;
    return i;
  }
  // What an entry shows after the person typed into it.
  static Input typed(int window, int entry, std::string shown) {
    Input i = of(Kind::Text, window, entry);
    i.text = std::move(shown);
    return i;
  }
  // A list row (1-based) clicked (kKeyMouseLeft) or double-clicked.
  static Input chooseRow(int window, int list, int row, int mouse) {
    Input i = of(Kind::Row, window, list);
    i.row = row;
    i.mouse = mouse;
    return i;
  }
  static Input chooseTab(int window, int sheet, int tab) {  // tab: 1-based
    Input i = of(Kind::Tab, window, sheet);
    i.tab = tab;
    return i;
  }
  // The list's scroll bar: `scroll` is kScrollLineUp...; `thumb` (0..100) is
  // where a released thumb stands.
  static Input scrollBar(int window, int list, int scroll, int thumb = 0) {
    Input i = of(Kind::Scroll, window, list);
    i.scroll = scroll;
    i.thumb = thumb;
    return i;
  }
  static Input wheel(int window, int list, bool up) {  // one notch
    Input i = of(Kind::Wheel, window, list);
    i.up = up;
    return i;
  }
  static Input activate(int window) { return of(Kind::Activate, window); }
  static Input close(int window) { return of(Kind::Close, window); }  // the close box
  // The program is asked to end by something that cannot be answered (a
  // signal, the desktop session gone): the frame closes as its close box
  // would, without asking about typing that is not saved.
  static Input endProgram(int frame) {
    Input i = of(Kind::Close, frame);
    i.unasked = true;
    return i;
  }
  static Input resize(int window) { return of(Kind::Resize, window); }
  // The window now shows `width` x `height` dialog units (never less than
  // its definition: a smaller size keeps the definition's layout).
  static Input resize(int window, int width, int height) {
    Input i = of(Kind::Resize, window);
    i.width = width;
    i.height = height;
    return i;
  }
  static Input menu(int window, int item) { return of(Kind::Menu, window, item); }
  // The drop button of a drop-down list pressed.
  static Input drop(int window, int list) { return of(Kind::Drop, window, list); }

  Kind kind = Kind::Key;
  int window = 0;
  int field = 0;              // the control (a menu's item); keys: 0, they go to the focused one
  int code = 0;               // keys: the key code
  int mouse = 0;              // clicks and rows: the mouse code
  int row = 0;                // rows
  int tab = 0;                // tabs
  int scroll = 0;             // scroll bars: the scroll code
  int thumb = 0;              // scroll bars
  bool up = false;            // wheels
  bool unasked = false;       // closes: see endProgram()
  int width = 0, height = 0;  // resizes: the new size in dialog units (0: not told)
  std::string text;           // entries: what it shows; keys: the character typed

 private:
  static Input of(Kind kind, int window, int field = 0) {
    Input i;
    i.kind = kind;
    i.window = window;
    i.field = field;
    return i;
  }
};

// Hands input to the thread that owns the window. Thread-safe, never blocks.
void deliverInput(const Input& input);

}  // namespace apprt
