#pragma once
// Whether the pages of a database are sound. SQLite's quick_check reads every
// page of the file (about 1 s per million records here), so an open runs it
// only where it pays: on small files and after damage was met (see
// open_markers.h); after an unclean end, a large file is checked in the
// background (background_check.h). Damage met by a read or a write is checked
// the same way, so that it is told as the open tells it. Damage is never read
// as a shorter file.

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

// Whether `status` is damage: 46 or 47.
bool tellsDamage(const apprt::DriverStatus& status);

// Remembers what a check of the file at `path` found: damage calls for a
// check at every open until one finds the file sound.
void rememberVerdict(const std::filesystem::path& path, const apprt::DriverStatus& verdict);

// Damage `met` by a read or a write of the open file at `path`, attached as
// `schema`: the file is checked as an open checks it (in the connection that
// met it, which sees its own transaction's writes), so that what is met is
// told as the open would tell it (46 for damaged keys, 47 with
// apprt::kDamagedDriverCode for a damaged table), and remembered. Answers
// `met` when the check finds nothing more.
apprt::DriverStatus classifyDamage(sqlite3* db, const std::string& schema,
                                   const std::filesystem::path& path,
                                   const apprt::FileDeclaration& file,
                                   const apprt::DriverStatus& met);

}  // namespace fesk::sqlite
