#pragma once
// Copies every record of one data set (FESK1 and FESK2) into another, through
// the file layer and the two data sets' drivers, so that it works between any
// two drivers. It is what copying, backing up and restoring a data set do.
//
// The source is read inside one transaction over both of its files, which
// holds other stations' writes off while it is read: the copy never holds
// half of someone's transaction (a cascade is copied whole or not at all).
// The target is written in one transaction too, so it ends with the whole copy
// or as it was. Records are added in the order they were added to the source,
// so records with equal key values keep their order. Before the commit the
// records stored in the target are counted and must match those read.
//
// The history of the records goes with them (history_carry.h): read after
// the records in the source's transaction, written in the target's, it
// becomes the target's history (after the entries the target keeps, or in
// their place with `replace`), and the copy's own adds write no entries.
//
// The source is read in a thread of its own while the calling thread writes
// the target (each data set's transaction belongs to one thread).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/files/driver.h"

namespace fesk::records {

struct CopyOptions {
  // A target that holds records is emptied first, in the same transaction;
  // without it such a target is refused.
  bool replace = false;
  // Told the records copied so far after every batch, and once more before
  // the commit; answering false stops the copy (the target is left as it was).
  std::function<bool(std::uint64_t recordsCopied)> progress = nullptr;
  // How long each side waits for other stations' transactions to end.
  int waitSeconds = 10;
  // No other station uses the target meanwhile: when both drivers can, the
  // files are then copied whole (Driver::copyWholeFiles) and put in place of
  // the target's, which is far quicker than adding every record again.
  bool targetAlone = false;
};

struct FileCount {
  std::string file;
  std::uint64_t records = 0;
};

struct CopyOutcome {
  bool done = false;
  bool stopped = false;             // the progress callback stopped it
  bool targetHoldsRecords = false;  // refused: the target is not empty
  std::vector<FileCount> counts;    // per file, the records copied (when done)
  std::string why;                  // when not done
};

// The records carried between the two threads at a time.
inline constexpr std::uint64_t kCopyBatchRecords = 1000;
// The history entries carried so: more, so that a reader that streams them
// from a server is held back seldom (each hold costs the stream a round trip).
inline constexpr std::size_t kCopyBatchEntries = 16000;

// Both data files must exist in the source; missing ones are created in the target.
CopyOutcome copyDataSet(apprt::Driver& source, apprt::Driver& target,
                        const CopyOptions& options = {});

}  // namespace fesk::records
