#pragma once
// The saved-error state: the runtime's error state captured at the moment a
// file operation failed, so that its description survives the roll-back and
// the other runtime calls made before the warning is shown. One state for the
// whole process; procedure threads run one at a time under the program lock
// and nothing waits between a capture and the warning that consumes it.

#include <cstddef>
#include <string>

namespace fesk {

// The longest text kept of the runtime's or the driver's message.
inline constexpr std::size_t kSavedTextLength = 255;
// The longest error description a warning shows.
inline constexpr std::size_t kDescriptionLength = 150;

extern int SavedErrorCode;  // 0: nothing saved
extern std::string SavedErrorText;
extern int SavedFileErrorCode;
extern std::string SavedFileErrorText;

// Captures the calling thread's runtime error state, then rolls back its open
// transaction (harmless when none is open). Called right after a failed file
// operation, before the warning about it.
void SaveFileError();

struct ErrorDescription {
  int code = 0;      // the saved code, else the current one
  std::string text;  // at most kDescriptionLength characters, no trailing spaces
};

// The description of the saved error, or of the current runtime error when
// nothing is saved; empties the saved state either way.
ErrorDescription TakeErrorDescription();

}  // namespace fesk
