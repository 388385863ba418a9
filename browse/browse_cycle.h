#pragma once
// One call of KX_RunBrowse: its entry, the dispatch on the action, the resume
// point and the event, the end of the event and the final stage. The steps
// themselves are parts of their own, each in its header: RecordSource (reads
// and positions, record_source.h), Locator (ranges, positioning and views,
// locator.h), PageLoader (page loads, page_loader.h), Scroller (scrolling,
// scroller.h), RequestSteps (insert, change, delete and batch add,
// request_steps.h) and FindSteps (the search line's finds, find_steps.h);
// list_control.h drives the list control's thumb, beep and focus. All of
// them share the call's BrowseCall (browse_call.h).

#include <cstdint>
#include <string>

#include "browse/browse_call.h"
#include "browse/find_steps.h"
#include "browse/locator.h"
#include "browse/page_loader.h"
#include "browse/record_source.h"
#include "browse/request_steps.h"
#include "browse/scroller.h"

namespace fesk::detail {

class BrowseCycle {
 public:
  BrowseCycle(const apprt::FileDeclaration& file, apprt::View* view,
              const apprt::KeyDeclaration& key, apprt::QueueBase& displayQueue,
              std::string& position, const BrowseRange& range, const BrowseFixedComponents& fixed);
  // The parts hold references into the cycle.
  BrowseCycle(const BrowseCycle&) = delete;
  BrowseCycle& operator=(const BrowseCycle&) = delete;

  void run(int16_t listField);

 private:
  void workOutPerCallValues();
  void serveReloadRequestEvent(uint8_t actionOnEntry);
  Flow dispatchOnAction();
  Flow dispatchOnResumePoint();
  Flow dispatchOnEvent();
  Flow endOfEvent();
  Flow buttonRefreshCheck();
  Flow finalStage();

  BrowseCall call_;
  RecordSource source_;
  Locator locator_;
  PageLoader pages_;
  Scroller scroller_;
  RequestSteps requests_;
  FindSteps find_;
};

}  // namespace fesk::detail
