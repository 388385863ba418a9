#include "drivers/postgres/pg_read_block.h"

#include <algorithm>

#include "drivers/postgres/pg_bound.h"
#include "runtime/files/file_declaration.h"

namespace fesk::postgres {

using apprt::Direction;
using apprt::ReadBound;
using apprt::RecordIdentity;

bool ReadBlock::holds(const apprt::ReadOrder& order) const {
  return live_ && order_.isOf(order);
}

ReadBlock::Row ReadBlock::rowOf(RecordIdentity identity, std::string image) const {
  return {order_.keyOf(std::span<const char>(image)), identity, std::move(image)};
}

void ReadBlock::fill(const apprt::ReadOrder& order, const ReadBound& from, Direction direction,
                     bool aroundFrom, int limit, std::vector<Row> rows) {
  live_ = true;
  order_.start(order);
  limit_ = limit;
  writtenInto_ = false;
  rows_ = std::move(rows);
  for (Row& row : rows_) row.key = order_.keyOf(std::span<const char>(row.image));
  // Rows read in one direction come in order; a block read around a place
  // comes in two runs.
  const auto before = [](const Row& a, const Row& b) {
    return apprt::compareKeyPoints(pointOf(a), pointOf(b)) < 0;
  };
  if (!std::is_sorted(rows_.begin(), rows_.end(), before))
    std::sort(rows_.begin(), rows_.end(), before);
  const auto full = [limit](std::size_t count) { return count >= static_cast<std::size_t>(limit); };
  if (aroundFrom) {
    const ServerBound bound = serverBound(file_, order_.fields(), from);
    const auto after = std::count_if(rows_.begin(), rows_.end(), [&](const Row& row) {
      return apprt::compareKeyPoints(pointOf(row), {bound.values, bound.identity}) >= 0;
    });
    nothingAfter_ = !full(static_cast<std::size_t>(after));
    nothingBefore_ = !full(rows_.size() - static_cast<std::size_t>(after));
  } else if (direction == Direction::kForward) {
    nothingAfter_ = !full(rows_.size());
    nothingBefore_ = from.kind == apprt::BoundKind::kEdge;
  } else {
    nothingBefore_ = !full(rows_.size());
    nothingAfter_ = from.kind == apprt::BoundKind::kEdge;
  }
}

bool ReadBlock::covers(const apprt::KeyPoint& key) const {
  return (nothingBefore_ ||
          (!rows_.empty() && apprt::compareKeyPoints(key, pointOf(rows_.front())) >= 0)) &&
         (nothingAfter_ ||
          (!rows_.empty() && apprt::compareKeyPoints(key, pointOf(rows_.back())) <= 0));
}

ReadBlock::Answer ReadBlock::find(const ReadBound& from, Direction direction,
                                  std::size_t& row) const {
  const bool forward = direction == Direction::kForward;
  // The rows run in ascending order: those before where the read starts
  // come first.
  std::size_t at = 0;
  if (from.kind == apprt::BoundKind::kEdge) {
    if (!(forward ? nothingBefore_ : nothingAfter_)) return Answer::kNotHeld;
    at = forward ? 0 : rows_.size();
  } else {
    const ServerBound bound = serverBound(file_, order_.fields(), from);
    const apprt::KeyPoint key{bound.values, bound.identity};
    if (!covers(key)) return Answer::kNotHeld;
    const auto upTo = [&](const Row& candidate) {
      const int order = apprt::compareKeyPoints(pointOf(candidate), key);
      return order < 0 || (order == 0 && forward != apprt::boundIncluded(from));
    };
    at = static_cast<std::size_t>(std::partition_point(rows_.begin(), rows_.end(), upTo) -
                                  rows_.begin());
  }
  if (forward) {
    while (at < rows_.size() && rows_[at].gone) ++at;
    if (at < rows_.size()) {
      row = answered_ = at;
      return Answer::kRow;
    }
  } else {
    while (at > 0 && rows_[at - 1].gone) --at;
    if (at > 0) {
      row = answered_ = at - 1;
      return Answer::kRow;
    }
  }
  return (forward ? nothingAfter_ : nothingBefore_) ? Answer::kNoMore : Answer::kNotHeld;
}

std::vector<ReadBlock::Row>::iterator ReadBlock::liveRow(RecordIdentity identity) {
  const auto isIt = [identity](const Row& row) { return row.identity == identity && !row.gone; };
  if (answered_ < rows_.size() && isIt(rows_[answered_])) {
    return rows_.begin() + static_cast<std::ptrdiff_t>(answered_);
  }
  return std::find_if(rows_.begin(), rows_.end(), isIt);
}

void ReadBlock::rewrite(RecordIdentity identity, const char* image) {
  if (!live_) return;
  const auto at = liveRow(identity);
  // A record the run does not hold may now lie within it; a filter may now
  // leave the record out or take it in, which only the server can tell.
  if (at == rows_.end() || order_.filtered()) {
    drop();
    return;
  }
  writtenInto_ = true;
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
  const apprt::KeyPoint key{written.key, identity};
  // Beyond the run it is found by the next statement that reads there.
  if (!covers(key)) return;
  const auto place =
      std::upper_bound(rows_.begin(), rows_.end(), key, [](const auto& key, const Row& row) {
        return apprt::compareKeyPoints(key, pointOf(row)) < 0;
      });
  rows_.insert(place, std::move(written));
}

}  // namespace fesk::postgres
