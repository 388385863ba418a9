#pragma once
// The transcript's stable text format: one fact per line, texts quoted.
//
//   window opened: "TITLE"
//   window closed: "TITLE"
//   message box: "TITLE" "TEXT" icon=warning|question|none buttons=OK,Cancel default=Cancel answer=OK
//   beep
//   help "ID"
//   standard action N
//   exit code N
//   halt message "TEXT"
// and for a shown window (`show`):
//   window "TITLE" focus=FIELD busy=yes|no
//     FIELD KIND "TEXT" [disabled] [hidden] [...kind-specific]
//       > row 3: "code" | "name"        (the selected row is marked with >)
//   list FIELD scrollbar=shown|hidden thumb=N

#include <string>

#include "runtime/frontend.h"

namespace fesk::headless {

std::string quoted(const std::string& text);
std::string describeMessageBox(const apprt::MessageBoxRequest& request, int answer);
std::string describeWindow(const apprt::WindowView& view);
std::string kindName(apprt::ControlKind kind);

}  // namespace fesk::headless
