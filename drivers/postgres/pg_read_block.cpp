#include "drivers/postgres/pg_read_block.h"

#include <algorithm>

#include "drivers/postgres/pg_bound.h"
#include "runtime/files/file_declaration.h"

namespace fesk::postgres {

using apprt::Direction;
using apprt::ReadBound;
using apprt::RecordIdentity;

bool ReadBlock::holds(const apprt::ReadOrder& order) const {
  return live_ && fields_ == order.fields && filter_ == order.filter;
}

int ReadBlock::compare(const Key& a, const Key& b) {
  if (a.values != b.values) return a.values < b.values ? -1 : 1;
  if (a.identity != b.identity) return a.identity < b.identity ? -1 : 1;
  return 0;
}

std::vector<std::string> ReadBlock::keyOf(std::span<const char> image) const {
  std::vector<std::string> key;
  key.reserve(fields_.size());
  for (int field : fields_) key.push_back(foldedValue(file_.fieldBytesIn(image, field)));
  return key;
}

ReadBlock::Row ReadBlock::rowOf(RecordIdentity identity, std::string image) const {
  return {keyOf(std::span<const char>(image)), identity, std::move(image)};
}

void ReadBlock::fill(const apprt::ReadOrder& order, const ReadBound& from, Direction direction,
                     bool aroundFrom, int limit, std::vector<Row> rows) {
  live_ = true;
  fields_ = order.fields;
  filter_ = order.filter;
  limit_ = limit;
  rows_ = std::move(rows);
  for (Row& row : rows_) row.key = keyOf(std::span<const char>(row.image));
  std::sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
    return compare({a.key, a.identity}, {b.key, b.identity}) < 0;
  });
  const auto full = [limit](std::size_t count) { return count >= static_cast<std::size_t>(limit); };
  if (aroundFrom) {
    const ServerBound bound = serverBound(file_, fields_, from);
    const auto after = std::count_if(rows_.begin(), rows_.end(), [&](const Row& row) {
      return compare({row.key, row.identity}, {bound.values, bound.identity}) >= 0;
    });
    nothingAfter_ = !full(static_cast<std::size_t>(after));
    nothingBefore_ = !full(rows_.size() - static_cast<std::size_t>(after));
  } else if (direction == Direction::kForward) {
    nothingAfter_ = !full(rows_.size());
    nothingBefore_ = from.atEdge;
  } else {
    nothingBefore_ = !full(rows_.size());
    nothingAfter_ = from.atEdge;
  }
}

bool ReadBlock::covers(const Key& key) const {
  return (nothingBefore_ ||
          (!rows_.empty() && compare(key, {rows_.front().key, rows_.front().identity}) >= 0)) &&
         (nothingAfter_ ||
          (!rows_.empty() && compare(key, {rows_.back().key, rows_.back().identity}) <= 0));
}

ReadBlock::Answer ReadBlock::find(const ReadBound& from, Direction direction,
                                  std::size_t& row) const {
  const bool forward = direction == Direction::kForward;
  // The rows run in ascending order: those before where the read starts
  // come first.
  std::size_t at = 0;
  if (from.atEdge) {
    if (!(forward ? nothingBefore_ : nothingAfter_)) return Answer::kNotHeld;
    at = forward ? 0 : rows_.size();
  } else {
    const ServerBound bound = serverBound(file_, fields_, from);
    const Key key{bound.values, bound.identity};
    if (!covers(key)) return Answer::kNotHeld;
    const auto upTo = [&](const Row& candidate) {
      const int order = compare({candidate.key, candidate.identity}, key);
      return order < 0 || (order == 0 && forward != from.inclusive);
    };
    at = static_cast<std::size_t>(std::partition_point(rows_.begin(), rows_.end(), upTo) -
                                  rows_.begin());
  }
  if (forward) {
    while (at < rows_.size() && rows_[at].gone) ++at;
    if (at < rows_.size()) {
      row = at;
      return Answer::kRow;
    }
  } else {
    while (at > 0 && rows_[at - 1].gone) --at;
    if (at > 0) {
      row = at - 1;
      return Answer::kRow;
    }
  }
  return (forward ? nothingAfter_ : nothingBefore_) ? Answer::kNoMore : Answer::kNotHeld;
}

void ReadBlock::rewrite(RecordIdentity identity, const char* image) {
  if (!live_) return;
  const auto at = std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) {
    return row.identity == identity && !row.gone;
  });
  // A record the run does not hold may now lie within it; a filter may now
  // leave the record out or take it in, which only the server can tell.
  if (at == rows_.end() || !filter_.empty()) {
    drop();
    return;
  }
  if (!image) {
    at->gone = true;
    return;
  }
  Row written = rowOf(identity, std::string(image, file_.recordLength()));
  if (written.key == at->key) {
    *at = std::move(written);
    return;
  }
  // The record's old place stays as a mark: the run still covers it, and a
  // run that goes on from it goes on from there.
  at->gone = true;
  const Key key{written.key, identity};
  // Beyond the run it is found by the next statement that reads there.
  if (!covers(key)) return;
  const auto place = std::find_if(rows_.begin(), rows_.end(), [&](const Row& row) {
    return compare({row.key, row.identity}, key) > 0;
  });
  rows_.insert(place, std::move(written));
}

}  // namespace fesk::postgres
