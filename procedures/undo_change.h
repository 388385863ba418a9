#pragma once

namespace fesk {

// Takes back this station's last saved change that this run has not taken
// back yet (the frame's Edit > Undo, Ctrl+Z), through the ordinary write
// routines, as a saved change of its own; the next call takes back the one
// before. A record changed since by anyone, gone, or (for a delete taken back)
// whose code another record now has is left alone, and the user is told who
// changed it and when, or why not; with nothing left: "Nothing to undo.".
// The browse in front shows the result.
void UndoLastChange();

}  // namespace fesk
