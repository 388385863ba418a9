#pragma once

namespace fesk {

// File > Print List...: the printed list of the records in the order of the
// browse window in front (code order when none is open). The desktop shows
// its print preview, on the page set up with Print Setup; where there is no
// preview (a terminal) the list is written as a PDF file the user names.
void PrintList();

}  // namespace fesk
