#pragma once
// Where a page load starts and which records a browse may show: the range on
// one key field with up to three fixed key components, positioning at the
// start, at a located value and at the end, the reposition requests, and the
// view's strings and re-openings.

#include "browse/browse_call.h"
#include "browse/record_source.h"

namespace fesk::detail {

// What a reposition request leaves for the page load.
enum class Reposition { kNone, kReselect, kLoad };

class Locator {
 public:
  Locator(BrowseCall& call, RecordSource& source) : call_(call), source_(source) {}

  bool accepted();  // whether the record just read may become a row
  void positionAtStart();
  void positionAtLocatedValue();
  void positionAtEnd();
  Reposition repositionOnRequest();
  void reopenViewAtKeyStart();

 private:
  void checkFixedComponents();
  void checkRange();
  void setFixedComponents();
  void setBeyondUpperBound();
  bool setPastTrailingBlanks();
  bool positionPastTrailingBlanks();
  Reposition repositionInView();
  void applyViewStrings();
  void reopenViewAtKeyValue();

  BrowseCall& call_;
  RecordSource& source_;
};

}  // namespace fesk::detail
