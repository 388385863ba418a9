#pragma once
// The transcript's stable text format: one fact per line, texts quoted with
// \" and \\ escapes. What the program shows, as it happens:
//
//   window opened: "TITLE"
//   window closed: "TITLE"
//   message box: "TITLE" "TEXT" icon=warning|question|none buttons=OK,Cancel default=OK answer=OK
//   beep
//   list followed the data set: "TITLE" FIELD
//   help "ID"
//   standard action N
//   exit code N
//   halt message "TEXT"              (only when the program was halted)
//
// A shown window (the script verb `show`), controls in tab order:
//
//   window "TITLE" focus=FIELD busy=yes|no
//     FIELD KIND "TEXT" [required] [disabled] [hidden] [tab=N] [over=LIST:COLUMN]
//     FIELD list "" scrollbar=shown|hidden thumb=N rows=N
//         row 1: "COLUMN 1" | "COLUMN 2"
//       > row 2: "COLUMN 1" | "COLUMN 2"      (the selected row is marked with >)
//
// KIND is prompt, entry, button, list, droplist, dropcombo, sheet, tab, menu
// or item; an entry's TEXT is what it shows; `hidden` means a person cannot
// see it (hidden itself, or on a tab that is not chosen); `tab=N` is a
// sheet's chosen tab; `over` places an edit control over a list's cell.

#include <string>

#include "runtime/frontend/frontend.h"

namespace fesk::headless {

std::string quoted(const std::string& text);
std::string describeMessageBox(const apprt::MessageBoxRequest& request, int answer);
std::string describeWindow(const apprt::WindowView& view);

}  // namespace fesk::headless
