#pragma once
// The search line a user opens over a list (Ctrl+F, or the frame's Find
// item for the window in front). The runtime keeps it with the window and
// takes the keys typed while it is open: what they type goes into the line
// and the list hears kEventFindTyped; Enter and F3 give it kEventFindNext;
// Esc closes the line, and the list keeps the focus it never lost. Every
// other key (Up, PgDn...) reaches the list as ever. What a search finds is
// the list's own business (the browse library's find steps): it reads the
// text and says here how the search went.

#include <string>

namespace apprt {

// What the current window's search line holds (it may have been closed
// since the event was queued); "" when nothing was typed.
std::string findLineText();

// Shows `message` on the current window's search line ("" clears it).
void tellFindLine(std::string message);

}  // namespace apprt
