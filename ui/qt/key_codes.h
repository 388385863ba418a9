#pragma once
// Qt key events as the runtime's key codes (PC virtual keys with kShift,
// kCtrl and kAlt added), and which keys an entry keeps for its own editing.

#include <string>

class QKeyEvent;

namespace fesk::qt {

// The key code of a key press; 0 for a key the runtime has no code for (a
// modifier pressed alone, a dead key). A key that types a character no key
// code names (an accented letter, another script) is kKeyCharacter, and
// typedCharacter() says which.
int keyCode(const QKeyEvent& event);
std::string typedCharacter(const QKeyEvent& event);

// Keys that an entry handles itself: typed characters, cursor movement within
// the text, deleting, and the clipboard and undo shortcuts. Every other key
// (Tab, Enter, Esc, Up, Down, F1, Alt+letter...) goes to the runtime.
bool isEntryEditingKey(const QKeyEvent& event);

}  // namespace fesk::qt
