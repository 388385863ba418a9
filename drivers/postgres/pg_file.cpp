#include "drivers/postgres/pg_file.h"

#include <algorithm>

#include "drivers/postgres/pg_bound.h"
#include "drivers/postgres/pg_read_query.h"
#include "drivers/postgres/pg_schema.h"
#include "runtime/file_declaration.h"
#include "runtime/file_position.h"
#include "runtime/key_serving_order.h"

namespace fesk::postgres {

using apprt::Direction;
using apprt::DriverStatus;
using apprt::ReadBound;
using apprt::ReadOrder;
using apprt::RecordIdentity;

namespace {

// The first block of a run covers a page of a browse with rows to spare;
// each further block of the same run is this many times bigger.
constexpr int kFirstBlock = 32;
constexpr int kBlockGrowth = 4;
constexpr int kLargestBlock = 2048;

std::string placeholder(std::size_t index) {
  return "$" + std::to_string(index);
}

}  // namespace

PgFile::PgFile(std::shared_ptr<Connection> connection, const std::string& schema,
               const apprt::FileDeclaration& file, bool readOnly)
    : connection_(std::move(connection)),
      file_(file),
      table_(tableName(schema, file)),
      columns_("id"),
      readOnly_(readOnly) {
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    columns_ += ", " + columnName(file, static_cast<int>(i));
  }
  connection_->addReadAhead(this);
}

PgFile::~PgFile() {
  connection_->removeReadAhead(this);
}

std::string PgFile::imageOf(const Result& result, int row) const {
  std::string image(file_.recordLength(), ' ');
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    file_.fieldIn(std::span<char>(image), static_cast<int>(i))
        .assign(result.text(row, static_cast<int>(i) + 1));
  }
  return image;
}

DriverStatus PgFile::storedValues(std::span<const char> record,
                                  std::vector<std::string>& values) const {
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    const std::string_view field = file_.fieldBytesIn(record, static_cast<int>(i));
    values.push_back(apprt::trimmedField(field.data(), field.size()));
    if (firstInvalidByte(values.back()) != std::string::npos) {
      return {apprt::kDriverError, "22021",
              file_.fileName() + ": " + file_.fields()[i].name + " holds bytes that are no text"};
    }
  }
  return {};
}

bool PgFile::continuesBlock(const ReadOrder& order, const ReadBound& from, Direction direction) {
  if (!block_.live || from.atEdge || from.inclusive || block_.direction != direction ||
      block_.fields != order.fields || block_.filter != order.filter) {
    return false;
  }
  // A run goes on from the record it answered last; a look ahead that did not
  // move the run (whether a record lies beyond) may have answered one more.
  for (std::size_t i = block_.next; i-- > 0 && i + 2 >= block_.next;) {
    const Row& row = block_.rows[i];
    if (row.identity == from.identity &&
        apprt::orderValues(file_, order.fields, std::span<const char>(row.image)) == from.values) {
      block_.next = i + 1;
      return true;
    }
  }
  return false;
}

DriverStatus PgFile::fetchBlock(const ReadOrder& order, const ReadBound& from, Direction direction,
                                int limit) {
  const ReadQuery query = readQuery(file_, table_, columns_, order,
                                    apprt::keyServingOrder(file_, order), from, direction, limit);
  DriverStatus status;
  const Result result = connection_->run(query.sql, query.values, status);
  block_ = {};
  if (!status.ok()) return status;
  block_ = Block{.live = true,
                 .fields = order.fields,
                 .filter = order.filter,
                 .direction = direction,
                 .rows = {},
                 .next = 0,
                 .complete = result.rows() < limit,
                 .limit = limit};
  block_.rows.reserve(result.rows());
  for (int row = 0; row < result.rows(); ++row) {
    block_.rows.push_back({result.number(row, 0), imageOf(result, row)});
  }
  return {};
}

