#pragma once
// A commit over several files writes a super-journal (FESK1.sqlite-mj...)
// naming the journals of its files, and deletes it once the commit stands. A
// process killed at the wrong moment leaves one behind that nothing deletes.
// While any transaction may still need it, it must stay: a hot journal that
// names it is rolled back only while it exists, and a commit in progress
// holds it until it is done. Every commit that can use one holds a write lock
// on each of its files, and taking the locks rolls back every hot journal;
// so once this process holds a write lock on every database of the directory,
// no live transaction needs any super-journal there.

#include <filesystem>

namespace fesk::sqlite {

// Removes the super-journals of the databases in `directory` when a write lock
// on every database there can be had at once; otherwise leaves them for a
// later open. Quick when there is none.
void removeStaleSuperJournals(const std::filesystem::path& directory);

}  // namespace fesk::sqlite
