#include "browse/find_steps.h"

#include <string>

#include "browse/edit_states.h"
#include "runtime/files/errors.h"
#include "runtime/text/key_text.h"
#include "runtime/windows/find_line.h"
#include "runtime/windows/progress.h"
#include "runtime/windows/unreachable_store.h"
#include "runtime/windows/windows.h"

namespace fesk::detail {
namespace {

// Records read between two progress reports: a report costs a turn of the
// program lock, a record a read from the file's run.
constexpr long kRecordsPerReport = 512;

std::string notFound(const std::string& text) {
  return "\"" + text + "\" not found";
}

// A row edited in line, or a blank insert row waiting: the list is not the
// search's to move.
bool listBusy() {
  return engineState().EditState != kEditStateNone || engineState().InsertRowPending != 0;
}

}  // namespace

bool FindSteps::anyStartsWith(const std::string& text) {
  apprt::FieldRef first = call_.file.field(call_.key.fields.front());
  source_.clearRecord(-1);
  first.assign(text);
  call_.file.setOnKeyValue(call_.key);
  call_.file.next();
  if (apprt::ERRCODE() != apprt::kNoError || !locator_.accepted()) return false;
  // Byte for byte: a UTF-8 character is never the start of another one.
  const std::string_view stored = first.bytes();
  return stored.size() >= text.size() && apprt::sameKeyText(stored.substr(0, text.size()), text);
}

bool FindSteps::locatePrefix() {
  const std::string text = apprt::findLineText();
  if (text.empty() || call_.key.fields.empty() || listBusy()) return false;
  if (!anyStartsWith(text)) {
    apprt::tellFindLine(notFound(text));
    return false;
  }
  apprt::tellFindLine({});
  // The engine locates from the value in the record buffer: the typed text,
  // with every other key component at its lowest.
  source_.clearRecord(-1);
  call_.file.field(call_.key.fields.front()).assign(text);
  BrowseBlock& blk = block();
  blk.SETTOITEM = 0;
  blk.SETTOKEY = kSetToKeyLocate;
  blk.ACTION = kActionLoad;
  return true;
}

bool FindSteps::holds(const std::string& folded) const {
  const int wanted = block().FINDFIELD;
  const auto count = static_cast<int>(call_.file.fields().size());
  for (int index = 0; index < count; ++index) {
    if (wanted != 0 && index != wanted - 1) continue;
    if (apprt::keyValue(call_.file.field(index).bytes()).find(folded) != std::string::npos)
      return true;
  }
  return false;
}

bool FindSteps::findNext() {
  const std::string text = apprt::findLineText();
  if (text.empty() || listBusy()) return false;
  std::string folded = text;
  apprt::foldKey(folded);
  if (!source_.standOnRow(static_cast<size_t>(apprt::CHOICE(listField())), true)) {
    apprt::tellFindLine(notFound(text));
    return false;
  }
  apprt::Progress progress("Find");
  for (long read = 0;; ++read) {
    if (read % kRecordsPerReport == 0 &&
        !progress.update("Looking for \"" + text + "\"...", read)) {
      apprt::tellFindLine("Find stopped");
      return false;
    }
    if (!source_.readForward()) {
      if (readMetStoreTrouble()) apprt::tellDriverTroubleOnce(apprt::lastFileError());
      break;
    }
    if (!locator_.accepted()) break;
    if (holds(folded)) {
      apprt::tellFindLine({});
      // The record found, the file's current one, takes the selected row.
      block().SETTOPOSITION = kRepositionOnRecord;
      block().ACTION = kActionLoad;
      return true;
    }
  }
  apprt::tellFindLine(notFound(text));
  return false;
}

}  // namespace fesk::detail
