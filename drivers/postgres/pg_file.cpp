#include "drivers/postgres/pg_file.h"

#include <algorithm>

#include "drivers/postgres/pg_bound.h"
#include "drivers/postgres/pg_bulk_add.h"
#include "drivers/postgres/pg_copy_text.h"
#include "drivers/postgres/pg_history.h"
#include "drivers/postgres/pg_history_carry.h"
#include "drivers/postgres/pg_read_query.h"
#include "drivers/postgres/pg_schema.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_position.h"
#include "runtime/files/key_order.h"
#include "runtime/files/key_serving_order.h"
#include "runtime/text/key_text.h"

namespace fesk::postgres {

using apprt::Direction;
using apprt::DriverStatus;
using apprt::ReadBound;
using apprt::ReadOrder;
using apprt::RecordIdentity;

namespace {

// The first block of a run covers a page of a browse with rows to spare;
// each further block of the same run is this many times bigger, up to the
// largest. A run that writes what it reads inside a transaction (a cascade)
// holds the files locked against other stations until it is done, so every
// round trip it saves counts: in an order whose values repeat, its next
// block is every record left that holds the value it stands on (up to the
// largest block: the children of a parent), with the block it would have
// read anyway beyond them. A larger block at once would read records the run
// never reaches, the more of them the larger the file.
constexpr int kFirstBlock = 32;
constexpr int kBlockGrowth = 8;
constexpr int kLargestBlock = 16384;

std::string placeholder(std::size_t index) {
  return "$" + std::to_string(index);
}

// Judges a queued write of `what`: carried out, or `what` is no longer stored.
std::function<DriverStatus(bool)> goneUnlessWritten(std::string what) {
  return [what = std::move(what)](bool written) {
    return written ? DriverStatus{}
                   : DriverStatus{apprt::kRecordNotFound, "", what + " is no longer stored"};
  };
}

}  // namespace

PgFile::PgFile(std::shared_ptr<ServerSession> session, const std::string& schema,
               const apprt::FileDeclaration& file, bool readOnly)
    : session_(std::move(session)),
      file_(file),
      schema_(schema),
      table_(tableName(schema, file)),
      columns_("id"),
      readOnly_(readOnly),
      block_(file) {
  std::string assignments;
  std::string arrays;
  std::string names;
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    const std::string column = quotedColumn(file, static_cast<int>(i));
    const std::string value = "v" + std::to_string(i + 1);
    columns_ += ", " + column;
    assignments += (i ? ", " : "") + column + " = gathered." + value;
    arrays += placeholder(i + 1) + "::text[], ";
    names += value + ", ";
  }
  // The identities are given as a list too: through it the server picks the
  // run's records (by the index of a large table, in one pass over a small
  // one), where it would otherwise hash the whole table for every run.
  const std::string id = placeholder(file.fields().size() + 1);
  gatheredUpdate_ = "UPDATE " + table_ + " AS stored SET " + assignments + " FROM unnest(" +
                    arrays + id + "::bigint[]) WITH ORDINALITY AS gathered(" + names +
                    "id, place) WHERE stored.id = gathered.id AND stored.id = ANY(" + id +
                    "::bigint[]) RETURNING gathered.place";
  gatheredRemove_ = "DELETE FROM " + table_ +
                    " AS stored USING unnest($1::bigint[]) WITH ORDINALITY AS gathered(id, place) "
                    "WHERE stored.id = gathered.id AND stored.id = ANY($1::bigint[]) "
                    "RETURNING gathered.place";
  planUpdates();
  session_->reads().hold(this);
}

PgFile::~PgFile() {
  session_->reads().forget(this);
}

std::string PgFile::imageOf(const std::function<std::string_view(int field)>& valueOf) const {
  std::string image(file_.recordLength(), ' ');
  for (std::size_t i = 0; i < file_.fields().size(); ++i) {
    file_.fieldIn(std::span<char>(image), static_cast<int>(i)).assign(valueOf(static_cast<int>(i)));
  }
  return image;
}

std::string PgFile::imageOf(const Result& result, int row) const {
  return imageOf([&](int field) { return result.text(row, field + 1); });
}

