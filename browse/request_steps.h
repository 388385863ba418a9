#pragma once
// The user's requests turned into hand-overs to the procedure: insert (with a
// blank row in the list when the procedure edits in place), batch add, change
// and delete of the selected record after a re-check that it still exists,
// and the activation of a row (select or change).

#include "browse/browse_call.h"
#include "browse/record_source.h"
#include "browse/scroller.h"

namespace fesk::detail {

class RequestSteps {
 public:
  RequestSteps(BrowseCall& call, RecordSource& source, Scroller& scroller)
      : call_(call), source_(source), scroller_(scroller) {}

  Flow batchAddRequest();
  Flow insertRequest();
  Flow changeRequest();
  Flow deleteRequest();
  Flow requestPath();
  Flow placeInsertRow();
  Flow continueBatch();
  Flow addBatchRow();
  Flow rowActivation();

 private:
  void recheckRecord();
  bool selectedRecordStands();

  BrowseCall& call_;
  RecordSource& source_;
  Scroller& scroller_;
};

}  // namespace fesk::detail
