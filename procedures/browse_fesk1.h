#pragma once

namespace fesk {

// The browse window over FESK1, run in a thread of its own for each choice of
// "&fesk": pages through the records in code or name order, locates by
// typing, and inserts, changes and deletes through UpdateFesk1. Entered with
// RequestCode 4 it selects a record for its caller (ResponseCode 1 and the
// record in the FESK1 buffer, or 2 when closed without a choice).
void BrowseFesk1();

}  // namespace fesk