void PgFile::keepReadAheadThrough(RecordIdentity identity, const char* record) {
  if (!block_.live || block_.next == 0 || block_.rows[block_.next - 1].identity != identity) {
    block_ = {};
    return;
  }
  if (!record) return;  // removed behind the run
  // Where the record stands in the block's order after the write: behind the
  // run it changes nothing; beyond the block's rows it is found by the next
  // block; anywhere else the block no longer holds what lies ahead.
  const auto key = [&](const char* image, RecordIdentity id) {
    std::vector<std::string> values;
    for (int field : block_.fields) {
      values.push_back(foldedValue(
          file_.fieldBytesIn(std::span<const char>(image, file_.recordLength()), field)));
    }
    return std::make_pair(std::move(values), id);
  };
  const auto written = key(record, identity);
  const auto& last = block_.rows.back();
  const bool forward = block_.direction == Direction::kForward;
  const auto before = [&](const auto& a, const auto& b) { return forward ? a < b : b < a; };
  if (!before(key(last.image.data(), last.identity), written)) {
    if (before(key(block_.rows[block_.next - 1].image.data(), identity), written)) block_ = {};
    return;
  }
  block_.complete = false;
}

DriverStatus PgFile::answer(std::span<char> record, RecordIdentity& identity) {
  const Row& row = block_.rows[block_.next++];
  std::copy(row.image.begin(), row.image.end(), record.begin());
  identity = row.identity;
  return {};
}

DriverStatus PgFile::read(const ReadOrder& order, const ReadBound& from, Direction direction,
                          std::span<char> record, RecordIdentity& identity) {
  if (continuesBlock(order, from, direction)) {
    if (block_.next < block_.rows.size()) return answer(record, identity);
    if (block_.complete) return {apprt::kNoMoreRecords};
    const Row last = block_.rows.back();
    const ReadBound after{
        .atEdge = false,
        .values = apprt::orderValues(file_, order.fields, std::span<const char>(last.image)),
        .identity = last.identity,
        .inclusive = false};
    const int limit = std::min(block_.limit * kBlockGrowth, kLargestBlock);
    if (DriverStatus status = fetchBlock(order, after, direction, limit); !status.ok()) {
      return status;
    }
  } else if (DriverStatus status = fetchBlock(order, from, direction, kFirstBlock); !status.ok()) {
    return status;
  }
  if (block_.rows.empty()) return {apprt::kNoMoreRecords};
  return answer(record, identity);
}

DriverStatus PgFile::fetch(RecordIdentity identity, std::span<char> record) {
  DriverStatus status;
  const Result result =
      connection_->run("SELECT " + columns_ + " FROM " + table_ + " WHERE id = $1",
                       {std::to_string(identity)}, status);
  if (!status.ok()) return status;
  if (result.rows() == 0) return {apprt::kRecordNotFound};
  const std::string image = imageOf(result, 0);
  std::copy(image.begin(), image.end(), record.begin());
  return {};
}

DriverStatus PgFile::add(std::span<const char> record, RecordIdentity& identity) {
  dropReadAhead();
  std::vector<std::string> values;
  if (DriverStatus status = storedValues(record, values); !status.ok()) return status;
  std::string names;
  std::string places;
  for (std::size_t i = 0; i < values.size(); ++i) {
    names += (i ? ", " : "") + columnName(file_, static_cast<int>(i));
    places += (i ? ", " : "") + placeholder(i + 1);
  }
  // A duplicate inserts nothing instead of failing, which would end the
  // transaction the add is part of.
  DriverStatus status;
  const Result result = connection_->run("INSERT INTO " + table_ + " (" + names + ") VALUES (" +
                                             places + ") ON CONFLICT DO NOTHING RETURNING id",
                                         values, status);
  if (!status.ok()) return status;
  if (result.rows() == 0) return {apprt::kDuplicateKey};
  identity = result.number(0, 0);
  return {};
}

