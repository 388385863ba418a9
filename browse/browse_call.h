#pragma once
// What one call of KX_RunBrowse was given and what it works out on entry,
// shared by reference between the parts of the engine, and the Flow that every
// step of the engine ends in: return to the procedure now (ACTION and
// REENTRYPNT already set), or go on with the end of the event, the
// button-refresh check or the final stage.

#include <cstddef>
#include <cstdint>
#include <string>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"

namespace fesk::detail {

enum class Flow { kReturn, kEndOfEvent, kButtonRefresh, kFinalStage };

// Values of CALLNORECORDS: the notice of an empty list (kActionListEmpty) is
// given at most once after registration, and once after each delete that
// leaves the list empty.
enum EmptyListNotice : uint8_t {
  kNoticeNeverLoaded = 0,
  kNoticeFirstLoad = 1,    // the first page load is under way
  kNoticeAfterDelete = 2,  // a delete was requested
  kNoticeHandled = 3,
};

struct BrowseCall {
  BrowseCall(const apprt::FileDeclaration& file, apprt::View* view,
             const apprt::KeyDeclaration& key, apprt::QueueBase& displayQueue,
             std::string& position, const BrowseRange& range, const BrowseFixedComponents& fixed)
      : file(file),
        view(view),
        key(key),
        displayQueue(displayQueue),
        position(position),
        range(range),
        fixed(fixed) {}

  const apprt::FileDeclaration& file;
  apprt::View* view;
  const apprt::KeyDeclaration& key;
  apprt::QueueBase& displayQueue;
  std::string& position;
  const BrowseRange& range;
  const BrowseFixedComponents& fixed;

  // Worked out afresh at every call.
  int OrderSign = 1;
  int FillDirection = -1;
  bool RangeActive = false;
  bool ExactRange = false;
  bool OutOfRange = false;
  std::string scratch;       // a position on its way between rows
  std::string belowOldPage;  // page down: where the new page starts

  size_t rows() const { return displayQueue.records(); }
};

// The working copy of the browse being served.
inline BrowseBlock& block() {
  return BrowseRegistry.buffer;
}

// The browse's list control.
inline int16_t listField() {
  return BrowseRegistry.buffer.LISTFLD;
}

// Hands over to the procedure: it is to do `action`, and the next call resumes
// at `resumePoint`.
inline Flow returnWith(uint8_t action, uint8_t resumePoint = kResumeNone) {
  block().ACTION = action;
  block().REENTRYPNT = resumePoint;
  return Flow::kReturn;
}

}  // namespace fesk::detail
