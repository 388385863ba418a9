#pragma once

namespace fesk {

// The browse window over FESK1, run in a thread of its own for each choice of
// "&fesk": pages through the records in code or name order, locates by
// typing, and inserts, changes and deletes through UpdateFesk1. Entered with
// RequestCode 4 it selects a record for its caller (ResponseCode 1 and the
// record in the FESK1 buffer, or 2 when closed without a choice).
void BrowseFesk1();

// The sort order (1 code, 2 name) of the browse window over FESK1 that was
// active most recently, as its sheet shows it; 0 when none is open. Any
// procedure thread may ask.
int FrontBrowseFesk1SortOrder();

}  // namespace fesk
