#pragma once

namespace fesk {

// The browse window over FESK1, run in a thread of its own for each choice of
// "&fesk": pages through the records in code or name order, locates by
// typing, and inserts, changes and deletes through UpdateFesk1. Entered with
// RequestCode kSelectRecordRequest it selects a record for its caller
// (kResponseCompleted and the record in the FESK1 buffer, or
// kResponseCancelled when closed without a choice).
void BrowseFesk1();

// The browse's sort orders, as the tabs of its sheet number them.
inline constexpr int kSortByCode = 1;
inline constexpr int kSortByName = 2;

// The sort order of the browse window over FESK1 that was active most
// recently, as its sheet shows it; 0 when none is open. Any procedure thread
// may ask.
int FrontBrowseFesk1SortOrder();

// Has the browse window over FESK1 that was active most recently read its
// list again around its selection, as after a save of its own (the lists
// follow the commits of other programs only). Any procedure thread may ask.
void ReloadFrontBrowseFesk1();

}  // namespace fesk
