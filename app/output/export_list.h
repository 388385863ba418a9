#pragma once

namespace fesk {

// File > Export List...: the records of the browse window in front, in its
// order (code order when none is open), saved as a CSV file that the user
// names. The work is reported as it goes and can be stopped; a list that is
// stopped or cannot be written leaves no file, and an older one as it was.
void ExportList();

}  // namespace fesk
