#include "warnings/show_warning.h"

#include "runtime/files/errors.h"
#include "runtime/files/file_record.h"
#include "runtime/threads/program.h"
#include "runtime/windows/unreachable_store.h"
#include "runtime/windows/windows.h"
#include "warnings/saved_error.h"
#include "warnings/warning_kinds.h"

namespace fesk {

int ShowWarning(int kind, std::string_view text1, std::string_view text2) {
  ErrorDescription description = TakeErrorDescription();
  const WarningKind* row = findWarningKind(kind, text1);
  if (!row) return 0;
  const WarningTexts texts{description.code, std::move(description.text),
                           apprt::trimmedField(text1.data(), text1.size()),
                           apprt::trimmedField(text2.data(), text2.size())};
  const std::string message = row->message(texts);
  // The driver's words name a lost server and why: no second box about it.
  const bool tellsDriverTrouble = texts.code == apprt::kDriverError && !texts.description.empty() &&
                                  message.find(texts.description) != std::string::npos;
  const int button = apprt::messageBox(message, std::string(row->title), row->icon, row->buttons,
                                       row->defaultButton);
  if (tellsDriverTrouble) apprt::storeLossTold();
  switch (row->after) {
    case AfterBox::kReturnButton:
      return button;
    case AfterBox::kReturnTwoUnlessNo:
      if (button == apprt::kButtonNo) apprt::HALT(0, std::string(row->haltMessage));
      return apprt::kButtonYes;
    case AfterBox::kRetryOrHalt:
      if (button != apprt::kButtonRetry) apprt::HALT(0, std::string(row->haltMessage));
      return button;
    case AfterBox::kNoResult:
      return 0;
    case AfterBox::kHalt:
      apprt::HALT(0, std::string(row->haltMessage));
  }
  return 0;
}

}  // namespace fesk
