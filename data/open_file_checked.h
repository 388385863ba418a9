#pragma once
// The only way the procedures and the write routines open a data file. It
// deals with the states a file can be found in: missing (created), held by
// another program (the user may wait and retry), in need of recovery by its
// driver (told to recover, opened once more), with invalid keys (the user is
// asked, then the keys are rebuilt), with damaged pages in its table (the user
// is asked, then the readable records are saved into a new file and the
// damaged one is kept aside) or unusable (the user is told and the program
// ends, exit code 0). Damage met later in a file opened here ends in the
// same place as damage met at the open: a damaged table gets the question
// whether to save its records; the program then ends (kDamagedFileHalt).
//
// Every caller in this program passes accessMode 0, createAllowed true,
// skipMissingCheck false and shared true: the file is opened for reading and
// writing with no sharing restriction, and created empty when missing.

#include "runtime/files/file_declaration.h"

namespace fesk {

// The halt message after damage met in a file while the program ran.
inline constexpr const char* kDamagedFileHalt = "Damaged File!";

// The driver option sent when an open reports that the file needs recovery.
inline constexpr const char* kRecoverOption = "Recover=10";

// Returns with the file open, or ends the program through a halting warning.
// With `shared` the file is opened in mode 66 (read and write, shared),
// otherwise in `accessMode`. With `skipMissingCheck` a missing file gets no
// handling of its own and ends in the final check (kind 30, "Disk Error").
void OpenFileChecked(const apprt::FileDeclaration& file, int accessMode, bool createAllowed,
                     bool skipMissingCheck, bool shared);

// The creation step of OpenFileChecked (same parameters): creates the file
// empty and opens it; either returns with the file open or ends the program.
void CreateAndOpen(const apprt::FileDeclaration& file, int accessMode, bool createAllowed,
                   bool skipMissingCheck, bool shared);

// OpenFileChecked the way every procedure calls it: shared, created when missing.
void OpenDataFile(const apprt::FileDeclaration& file);

}  // namespace fesk
