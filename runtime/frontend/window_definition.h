#pragma once
// Window definitions: windows described as data (resources/*.win), compiled
// into the program and looked up by module name and window label.
//
// The text format is one element per line; a line's indentation makes it a
// child of the nearest less-indented line above (tabs of a sheet, controls of a
// tab, items of a menu, buttons of the tool bar). Strings are double-quoted
// with \" and \\ escapes; '#' starts a comment line.
//
//   module "fesk$FESK002"
//   window "P1$QUICKWINDOW" mdi "Browse the fesk1 File" size 208 188
//     help "browsefesk"
//     font "MS Sans Serif" 8
//     list 1 at 8 20 192 124 format "80L(2)|M~code~L(2)@S20@" message "Browsing Records"
//     sheet 2 at 4 4 200 162
//       tab 10 "FES:Keycode"
//     button 3 "&Select" at 8 148 45 14
//     entry 4 at 60 20 84 10 picture "@s20" required
//     menu -1 "&File"            (a menu without a number: menu none "&Window")
//       item -2 "P&rint Setup..." hint "Setup Printer" std 16
//       separator
//     toolbar
//       button -15 "Button 1" at 18 6 45 14
//
// Positions and sizes are in dialog units: x * average character width / 4,
// y * character height / 8 of the window's font.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace apprt {

enum class WindowKind { Frame, MdiChild, Dialog };

enum class ControlKind {
  Prompt,
  Entry,
  Button,
  List,
  DropList,
  DropCombo,
  Sheet,
  Tab,
  Menu,
  MenuItem,
  Separator,
  Toolbar
};

// The word a window definition names a kind of control with ("entry",
// "item"...), which transcripts and the web page use too.
std::string controlKindName(ControlKind kind);

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

struct ControlDefinition {
  int field = 0;  // menu items and tool-bar buttons have negative numbers
  ControlKind kind = ControlKind::Prompt;
  std::string text;
  Rect rect;
  std::string picture;     // entries
  std::string format;      // lists
  std::string message;     // status-bar text while the control has the focus
  std::string hint;        // menu items
  int standardAction = 0;  // menu items carried out by the runtime itself
  bool required = false;   // entries: may not be blank at completion
  bool vscroll = false;    // lists: has a vertical scroll bar
  bool disabled = false;
  bool hidden = false;
  int parent = 0;  // field number of the enclosing sheet, tab or menu; 0 = window
  bool inToolbar = false;
  int depth = 0;  // nesting depth in the definition
};

struct WindowDefinition {
  std::string module;
  std::string label;
  WindowKind kind = WindowKind::MdiChild;
  std::string title;
  std::string help;
  std::string fontName = "Sans Serif";
  int fontSize = 8;
  int width = 0, height = 0;
  std::vector<ControlDefinition> controls;  // in tab order (definition order)

  const ControlDefinition* control(int field) const;
};

class DefinitionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses one definition text (one module, any number of windows).
std::vector<WindowDefinition> parseWindowDefinitions(std::string_view text);

// The compiled-in definitions. Modules register their text at start-up.
void registerWindowDefinitions(std::string_view text);
std::optional<WindowDefinition> findWindowDefinition(std::string_view module,
                                                     std::string_view label);

}  // namespace apprt
