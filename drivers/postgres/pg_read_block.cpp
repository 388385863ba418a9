#include "drivers/postgres/pg_read_block.h"

#include <algorithm>
#include <iterator>

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
  moved_.clear();
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

ReadBlock::Answer ReadBlock::find(const ReadBound& from, Direction direction, std::size_t& row) {
  if (moved_.empty()) return findInRows(from, direction, row);
  // Moved records count once a read may reach them: a read down that stops
  // before the first of them does not.
  const Answer answer = findInRows(from, direction, row);
  if (direction == Direction::kForward && answer == Answer::kRow &&
      apprt::compareKeyPoints(pointOf(rows_[row]), pointOf(moved_.front())) < 0) {
    return answer;
  }
  placeMoved();
  return findInRows(from, direction, row);
}

void ReadBlock::placeMoved() {
  std::vector<Row> placed;
  placed.reserve(rows_.size() + moved_.size());
  std::merge(std::make_move_iterator(rows_.begin()), std::make_move_iterator(rows_.end()),
             std::make_move_iterator(moved_.begin()), std::make_move_iterator(moved_.end()),
             std::back_inserter(placed), [](const Row& a, const Row& b) {
               return apprt::compareKeyPoints(pointOf(a), pointOf(b)) < 0;
             });
  rows_ = std::move(placed);
  moved_.clear();
  answered_ = rows_.size();  // its place moved
}

ReadBlock::Answer ReadBlock::findInRows(const ReadBound& from, Direction direction,
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

ReadBlock::Row* ReadBlock::liveRow(RecordIdentity identity) {
  const auto isIt = [identity](const Row& row) { return row.identity == identity && !row.gone; };
  if (answered_ < rows_.size() && isIt(rows_[answered_])) return &rows_[answered_];
  for (std::vector<Row>* rows : {&rows_, &moved_}) {
    if (const auto at = std::find_if(rows->begin(), rows->end(), isIt); at != rows->end()) {
      return &*at;
    }
  }
  return nullptr;
}

void ReadBlock::rewrite(RecordIdentity identity, const char* image) {
  if (!live_) return;
  const auto at = liveRow(identity);
  // A record the run does not hold may now lie within it; a filter may now
  // leave the record out or take it in, which only the server can tell.
  if (!at || order_.filtered()) {
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
      std::upper_bound(moved_.begin(), moved_.end(), key, [](const auto& key, const Row& row) {
        return apprt::compareKeyPoints(key, pointOf(row)) < 0;
      });
  moved_.insert(place, std::move(written));
}

}  // namespace fesk::postgres
