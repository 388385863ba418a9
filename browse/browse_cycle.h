#pragma once
// One call of KX_RunBrowse: the parameters, the per-call values and every
// step of the engine. Internal to the browse library; the steps are split by
// concern over browse_cycle.cpp (entry, dispatch, end of the event),
// record_source.cpp (reads and positions), page_loading.cpp, scrolling.cpp,
// locating.cpp and requests.cpp.
//
// Each step ends in a Flow: return to the procedure now (ACTION and
// REENTRYPNT already set), or go on with the end of the event, the
// button-refresh check or the final stage.

#include <cstdint>
#include <string>
#include <string_view>

#include "browse/browse_engine.h"
#include "browse/browse_registry.h"

namespace fesk::detail {

enum class Flow { kReturn, kEndOfEvent, kButtonRefresh, kFinalStage };

// Window property that is 1 while the buttons of a browse window wait for
// their refresh after a page load.
inline constexpr int kPropRefreshPending = 31932;

// What a reposition request leaves for the page load.
enum class Reposition { kNone, kReselect, kLoad };

class BrowseCycle {
 public:
  BrowseCycle(const apprt::FileDeclaration& file, apprt::View* view,
              const apprt::KeyDeclaration& key, apprt::QueueBase& displayQueue,
              std::string& position, const BrowseRange& range, const BrowseFixedComponents& fixed);
  void run(int16_t listField);

 private:
  BrowseBlock& b() { return BrowseRegistry.buffer; }
  int16_t list() const { return BrowseRegistry.buffer.LISTFLD; }
  size_t rows() const { return displayQueue_.records(); }
  Flow returnWith(uint8_t action, uint8_t resumePoint = kResumeNone);

  // Entry, dispatch, end of the event, final stage (browse_cycle.cpp).
  void workOutPerCallValues();
  void serveReloadRequestEvent(uint8_t actionOnEntry);
  Flow dispatchOnAction();
  Flow dispatchOnResumePoint();
  Flow dispatchOnEvent();
  Flow endOfEvent();
  Flow buttonRefreshCheck();
  Flow finalStage();
  void browseBeep();
  void focusEditedColumn();  // while an in-line edit runs, its control keeps the focus

  // Reads and positions on the file or the view (record_source.cpp).
  bool usingView() const;
  bool readForward();
  bool readBackward();
  bool accepted();
  std::string readPosition() const;  // of the record just read
  void savePosition();
  void resetTo(std::string_view position);
  void resetToStored();  // to the entry buffer's position
  // Fetches a display entry and stands on its record (read again `forward` or
  // backward), so that the next read that way answers the row beyond it. False
  // when there is no such entry or no record that way.
  bool standOnRow(size_t entry, bool forward);
  void setOnKey();
  void setOnKeyValue();
  void clearRecord(int fill);
  void setThumb(int value);
  int thumb();

  // Page loads (page_loading.cpp).
  Flow loadPage();
  Flow upwardFill(bool resuming);
  Flow prepareDownwardFill();
  Flow downwardFill(bool resuming);
  Flow startTopUpFill();
  Flow topUpFill(bool resuming);
  Flow selectAndFinish();
  Flow reloadAroundSelection();

  // Scrolling (scrolling.cpp).
  Flow scrollUp();
  Flow scrollUpFromAbove(bool resuming);
  Flow scrollDown();
  Flow scrollDownFromBelow(bool resuming);
  Flow pageUp();
  Flow pageDown();
  Flow firstPage();
  Flow lastPage();
  Flow thumbMoved();
  void hitEdge(int thumbValue);

  // Locating, ranges, fixed components and views (locating.cpp).
  void checkFixedComponents();
  void checkRange();
  void setFixedComponents();
  void setBeyondUpperBound();
  void positionAtStart();
  void positionAtLocatedValue();
  void positionAtEnd();
  Reposition repositionOnRequest();
  Reposition repositionInView();
  void serveNudgeList();
  void applyViewStrings();
  void reopenViewAtKeyStart();
  void reopenViewAtKeyValue();

  // Requests (requests.cpp).
  Flow batchAddRequest();
  Flow insertRequest();
  Flow changeRequest();
  Flow deleteRequest();
  Flow requestPath();
  void recheckRecord();
  Flow placeInsertRow();
  Flow continueBatch();
  Flow addBatchRow();
  Flow rowActivation();

  const apprt::FileDeclaration& file_;
  apprt::View* view_;
  const apprt::KeyDeclaration& key_;
  apprt::QueueBase& displayQueue_;
  std::string& position_;
  const BrowseRange& range_;
  const BrowseFixedComponents& fixed_;

  // Worked out afresh at every call.
  int OrderSign = 1;
  int FillDirection = -1;
  bool RangeActive = false;
  bool ExactRange = false;
  bool OutOfRange = false;
  std::string scratch_;       // a position on its way between rows
  std::string belowOldPage_;  // page down: where the new page starts
};

}  // namespace fesk::detail
