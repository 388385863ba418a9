// The read path of a SQLite file: runs of reads over prepared range queries,
// kept live between calls while each read starts where the last one ended.
#include <cstring>

#include "drivers/sqlite/sqlite_file.h"
#include "drivers/sqlite/sqlite_read_sql.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {

using apprt::DriverStatus;
using apprt::ReadBound;
using apprt::ReadOrder;
using apprt::RecordIdentity;

namespace {

// How many rows a run reads ahead once the thread's writes meet it.
constexpr std::size_t kReadAhead = 32;

}  // namespace

void SqliteFile::releaseReads() {
  if (run_.statement) run_.statement->reset();
  run_.statement = nullptr;
  run_.metWrite = false;
  run_.aheadNext = run_.aheadEnd = 0;
  run_.ended = false;
  run_.aheadFailure = SQLITE_OK;
}

Statement* SqliteFile::readStatement(const ReadShape& shape, DriverStatus& status) {
  for (const auto& [prepared, statement] : reads_) {
    if (prepared == shape) return statement;
  }
  const ReadOrder order{.fields = shape.fields, .key = shape.key, .filter = shape.filter};
  Statement* statement =
      cached(readSql(file_, table_, columns_, order, shape.direction, shape.start), status);
  if (statement) reads_.emplace_back(shape, statement);
  return statement;
}

bool SqliteFile::continuesRun(const ReadOrder& order, const ReadBound& from,
                              apprt::Direction direction) const {
  // While the statement is live its shared lock keeps every other connection
  // from committing, and this thread's own writes either end the run first or
  // leave it answering what a fresh read would; so it goes on from the record
  // it answered last.
  return run_.statement && from.kind == apprt::BoundKind::kRecord && !from.inclusive &&
         run_.direction == direction && run_.identity == from.identity && run_.order.isOf(order);
}

DriverStatus SqliteFile::read(const ReadOrder& order, const ReadBound& from,
                              apprt::Direction direction, std::span<char> record,
                              RecordIdentity& identity) {
  if (DriverStatus found = connection_->damageFoundMeanwhile(schema_); !found.ok()) return found;
  if (continuesRun(order, from, direction)) return stepRead(record, identity);
  connection_->reads().releaseAll();
  connection_->readSnapshot(schema_);
  const ReadStart start = readStartOf(from);
  DriverStatus status;
  Statement* statement =
      readStatement(ReadShape{order.fields, order.key, order.filter, direction, start}, status);
  if (!statement) return status;
  if (start != ReadStart::kEdge) {
    int index = 1;
    for (const auto& value : from.values) statement->bindField(index++, value);
    if (start != ReadStart::kValues) statement->bindInt(index, from.identity);
  }
  run_.statement = statement;
  run_.order.start(order);
  run_.direction = direction;
  run_.merged = mergesRanges(order, start);
  return stepRead(record, identity);
}

DriverStatus SqliteFile::stepRead(std::span<char> record, RecordIdentity& identity) {
  if (run_.aheadNext < run_.aheadEnd) {
    ReadRow& row = run_.ahead[run_.aheadNext++];
    std::memcpy(record.data(), row.image.data(), record.size());
    identity = run_.identity = row.identity;
    std::swap(run_.answered, row);
    if (run_.aheadNext == run_.aheadEnd) run_.aheadNext = run_.aheadEnd = 0;
    return {};
  }
  int result = run_.ended ? SQLITE_DONE : run_.aheadFailure;
  if (result == SQLITE_OK) result = run_.statement->step();
  if (result == SQLITE_ROW) {
    copyRow(*run_.statement, record);
    identity = run_.identity = run_.statement->columnInt(0);
    if (run_.metWrite) readAhead(record);
    return {};
  }
  releaseReads();
  if (result == SQLITE_DONE) return {apprt::kNoMoreRecords};
  return failure(result);
}

// Each write of the thread moves the statement off its row, and its next
// step seeks again; rows read ahead are answered without that.
void SqliteFile::readAhead(std::span<const char> answered) {
  run_.answered.identity = run_.identity;
  run_.answered.image.assign(answered.data(), answered.size());
  while (run_.aheadEnd < kReadAhead) {
    const int result = run_.statement->step();
    if (result != SQLITE_ROW) {
      run_.ended = result == SQLITE_DONE;
      if (!run_.ended) run_.aheadFailure = result;
      return;
    }
    if (run_.ahead.size() == run_.aheadEnd) run_.ahead.emplace_back();
    ReadRow& row = run_.ahead[run_.aheadEnd++];
    row.image.resize(file_.recordLength());
    copyRow(*run_.statement, std::span<char>(row.image.data(), row.image.size()));
    row.identity = run_.statement->columnInt(0);
  }
}

bool SqliteFile::beyond(RecordIdentity identity, const char* image, const ReadRow& row) const {
  const std::span<const char> written(image, file_.recordLength());
  const std::span<const char> ahead(row.image.data(), row.image.size());
  return drivers::liesBeyond(run_.order.compare(written, identity, ahead, row.identity),
                             run_.direction);
}

// A plain statement reads each row as the thread's writes left it, so the
// run goes on; a merge already holds the next row of its second range, as it
// was. Rows read ahead are still what a fresh read would answer unless the
// write changes one of them, adds a record, or puts one among them (or, once
// the statement has ended, beyond them).
void SqliteFile::runMeetsWrite(RecordIdentity identity, const char* written) {
  if (!run_.statement) return;
  run_.metWrite = true;
  if (run_.merged || identity == 0) {
    if (run_.merged || run_.aheadNext < run_.aheadEnd || run_.ended) releaseReads();
    return;
  }
  if (run_.aheadNext == run_.aheadEnd && !run_.ended) return;
  for (std::size_t i = run_.aheadNext; i < run_.aheadEnd; ++i) {
    if (run_.ahead[i].identity == identity) return releaseReads();
  }
  if (!written) return;
  const ReadRow& last =
      run_.aheadNext < run_.aheadEnd ? run_.ahead[run_.aheadEnd - 1] : run_.answered;
  const bool amongAhead =
      beyond(identity, written, run_.answered) && !beyond(identity, written, last);
  if (amongAhead || (run_.ended && beyond(identity, written, last))) releaseReads();
}

}  // namespace fesk::sqlite
