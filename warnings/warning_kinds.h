#pragma once
// The catalogue's table: one row per warning kind (two for the kinds whose
// box depends on text1), with the title, the composition of the message, the
// icon, the buttons, the default button and what happens after the box.

#include <string>
#include <string_view>

#include "runtime/frontend/constants.h"

namespace fesk {

// What a message is composed of.
struct WarningTexts {
  int code = 0;             // the error code behind the description
  std::string description;  // no trailing spaces
  std::string text1;        // the caller's texts without trailing spaces
  std::string text2;
};

enum class AfterBox {
  kReturnButton,
  kReturnTwoUnlessNo,  // No halts; any other answer returns 2
  kRetryOrHalt,        // Retry returns Retry; any other answer halts
  kNoResult,
  kHalt,
};

struct WarningKind {
  int kind;
  // When set, the row holds only for text1 (as passed) equal to it; the row
  // that follows with the same kind holds otherwise.
  std::string_view whenText1;
  std::string_view title;
  std::string (*message)(const WarningTexts&);
  apprt::Icon icon;
  int buttons;
  int defaultButton;
  AfterBox after;
  std::string_view haltMessage;  // kHalt, kReturnTwoUnlessNo and kRetryOrHalt
};

// The row of `kind` for text1 as the caller passed it; null for a kind
// outside 1 to 41.
const WarningKind* findWarningKind(int kind, std::string_view text1AsPassed);

}  // namespace fesk
