#pragma once
// The one layout of a printed list, for every paged device: a PDF file, a
// printer, the pages of a print preview. Each page has the header (title and
// date, the data set, the column headings) and its number at the foot; each
// item is a line of columns with its detail lines indented under it. An item
// whose details run onto the next page is named again there.

#include "runtime/frontend/printed_list.h"

class QPagedPaintDevice;

namespace fesk::qt {

// Reads `source` to its end and paints it on `device`, opening pages as they
// fill. Throws PrintError when the device cannot be painted on (a file that
// cannot be written) or the source cannot be read.
void paintPrintedList(QPagedPaintDevice& device, const apprt::PrintedListHeader& header,
                      apprt::PrintedListSource& source);

}  // namespace fesk::qt