DriverStatus PgFile::put(RecordIdentity identity, std::span<const char> record,
                         const std::string* expected) {
  keepReadAheadThrough(identity, record.data());
  std::vector<std::string> values;
  if (DriverStatus status = storedValues(record, values); !status.ok()) return status;
  if (!expected) return write(identity, std::move(values), record);
  return connection_->atomically([&] {
    // Compared under the record's lock, so two stations never both win, and
    // in the form reading gives it (a value another tool stored longer than
    // its field reads cut), so that such a record can be written back.
    DriverStatus status;
    const Result stored =
        connection_->run("SELECT " + columns_ + " FROM " + table_ + " WHERE id = $1 FOR UPDATE",
                         {std::to_string(identity)}, status);
    if (!status.ok()) return status;
    if (stored.rows() == 0) return DriverStatus{apprt::kChangedByOtherStation};
    // A record as this station wrote it in a save whose commit's answer was
    // lost was changed by no other station, if the server kept that save.
    if (const std::string now = imageOf(stored, 0);
        now != *expected && !connection_->keptByLostCommit(table_, identity, now)) {
      return DriverStatus{apprt::kChangedByOtherStation};
    }
    status = write(identity, std::move(values), record);
    if (status.ok())
      connection_->wrote(table_, identity, std::string(record.begin(), record.end()));
    return status;
  });
}

DriverStatus PgFile::write(RecordIdentity identity, std::vector<std::string> values,
                           std::span<const char> record) {
  std::string sql = "UPDATE " + table_ + " SET ";
  for (std::size_t i = 0; i < values.size(); ++i) {
    sql += (i ? ", " : "") + columnName(file_, static_cast<int>(i)) + " = " + placeholder(i + 1);
  }
  values.push_back(std::to_string(identity));
  const std::string self = placeholder(values.size());
  sql += " WHERE id = " + self;
  // A duplicate of a unique key writes nothing instead of failing, which
  // would end the transaction the write is part of.
  for (std::size_t key = 0; key < file_.keys().size(); ++key) {
    const auto& declared = file_.key(static_cast<int>(key));
    if (declared.allowsDuplicates()) continue;
    sql += " AND NOT EXISTS (SELECT 1 FROM " + table_ + " other WHERE ";
    for (int component : declared.components) {
      values.push_back(foldedValue(file_.fieldBytesIn(record, component - 1)));
      sql += foldedColumn(file_, component - 1) + " = " + placeholder(values.size()) + " AND ";
    }
    sql += "id <> " + self + ")";
  }
  DriverStatus status;
  const Result result = connection_->run(sql + " RETURNING id", values, status);
  if (!status.ok() || result.rows() == 1) return status;
  // Nothing was written: the record is gone, or its key is another's.
  std::string now(file_.recordLength(), ' ');
  status = fetch(identity, std::span<char>(now));
  return status.ok() ? DriverStatus{apprt::kDuplicateKey} : status;
}

DriverStatus PgFile::remove(RecordIdentity identity) {
  keepReadAheadThrough(identity, nullptr);
  DriverStatus status;
  const Result result = connection_->run("DELETE FROM " + table_ + " WHERE id = $1 RETURNING id",
                                         {std::to_string(identity)}, status);
  if (!status.ok()) return status;
  return result.rows() == 0 ? DriverStatus{apprt::kRecordNotFound} : DriverStatus{};
}

DriverStatus PgFile::hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                                  bool& found) {
  found = false;
  std::vector<std::string> values;
  std::string sql = "SELECT 1 FROM " + table_ + " WHERE ";
  for (int component : file_.key(key).components) {
    values.push_back(foldedValue(file_.fieldBytesIn(record, component - 1)));
    // No stored value is anything but text.
    if (firstInvalidByte(values.back()) != std::string::npos) return {};
    sql += foldedColumn(file_, component - 1) + " = " + placeholder(values.size()) + " AND ";
  }
  values.push_back(std::to_string(except));
  sql += "id <> " + placeholder(values.size()) + " LIMIT 1";
  DriverStatus status;
  const Result result = connection_->run(sql, values, status);
  found = status.ok() && result.rows() > 0;
  return status;
}

}  // namespace fesk::postgres
