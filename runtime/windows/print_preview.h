#pragma once
// A printed list shown in the front-end's print preview, from a procedure
// thread.

#include "runtime/frontend/printed_list.h"

namespace apprt {

// Whether the front-end of this run shows print previews.
bool hasPrintPreview();

// Shows the front-end's print preview of the list in front of the current
// window and reads the source for it, a page at a time as the preview asks,
// until the preview closes. Only the places the preview keeps (where its
// pages start) stay in memory, whatever the length of the list. Throws
// PrintError when the front-end reads the list as the preview opens and the
// items cannot be read.
void printPreview(const PrintedListHeader& header, PlacedListSource& source);

}  // namespace apprt
