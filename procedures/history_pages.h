#pragma once
// The pages of the history window: the entries of one or more parts of the
// history (a record's entries in a file, the deletes of a file), merged newest
// first, a page at a time. Every move reads, from each part, only the entries
// next to the page (HistoryRead, by the history's indexes), never the
// entries before them, so that a page of a record with a million entries
// costs what a page of one with ten does.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "runtime/files/file_history.h"

namespace fesk {

// One part of the history: `read` names the record or the action; where it
// starts and how many it reads are the pages' own.
struct HistoryPart {
  const apprt::FileDeclaration* file = nullptr;
  apprt::HistoryRead read;
};

struct PagedEntry {
  std::size_t part = 0;  // the index of its part
  apprt::HistoryEntry entry;
};

class HistoryPages {
 public:
  // The earlier a part is given, the earlier its entries of the same moment
  // show (a record's entry before those of its FESK2 records).
  HistoryPages(std::vector<HistoryPart> parts, std::size_t rows);

  // Each move answers false, the page as it was, when a read failed (the
  // thread's error set); `moved` tells whether the page changed.
  bool toNewest();
  bool toOldest();
  bool older(std::size_t count, bool& moved);  // the rows below come up
  bool newer(std::size_t count, bool& moved);  // the rows above come down

  // Newest first; at most the rows given.
  const std::vector<PagedEntry>& page() const { return page_; }
  void setRows(std::size_t rows) { rows_ = rows; }

 private:
  // The ids of each part's entries on the page: low..high (high = low - 1
  // when it has none there); what lies beyond them is read next.
  struct Span {
    std::int64_t low;
    std::int64_t high;
  };
  bool newerThan(const PagedEntry& a, const PagedEntry& b) const;
  bool restart(bool fromNewest);
  bool step(bool toOlder, std::size_t count, bool& moved);
  bool readNext(bool toOlder, std::size_t count, std::vector<PagedEntry>& read) const;
  void spansAfter(bool toOlder);

  std::vector<HistoryPart> parts_;
  std::vector<Span> spans_;
  std::vector<PagedEntry> page_;
  std::size_t rows_;
};

}  // namespace fesk
