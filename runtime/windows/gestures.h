#pragma once
// The parts of the runtime's own window procedure (gestures.cpp) that the
// routing of input (input_routing.cpp) and the drop-down lists
// (drop_lists.cpp) share with it.

#include <cstdint>
#include <string>

#include "runtime/windows/window_model.h"

namespace apprt {

bool isList(const Control& c);
bool isDropDown(const Control& c);

// What the input being routed typed (a character, an entry's new text); ""
// outside of routing.
const std::string& routedText();

// Keys for the search line over the focused list (find_line.h): opening it,
// typing into it, searching and closing it. Answers true when the key was
// the line's own.
bool findLineKey(Window& w, int key, const std::string& character);
// The frame's Find item: Ctrl+F for the window in front, when a list there
// has the focus (a form in front finds nothing to search).
void findInFront();

// Keys in a focused drop-down list. While it is closed the navigation keys go
// to its drop button, which opens it; while it is open they are the browse's
// to act on, and Escape, Enter and Tab close it. Answers true when the key
// was the list's own.
bool dropKey(Control& c, int key);
// The drop-down list whose drop button or open list has `handle`, if any.
Control* dropPartOwner(Window& w, int handle);
// What the drop button or the open list of `combo` does with a message of its own.
void dropPartMessage(Control& combo, int part, uint32_t msg, uintptr_t wParam);

}  // namespace apprt
