#pragma once
// Find over a browse, for the search line the runtime keeps over its list
// (runtime/windows/find_line.h). As the user types, the first record whose
// key in the list's order starts with the whole text is located through the
// key, one keyed read whatever the file's size; Find Next reads on from the
// selected row's record for the next one whose searched field (FINDFIELD)
// holds the text anywhere, reporting its progress and stopping when the user
// asks. Both end in the engine's own loads (a located value, or the record
// found put on the selected row), so that the page and the selection come
// about as every other load's. The search line tells what was not found.

#include "browse/browse_call.h"
#include "browse/locator.h"
#include "browse/record_source.h"

namespace fesk::detail {

class FindSteps {
 public:
  FindSteps(BrowseCall& call, RecordSource& source, Locator& locator)
      : call_(call), source_(source), locator_(locator) {}

  // Each answers true when a page load is to follow (ACTION kActionLoad with
  // its repositioning switch set), false when the list stays as it is.
  bool locatePrefix();
  bool findNext();

 private:
  // Whether a record starting with `text` lies in the list, by one keyed read.
  bool anyStartsWith(const std::string& text);
  // Whether the record just read holds `folded` (key-folded) in its searched field.
  bool holds(const std::string& folded) const;

  BrowseCall& call_;
  RecordSource& source_;
  Locator& locator_;
};

}  // namespace fesk::detail
