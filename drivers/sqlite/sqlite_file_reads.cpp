// The read path of a SQLite file: runs of reads over prepared range queries,
// kept live between calls while each read starts where the last one ended.
#include "drivers/sqlite/sqlite_file.h"
#include "drivers/sqlite/sqlite_read_sql.h"
#include "runtime/file_declaration.h"

namespace fesk::sqlite {

using apprt::Direction;
using apprt::DriverStatus;
using apprt::ReadBound;
using apprt::ReadOrder;
using apprt::RecordIdentity;

void SqliteFile::releaseReads() {
  if (run_.statement) run_.statement->reset();
  run_.statement = nullptr;
}

// A plain run reads each row from the tables as it steps, so it answers what
// this thread's writes left; a merge already holds the next row of its second
// range and would answer that row as it was.
void SqliteFile::beforeOwnWrite() {
  if (run_.merged) releaseReads();
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
                              Direction direction) const {
  // While the statement is live its shared lock keeps every other connection
  // from committing, and this thread's own writes either end the run first or
  // leave the statement where the written record stood before; so the record
  // it answered last still stands where the statement is.
  return run_.statement && !from.atEdge && !from.inclusive && run_.direction == direction &&
         run_.identity == from.identity && run_.fields == order.fields &&
         run_.filter == order.filter;
}

DriverStatus SqliteFile::read(const ReadOrder& order, const ReadBound& from, Direction direction,
                              std::span<char> record, RecordIdentity& identity) {
  if (continuesRun(order, from, direction)) return stepRead(record, identity);
  releaseReads();
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
  run_ = LiveRun{statement, order.fields, order.filter, direction, 0, mergesRanges(order, start)};
  return stepRead(record, identity);
}

DriverStatus SqliteFile::stepRead(std::span<char> record, RecordIdentity& identity) {
  const int result = run_.statement->step();
  if (result == SQLITE_ROW) {
    copyRow(*run_.statement, record);
    identity = run_.identity = run_.statement->columnInt(0);
    return {};
  }
  releaseReads();
  if (result == SQLITE_DONE) return {apprt::kNoMoreRecords};
  return failure(result);
}

}  // namespace fesk::sqlite
