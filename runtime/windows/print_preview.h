#pragma once
// A printed list shown in the front-end's print preview, from a procedure
// thread.

#include "runtime/frontend/printed_list.h"

namespace apprt {

// Whether the front-end of this run shows print previews.
bool hasPrintPreview();

// Reads the whole list under the busy cursor and shows the front-end's print
// preview of it in front of the current window; returns when the preview has
// closed. Throws PrintError when the items cannot be read.
void printPreview(const PrintedListHeader& header, PrintedListSource& source);

}  // namespace apprt
