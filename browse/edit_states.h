#pragma once
// The values of EditState, where the in-place editor tells the engine what it
// is to do once a row is completed: the engine moves to the row and the edit
// goes on there.

#include <cstdint>

namespace fesk {

inline constexpr uint8_t kEditStateNone = 0;
// The row to edit is selected: the engine asks for a change of it.
inline constexpr uint8_t kEditStateResume = 1;
// The engine scrolls one row down, or up, and then resumes the edit.
inline constexpr uint8_t kEditStateNextRow = 2;
inline constexpr uint8_t kEditStatePreviousRow = 3;

}  // namespace fesk
