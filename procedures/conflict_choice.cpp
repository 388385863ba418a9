#include "procedures/conflict_choice.h"

#include <cstring>

#include "data/data_files.h"
#include "data/record_writes.h"
#include "procedures/form_steps.h"
#include "procedures/procedure_skeleton.h"
#include "runtime/windows/windows.h"

namespace fesk {
namespace {

using Shown = std::array<std::string, 2>;

// The windows of "fesk$FESK005" and their field numbers.
constexpr const char* kModule = "fesk$FESK005";
constexpr const char* kChangedWindow = "P1$CHANGEDWINDOW";
constexpr const char* kDeletedWindow = "P1$DELETEDWINDOW";
constexpr int kValuePrompt = 7;
constexpr int kStoredCode = 5;
constexpr int kTypedCode = 6;
constexpr int kStoredValue = 8;
constexpr int kTypedValue = 9;
constexpr int kMineButton = 10;
constexpr int kTheirsButton = 11;
constexpr int kEditButton = 12;

enum class Choice { kMine, kTheirs, kEditing };

void restoreImage(const apprt::FileDeclaration& file, const std::string& image) {
  std::memcpy(file.recordBytes().data(), image.data(), image.size());
}

// The entries only show a value: nothing is ever typed into them.
void showIn(int field, const std::string& value) {
  apprt::bindEntry(field, {[value] { return value; }, [](const std::string&) {}});
}

// Runs the loaded window until a button is pressed. Esc, the close box and
// the program ending go back to editing: that lets nothing go.
Choice waitForChoice() {
  Choice choice = Choice::kEditing;
  apprt::startEventLoop();
  while (!apprt::endEventLoop()) {
    if (apprt::EVENT() != apprt::kEventAccepted) continue;
    switch (apprt::FIELD()) {
      case kMineButton:
        choice = Choice::kMine;
        break;
      case kTheirsButton:
        choice = Choice::kTheirs;
        break;
      case kEditButton:
        choice = Choice::kEditing;
        break;
      default:
        continue;
    }
    apprt::POST(apprt::kEventCloseWindow);
  }
  return choice;
}

// Shows the window `label` (the stored values only when there are any) and
// answers the button pressed. The first button has the focus, so Enter takes it.
Choice ask(const char* label, const std::string& valuePrompt, const Shown* stored,
           const Shown& typed) {
  apprt::loadWindow(kModule, label);
  ProcedureExit exitPoint;
  if (stored) {
    showIn(kStoredCode, (*stored)[0]);
    showIn(kStoredValue, (*stored)[1]);
  }
  showIn(kTypedCode, typed[0]);
  showIn(kTypedValue, typed[1]);
  apprt::setPropText(kValuePrompt, apprt::kPropText, valuePrompt);
  apprt::openWindow();
  apprt::SELECT(kMineButton);
  const Choice choice = waitForChoice();
  apprt::closeWindow();
  return choice;
}

AfterConflict afterDelete(const EditedRecord& record, const Shown& typed) {
  switch (ask(kDeletedWindow, record.valuePrompt, nullptr, typed)) {
    case Choice::kMine:
      return record.addAgain() ? AfterConflict::kAdded : AfterConflict::kEditToAdd;
    case Choice::kTheirs:
      return AfterConflict::kLeftDeleted;
    case Choice::kEditing:
      break;
  }
  return AfterConflict::kEditToAdd;
}

AfterConflict afterChange(const EditedRecord& record, const std::string& storedImage,
                          const Shown& stored, const Shown& typed) {
  switch (ask(kChangedWindow, record.valuePrompt, &stored, typed)) {
    case Choice::kMine:
      return AfterConflict::kSaveAgain;
    case Choice::kTheirs:
      restoreImage(record.file, storedImage);
      return AfterConflict::kShowStored;
    case Choice::kEditing:
      break;
  }
  return AfterConflict::kEditTyped;
}

}  // namespace

std::string RecordImage(const apprt::FileDeclaration& file) {
  const auto bytes = file.recordBytes();
  return {bytes.data(), bytes.size()};
}

AfterConflict ResolveConflict(const EditedRecord& record, const std::string& typed) {
  // The write routine re-read the record; finding none, it left the file
  // without a current record: the other station deleted it.
  const bool gone = record.file.positionByFile().empty();
  const std::string storedImage = RecordImage(record.file);
  const Shown stored = record.shownValues();
  // Whatever is chosen, the typed values are back in the buffer first, so
  // that the window's question never stands between them and the user.
  restoreImage(record.file, typed);
  const Shown mine = record.shownValues();
  if (gone) return afterDelete(record, mine);
  return afterChange(record, storedImage, stored, mine);
}

EditedRecord EditedFesk1() {
  return {.file = FESK1,
          .valuePrompt = "name:",
          .shownValues =
              [] {
                return Shown{FESK1.buffer().CODE.text(), FESK1.buffer().NAME.text()};
              },
          .addAgain = [] { return AddRecordTellingWhy(FESK1, &FES_KEYCODE); }};
}

EditedRecord EditedFesk2() {
  return {.file = FESK2,
          .valuePrompt = "Number:",
          .shownValues =
              [] {
                return Shown{FESK2.buffer().CODE.text(), FESK2.buffer().NUMBER.text()};
              },
          .addAgain = [] { return AddFesk2Record() == kWriteDone; }};
}

}  // namespace fesk
