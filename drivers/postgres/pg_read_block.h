#pragma once
// Records read ahead from one snapshot of a file, in one order: a run of
// neighbouring records with none left out between them, and whether nothing
// lies before its first or after its last. Any read whose bound lies within
// the run is answered from it, in either direction: a browse that reads a page
// up from where it stands and then down again, or stands on a row it has just
// read, sees the file as of one moment, never a record twice because another
// station moved it between two statements.
//
// The thread's own writes are applied to the run, so that a run that writes
// what it reads (a cascade) goes on from the same snapshot; a write the run
// cannot place drops it.

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "drivers/common/run_order.h"
#include "runtime/files/driver.h"
#include "runtime/files/key_order.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

class Result;

class ReadBlock {
 public:
  struct Row {
    std::vector<std::string> key;  // the order's values as the server compares them
    apprt::RecordIdentity identity;
    std::string image;  // the record as the buffer holds it
    bool gone = false;  // written elsewhere or removed since it was read
  };
  enum class Answer { kRow, kNoMore, kNotHeld };

  explicit ReadBlock(const apprt::FileDeclaration& file) : file_(file), order_(file) {}

  // Whether the run is of this order (fields and filter).
  bool holds(const apprt::ReadOrder& order) const;
  int limit() const { return limit_; }
  // Whether the thread wrote a record of the run since it was read.
  bool writtenInto() const { return writtenInto_; }
  void drop() { live_ = false; }

  // Takes the rows a statement read from `from` with `limit` rows on each
  // side it read: forward, backward, or around `from` (`aroundFrom`).
  void fill(const apprt::ReadOrder& order, const apprt::ReadBound& from, apprt::Direction direction,
            bool aroundFrom, int limit, std::vector<Row> rows);
  // The row that answers a read from `from` in `direction`: kNoMore when
  // there is none in the snapshot, kNotHeld when the run cannot tell.
  Answer find(const apprt::ReadBound& from, apprt::Direction direction, std::size_t& row);
  const Row& row(std::size_t index) const { return rows_[index]; }
  std::size_t size() const { return rows_.size(); }

  // After a write of the record `identity`, now `image` (null: removed).
  void rewrite(apprt::RecordIdentity identity, const char* image);

 private:
  // The row of a stored record, its key taken from `image`.
  Row rowOf(apprt::RecordIdentity identity, std::string image) const;
  static apprt::KeyPoint pointOf(const Row& row) { return {row.key, row.identity}; }
  // Whether `key` lies where the run tells every record.
  bool covers(const apprt::KeyPoint& key) const;
  // The row that holds the record `identity` now (null if none).
  Row* liveRow(apprt::RecordIdentity identity);
  // find() over `rows_` alone.
  Answer findInRows(const apprt::ReadBound& from, apprt::Direction direction,
                    std::size_t& row) const;
  // `moved_` merged into `rows_`.
  void placeMoved();

  const apprt::FileDeclaration& file_;
  bool live_ = false;
  drivers::RunOrder order_;
  int limit_ = 0;
  bool writtenInto_ = false;
  std::vector<Row> rows_;  // in ascending order
  // Records the thread wrote to a new place within the run, in ascending
  // order, not yet among `rows_`: a cascade moves thousands to one place,
  // and putting each in the vector would move its rows after it each time.
  // They join the rows when a read reaches their place.
  std::vector<Row> moved_;
  bool nothingBefore_ = false;  // no record of the snapshot before the first row
  bool nothingAfter_ = false;   // nor after the last
  // The row of the last answer: a run writes the record it has just read,
  // so a write looks there first, not through the whole run.
  mutable std::size_t answered_ = 0;
};

}  // namespace fesk::postgres
