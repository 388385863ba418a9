#pragma once
// The line of the CSV that each record an import added came from, by the
// record's identity, so that a later row with the same key can name it. The
// lines are kept as runs: a row whose identity and line both follow those of
// the row added before it lengthens the run, so an import of one-line rows
// keeps one run however long its file is; only rows that break the pattern
// (a bad row left out, an empty line, a value spanning lines) start another.

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/files/driver.h"

namespace fesk::records {

class AddedLines {
 public:
  void add(apprt::RecordIdentity identity, std::uint64_t line);
  // The line of the row added as `identity`; nothing when the import added no
  // record of that identity (it was stored before).
  std::optional<std::uint64_t> lineOf(apprt::RecordIdentity identity) const;

 private:
  struct Run {
    apprt::RecordIdentity firstIdentity;
    std::uint64_t firstLine;
    std::uint64_t rows;
  };
  std::vector<Run> runs_;
  // Drivers hand out ever larger identities, so runs are found by halving;
  // should one not, they are searched one by one.
  bool ascending_ = true;
};

}  // namespace fesk::records
