#pragma once
// A tour of the desktop program that leaves a PNG of each of its windows: it
// acts as a person would (menus, buttons, tabs), so it runs the real program
// as well as the sample one the tests use.
//
//   frame-tiled.png         the frame with two browse windows tiled
//   browse.png              a browse window (its scroll bar when the file
//                           has more records than a page)
//   inline-edit.png         a new row of the browse being edited in place
//   form-fesk1-tab1.png     the FESK1 form on its first tab ...
//   form-fesk1-tab2.png     ... and on its second, with the FESK2 records
//   form-fesk2.png          the FESK2 form
//   confirm-delete.png      the box that confirms a delete
//   print-preview.png       the print preview of the list of records
//
// The FESK1 form is opened by switching the browse's in-line editing off and
// changing the first record, whose FESK2 records the second tab shows.

#include <string>

#include "runtime/threads/program.h"

namespace fesk::qt {

// Runs `firstProcedure` on the desktop, takes the tour, writes the PNGs into
// outDir and ends the program; answers 0 when every picture was written.
int takeScreenshots(int& argc, char** argv, apprt::Procedure firstProcedure,
                    const std::string& outDir);

}  // namespace fesk::qt