std::string PgFile::describe(std::span<const char> record) const {
  std::string what = file_.fileName() + " record";
  if (file_.keys().empty()) return what;
  for (int index : file_.key(0).fields) {
    const std::string_view field = file_.fieldBytesIn(record, index);
    what += " " + apprt::trimmedField(field.data(), field.size());
  }
  return what;
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

bool PgFile::readAll(const ReadOrder& order,
                     const std::function<bool(std::span<const char> record)>& take,
                     DriverStatus& status) {
  block_.drop();
  const std::string select =
      wholeQuery(file_, table_, columns_, order, apprt::keyServingOrder(file_, order));
  std::vector<std::string> values;
  status = session_->copyOut("COPY (" + select + ") TO STDOUT", [&](std::string_view row) {
    readCopyRow(row, values);  // the identity, then the fields
    return take(imageOf([&](int field) {
      const auto column = static_cast<std::size_t>(field) + 1;
      return column < values.size() ? std::string_view(values[column]) : std::string_view();
    }));
  });
  return true;
}

DriverStatus PgFile::fetchBlock(const ReadOrder& order, const ReadBound& from, Direction direction,
                                Reach reach, int limit) {
  block_.drop();
  const int key = apprt::keyServingOrder(file_, order);
  const ReadQuery query =
      reach == Reach::kAround ? aroundQuery(file_, table_, columns_, order, key, from, limit)
      : reach == Reach::kRun
          ? runQuery(file_, table_, columns_, order, from, direction, kLargestBlock, limit)
          : readQuery(file_, table_, columns_, order, key, from, direction, limit);
  DriverStatus status;
  const Result result = session_->run(query.sql, query.values, status);
  if (!status.ok()) return status;
  // After the identity and the fields, the column that tells a run's rows.
  const int runColumn = static_cast<int>(file_.fields().size()) + 1;
  const auto inRun = [&](int row) { return result.text(row, runColumn) == "t"; };
  int runRows = 0;
  if (reach == Reach::kRun) {
    for (int row = 0; row < result.rows(); ++row) runRows += inRun(row) ? 1 : 0;
  }
  // A run of the value cut at its limit leaves a gap before the records read
  // beyond it, which the block cannot hold.
  const bool runCut = reach == Reach::kRun && runRows == kLargestBlock;
  if (reach == Reach::kRun) limit = runCut ? kLargestBlock : runRows + limit;
  std::vector<ReadBlock::Row> rows;
  rows.reserve(result.rows());
  for (int row = 0; row < result.rows(); ++row) {
    if (runCut && !inRun(row)) continue;
    rows.push_back({{}, result.number(row, 0), imageOf(result, row), false});
  }
  block_.fill(order, from, direction, reach == Reach::kAround, limit, std::move(rows));
  return {};
}

DriverStatus PgFile::answer(std::size_t row, std::span<char> record, RecordIdentity& identity) {
  const ReadBlock::Row& answered = block_.row(row);
  std::copy(answered.image.begin(), answered.image.end(), record.begin());
  identity = answered.identity;
  return {};
}

DriverStatus PgFile::read(const ReadOrder& order, const ReadBound& from, Direction direction,
                          std::span<char> record, RecordIdentity& identity) {
  std::size_t row = 0;
  // A session the server closed (a restart) lost the data-set lock: the read
  // goes to the server, which opens a session and takes the lock again first.
  // Telling costs no round trip.
  if (block_.holds(order) && !session_->stillOpen()) block_.drop();
  const bool held = block_.holds(order);
  if (held) {
    switch (block_.find(from, direction, row)) {
      case ReadBlock::Answer::kRow:
        return answer(row, record, identity);
      case ReadBlock::Answer::kNoMore:
        return {apprt::kNoMoreRecords};
      case ReadBlock::Answer::kNotHeld:
        break;
    }
  }
  // A read from a record's place reads both sides of it, so that a page read
  // up from there and down again is one snapshot; a run that reads on past
  // its block reads a bigger one.
  const bool around = from.kind != apprt::BoundKind::kEdge && apprt::boundIncluded(from);
  const int limit =
      !held || around ? kFirstBlock : std::min(block_.limit() * kBlockGrowth, kLargestBlock);
  const int key = apprt::keyServingOrder(file_, order);
  const bool cascading = held && from.kind != apprt::BoundKind::kEdge && block_.writtenInto() &&
                         session_->inTransaction();
  const bool valuesRepeat = !order.fields.empty() && (key < 0 || file_.key(key).allowsDuplicates());
  const Reach reach = around                      ? Reach::kAround
                      : cascading && valuesRepeat ? Reach::kRun
                                                  : Reach::kOn;
  if (DriverStatus status = fetchBlock(order, from, direction, reach, limit); !status.ok()) {
    return status;
  }
  // A block read on from the bound starts with the record that answers.
  if (block_.size() == 0) return {apprt::kNoMoreRecords};
  if (!around)
    return answer(direction == Direction::kForward ? 0 : block_.size() - 1, record, identity);
  if (block_.find(from, direction, row) != ReadBlock::Answer::kRow) {
    return {apprt::kNoMoreRecords};
  }
  return answer(row, record, identity);
}

DriverStatus PgFile::fetch(RecordIdentity identity, std::span<char> record) {
  DriverStatus status;
  const Result result = session_->run("SELECT " + columns_ + " FROM " + table_ + " WHERE id = $1",
                                      {std::to_string(identity)}, status);
  if (!status.ok()) return status;
  if (result.rows() == 0) return {apprt::kRecordNotFound};
  const std::string image = imageOf(result, 0);
  std::copy(image.begin(), image.end(), record.begin());
  return {};
}

DriverStatus PgFile::add(std::span<const char> record, RecordIdentity& identity) {
  releaseReads();
  std::vector<std::string> values;
  if (DriverStatus status = storedValues(record, values); !status.ok()) return status;
  std::string names;
  std::string places;
  for (std::size_t i = 0; i < values.size(); ++i) {
    names += (i ? ", " : "") + quotedColumn(file_, static_cast<int>(i));
    places += (i ? ", " : "") + placeholder(i + 1);
  }
  // A duplicate inserts nothing instead of failing, which would end the
  // transaction the add is part of.
  DriverStatus status;
  const Result result = session_->run("INSERT INTO " + table_ + " (" + names + ") VALUES (" +
                                          places + ") ON CONFLICT DO NOTHING RETURNING id",
                                      values, status);
  if (!status.ok()) return status;
  if (result.rows() == 0) return {apprt::kDuplicateKey};
  identity = result.number(0, 0);
  return {};
}

DriverStatus PgFile::put(RecordIdentity identity, std::span<const char> record,
                         const std::string* expected) {
  DriverStatus status = writeOver(identity, record, expected);
  afterWrite(status, identity, record.data());
  return status;
}

void PgFile::afterWrite(const DriverStatus& status, RecordIdentity identity, const char* record) {
  // A failed write may have changed what the block cannot tell.
  if (status.ok()) {
    block_.rewrite(identity, record);
  } else {
    block_.drop();
  }
}

DriverStatus PgFile::writeOver(RecordIdentity identity, std::span<const char> record,
                               const std::string* expected) {
  std::vector<std::string> values;
  if (DriverStatus status = storedValues(record, values); !status.ok()) return status;
  if (!expected) return write(identity, std::move(values), record);
  return session_->atomically([&] {
    // Compared under the record's lock, so two stations never both win, and
    // in the form reading gives it (a value another tool stored longer than
    // its field reads cut), so that such a record can be written back.
    DriverStatus status;
    const Result stored =
        session_->run("SELECT " + columns_ + " FROM " + table_ + " WHERE id = $1 FOR UPDATE",
                      {std::to_string(identity)}, status);
    if (!status.ok()) return status;
    if (stored.rows() == 0) return DriverStatus{apprt::kChangedByOtherStation};
    // A record as this station wrote it in a save whose commit's answer was
    // lost was changed by no other station, if the server kept that save.
    if (const std::string now = imageOf(stored, 0);
        now != *expected && !session_->transaction().keptByLostCommit(table_, identity, now)) {
      return DriverStatus{apprt::kChangedByOtherStation};
    }
    status = write(identity, std::move(values), record);
    if (status.ok())
      session_->transaction().wrote(table_, identity, std::string(record.begin(), record.end()));
    return status;
  });
}

void PgFile::planUpdates() {
  std::string sql = "UPDATE " + table_ + " SET ";
  const std::size_t fields = file_.fields().size();
  for (std::size_t i = 0; i < fields; ++i) {
    sql += (i ? ", " : "") + quotedColumn(file_, static_cast<int>(i)) + " = " + placeholder(i + 1);
  }
  std::size_t placed = fields + 1;  // the values placed so far: the fields, the identity
  const std::string self = placeholder(placed);
  sql += " WHERE id = " + self;
  // A duplicate of a unique key writes nothing instead of failing, which
  // would end the transaction the write is part of.
  for (std::size_t key = 0; key < file_.keys().size(); ++key) {
    const auto& declared = file_.key(static_cast<int>(key));
    if (declared.allowsDuplicates()) continue;
    sql += " AND NOT EXISTS (SELECT 1 FROM " + table_ + " other WHERE ";
    for (int field : declared.fields) {
      uniqueKeyFields_.push_back(field);
      sql += foldedColumn(file_, field) + " = " + placeholder(++placed) + " AND ";
    }
    sql += "id <> " + self + ")";
  }
  // Without them the writes go gathered (write()).
  if (uniqueKeyFields_.empty()) return;
  // Whether the record was there and whether it was written tell a record
  // that is gone (35) from a key that is another's (40) in the one answer.
  update_ = "WITH target AS (SELECT 1 FROM " + table_ + " WHERE id = " + self + "), written AS (" +
            sql +
            " RETURNING id) SELECT (SELECT count(*) FROM target), (SELECT count(*) FROM written)";
}

DriverStatus PgFile::write(RecordIdentity identity, std::vector<std::string> values,
                           std::span<const char> record) {
  values.push_back(std::to_string(identity));
  for (const int field : uniqueKeyFields_) {
    values.push_back(apprt::keyValue(file_.fieldBytesIn(record, field)));
  }
  // Without unique keys nothing written means the record is gone, which
  // under the transaction's lock of the table no other station can cause:
  // such writes are queued, and a run of them (a cascade's) goes out as one
  // statement.
  if (uniqueKeyFields_.empty()) {
    return session_->queue(
        {std::move(values), gatheredUpdate_, goneUnlessWritten(describe(record))});
  }
  // A write that may meet another record's key is answered at once, for the
  // caller to tell the user.
  DriverStatus status;
  const Result result = session_->run(update_, values, status);
  if (!status.ok() || result.number(0, 1) == 1) return status;
  return {result.number(0, 0) == 0 ? apprt::kRecordNotFound : apprt::kDuplicateKey};
}

DriverStatus PgFile::remove(RecordIdentity identity) {
  const std::string id = std::to_string(identity);
  DriverStatus status = session_->queue(
      {{id}, gatheredRemove_, goneUnlessWritten(file_.fileName() + " record " + id)});
  afterWrite(status, identity, nullptr);
  return status;
}

std::unique_ptr<apprt::DriverBulkAdd> PgFile::addInBulk(
    const std::optional<apprt::ParentRule>& parent) {
  return bulkAddTo(*this, schema_, parent);
}

DriverStatus PgFile::hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                                  bool& found) {
  found = false;
  std::vector<std::string> values;
  std::string rest;
  for (int field : file_.key(key).fields) {
    values.push_back(apprt::keyValue(file_.fieldBytesIn(record, field)));
    // No stored value is anything but text.
    if (firstInvalidByte(values.back()) != std::string::npos) return {};
    if (values.size() > 1) {
      rest += " AND " + foldedColumn(file_, field) + " = " + placeholder(values.size());
    }
  }
  values.push_back(std::to_string(except));
  rest += " AND id <> " + placeholder(values.size());
  // The record with the values as they are, or with blanks after the first
  // (stored by another tool): either is the same key value.
  const std::string select = "SELECT 1 FROM " + table_ + " WHERE ";
  const std::string first = foldedColumn(file_, file_.key(key).fields.front());
  const std::string sql = "(" + select + first + " = $1" + rest + ") UNION ALL (" + select +
                          paddedMatch(first, "$1") + rest + ") LIMIT 1";
  DriverStatus status;
  const Result result = session_->run(sql, values, status);
  found = status.ok() && result.rows() > 0;
  return status;
}

DriverStatus PgFile::readHistory(const apprt::HistoryRead& read,
                                 const std::function<bool(const apprt::HistoryEntry&)>& take) {
  block_.drop();
  return postgres::readHistory(*session_, schema_, file_, read, take);
}

DriverStatus PgFile::pruneHistory(const std::string& before, std::uint64_t& removed) {
  block_.drop();
  return postgres::pruneHistory(*session_, schema_, file_, before, removed);
}

DriverStatus PgFile::readWholeHistory(const std::function<bool(apprt::HistoryEntry&)>& take) {
  block_.drop();
  return postgres::readWholeHistory(*session_, schema_, file_, take);
}

DriverStatus PgFile::storedIdentities(std::vector<apprt::RecordIdentity>& identities) {
  block_.drop();
  return postgres::storedIdentities(*session_, table_, identities);
}

DriverStatus PgFile::carryHistory(bool replace, std::unique_ptr<apprt::HistoryCarry>& carry) {
  block_.drop();
  return carryHistoryInto(*session_, schema_, table_, file_, replace, carry);
}

}  // namespace fesk::postgres
