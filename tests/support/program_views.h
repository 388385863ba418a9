#pragma once
// The program's own windows as the runtime describes them to a front-end:
// each window definition opened by a small procedure through the headless
// front-end, its lists filled with sample rows, so that tests of the
// front-ends lay out and drive exactly what the program shows.

#include <string>

#include "runtime/frontend/frontend.h"

namespace fesk::test {

// The view of the window (module, label) once opened, with `rows` sample rows
// ("C001", "Name 1"...) in each list.
apprt::WindowView programView(const std::string& module, const std::string& label, int rows = 0);

inline const char* const kFrameModule = "fesk$FESK001";
inline const char* const kFrameLabel = "P1$APPFRAME";
inline const char* const kBrowseModule = "fesk$FESK002";
inline const char* const kFesk1FormModule = "fesk$FESK003";
inline const char* const kFesk2FormModule = "fesk$FESK004";
inline const char* const kWindowLabel = "P1$QUICKWINDOW";
// The choice after another station changed or deleted the record being saved.
inline const char* const kConflictChoiceModule = "fesk$FESK005";
inline const char* const kChangedChoiceLabel = "P1$CHANGEDWINDOW";
inline const char* const kDeletedChoiceLabel = "P1$DELETEDWINDOW";

}  // namespace fesk::test
