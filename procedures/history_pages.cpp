#include "procedures/history_pages.h"

#include <algorithm>
#include <limits>
#include <tuple>
#include <utility>

#include "runtime/files/errors.h"

namespace fesk {
namespace {

constexpr std::int64_t kAboveNewest = std::numeric_limits<std::int64_t>::max();

}  // namespace

HistoryPages::HistoryPages(std::vector<HistoryPart> parts, std::size_t rows)
    : parts_(std::move(parts)), spans_(parts_.size()), rows_(std::max<std::size_t>(rows, 1)) {}

bool HistoryPages::toNewest() {
  return restart(true);
}

bool HistoryPages::toOldest() {
  return restart(false);
}

// The page read again from one end: every part's span set beyond that end.
bool HistoryPages::restart(bool fromNewest) {
  const auto kept = std::make_pair(spans_, page_);
  std::ranges::fill(spans_, fromNewest ? Span{.low = kAboveNewest, .high = kAboveNewest - 1}
                                       : Span{.low = 1, .high = 0});
  page_.clear();
  bool moved = false;
  if (step(fromNewest, rows_, moved)) return true;
  std::tie(spans_, page_) = kept;
  return false;
}

bool HistoryPages::older(std::size_t count, bool& moved) {
  return step(true, count, moved);
}

bool HistoryPages::newer(std::size_t count, bool& moved) {
  return step(false, count, moved);
}

// Whether `a` came after `b`: later; of the same moment (one saved change),
// of the file of an earlier part (a record's entry before those of its FESK2
// records), or written later to the same file.
bool HistoryPages::newerThan(const PagedEntry& a, const PagedEntry& b) const {
  if (a.entry.at != b.entry.at) return a.entry.at > b.entry.at;
  if (parts_[a.part].file != parts_[b.part].file) return a.part < b.part;
  return a.entry.id > b.entry.id;
}

bool HistoryPages::readNext(bool toOlder, std::size_t count, std::vector<PagedEntry>& read) const {
  for (std::size_t part = 0; part < parts_.size(); ++part) {
    apprt::HistoryRead next = parts_[part].read;
    next.older = toOlder;
    next.from = toOlder ? spans_[part].low : spans_[part].high;
    next.limit = count;
    apprt::readHistory(*parts_[part].file, next, [&](const apprt::HistoryEntry& entry) {
      read.push_back({.part = part, .entry = entry});
      return true;
    });
    if (apprt::ERRCODE() != apprt::kNoError) return false;
  }
  return true;
}

bool HistoryPages::step(bool toOlder, std::size_t count, bool& moved) {
  moved = false;
  std::vector<PagedEntry> read;
  if (!readNext(toOlder, count, read)) return false;
  // The `count` nearest the page, of all parts together.
  std::ranges::sort(read, [&](const PagedEntry& a, const PagedEntry& b) {
    return toOlder ? newerThan(a, b) : newerThan(b, a);
  });
  if (read.size() > count) read.resize(count);
  if (read.empty()) return true;
  moved = true;
  if (toOlder) {
    page_.insert(page_.end(), read.begin(), read.end());
    if (page_.size() > rows_)
      page_.erase(page_.begin(), page_.end() - static_cast<std::ptrdiff_t>(rows_));
  } else {
    page_.insert(page_.begin(), read.rbegin(), read.rend());
    if (page_.size() > rows_) page_.resize(rows_);
  }
  spansAfter(toOlder);
  return true;
}

// A part with entries on the page spans them; one without has had all its
// entries on the side the page came from, none on the other.
void HistoryPages::spansAfter(bool toOlder) {
  for (std::size_t part = 0; part < parts_.size(); ++part) {
    Span& span = spans_[part];
    bool any = false;
    Span shown{.low = kAboveNewest, .high = 0};
    for (const PagedEntry& paged : page_) {
      if (paged.part != part) continue;
      any = true;
      shown.low = std::min(shown.low, paged.entry.id);
      shown.high = std::max(shown.high, paged.entry.id);
    }
    if (any) {
      span = shown;
    } else if (toOlder) {
      span.high = span.low - 1;
    } else {
      span.low = span.high + 1;
    }
  }
}

}  // namespace fesk
