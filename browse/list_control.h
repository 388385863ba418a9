#pragma once
// What the engine does to its list control besides filling its rows: the
// scroll bar's thumb, the beep at an end of the file, the focus that an
// in-line edit keeps, and the nudge that makes the list lay itself out anew.

namespace fesk::detail {

void setThumb(int value);
int thumb();
// The page stays at an end of the file: the thumb goes to that end
// (`thumbValue`) and the engine beeps.
void hitEdge(int thumbValue);
void browseBeep();
void focusEditedColumn();  // while an in-line edit runs, its control keeps the focus
void serveNudgeList();

}  // namespace fesk::detail
