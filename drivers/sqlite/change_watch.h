#pragma once
// Commits of other programs to the data files this program has open, found
// with SQLite's own change counter: the file change counter of the database
// header, which every commit that changed the file steps on by one (what
// `PRAGMA data_version` looks at too). The watch reads those four bytes
// through a connection of its own, without a lock, so it reads no pages while
// nothing changed and never holds up another program's commit. It reads them
// every kWatchInterval on a thread of its own, for as long as a file stays
// open, and tells the runtime (runtime/files/data_set_change.h) once a burst
// of commits has gone quiet, so an import that commits batch after batch is
// told once, when it is done.
//
// This program's own commits are counted (OwnCommits): a file whose counter
// moved by no more than they did was changed by this program alone, whose
// lists already show it, and is not told.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

namespace fesk::sqlite {

inline constexpr std::chrono::milliseconds kWatchInterval{40};

// Watches the database at `path`, the data file `fileName`, while the answer
// is kept.
std::shared_ptr<const void> watchForChanges(const std::filesystem::path& path,
                                            const std::string& fileName);

// Held around a statement that may commit (a COMMIT, or a write outside a
// transaction): the watch does not read the counters meanwhile, so that it
// never sees a commit of this program's before it was counted.
class OwnCommits {
 public:
  OwnCommits();
  ~OwnCommits();
  OwnCommits(const OwnCommits&) = delete;
  OwnCommits& operator=(const OwnCommits&) = delete;
  // The statement committed a change to the database at `path`.
  void committed(const std::filesystem::path& path);
};

}  // namespace fesk::sqlite
