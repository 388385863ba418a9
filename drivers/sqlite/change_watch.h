#pragma once
// Commits of other programs to the data files this program has open, found
// with SQLite's own change counter: the file change counter of the database
// header, which every commit that changed the file steps on (what `PRAGMA
// data_version` looks at too). The watch reads those four bytes through a
// connection of its own, without a lock, so it reads no pages while nothing
// changed and never holds up another program's commit.
// The watch asks every kWatchInterval on a thread of its own, for as long as
// a file stays open, and tells the runtime (runtime/files/data_set_change.h)
// once a burst of commits has gone quiet (so an import that commits batch
// after batch is told once), or every kLongestBurst while it goes on.
//
// The watch's connection is another connection to the file, so this
// program's own commits are counted too: the lists that show them are read
// again around their selected record, which shows the same page.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace fesk::sqlite {

inline constexpr std::chrono::milliseconds kWatchInterval{40};
inline constexpr std::chrono::milliseconds kLongestBurst{1000};

// Watches the database at `path`, the data file `fileName`, while the answer
// is kept.
std::shared_ptr<const void> watchForChanges(const std::filesystem::path& path,
                                            const std::string& fileName);

}  // namespace fesk::sqlite
