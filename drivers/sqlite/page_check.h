#pragma once
// Whether the pages of a database are sound. SQLite's quick_check reads every
// page of the file (about 1 s per million records here), so an open runs it
// only where it pays: on small files and after damage was met (see
// open_markers.h); after an unclean end, a large file is checked in the
// background (background_check.h). Damage is never read as a shorter file.

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "runtime/files/driver.h"

namespace fesk::sqlite {

// Files up to this size (some 7,000 records) are checked at every open: the
// check costs some 25 ms at most, and a file damaged since its last use is
// then reported before anything is shown or written.
inline constexpr std::uintmax_t kCheckedAtEveryOpenBytes = std::uintmax_t{512} * 1024;

// Checks the database attached as `schema`, the file `file`: 0 when sound;
// 46 when only what building the keys replaces is damaged (every table reads
// whole); 47 with the driver code apprt::kDamagedDriverCode when the file's
// table is damaged (its readable records can be saved: record_salvage.h).
// Also answers a failure to read (for instance 91 when another program holds
// the file).
apprt::DriverStatus checkPages(sqlite3* db, const std::string& schema,
                               const apprt::FileDeclaration& file);

// At an open of the file at `path`, attached as `schema`: checks its pages
// when the check is due (or starts checking them in the background), and
// remembers the verdict for the next opens.
apprt::DriverStatus checkPagesWhenDue(sqlite3* db, const std::string& schema,
                                      const std::filesystem::path& path,
                                      const apprt::FileDeclaration& file);

}  // namespace fesk::sqlite
