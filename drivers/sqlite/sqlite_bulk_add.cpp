#include "drivers/sqlite/sqlite_bulk_add.h"

#include <algorithm>
#include <cstddef>
#include <functional>

#include "drivers/sqlite/sqlite_file.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

using apprt::BulkRefusal;
using apprt::DriverStatus;

std::string reasonNumber(BulkRefusal::Reason reason) {
  return std::to_string(static_cast<int>(reason));
}

// While it lives, the statements of `db` ask `goOn` every few thousand steps
// of SQLite's engine, and stop with SQLITE_INTERRUPT once it answers false
// (which rolls the transaction back).
class AskingWhileWorking {
 public:
  AskingWhileWorking(sqlite3* db, const std::function<bool()>& goOn) : db_(db) {
    if (goOn)
      sqlite3_progress_handler(db_, kStepsBetweenAsks, stopAsked,
                               const_cast<void*>(static_cast<const void*>(&goOn)));
  }
  ~AskingWhileWorking() { sqlite3_progress_handler(db_, 0, nullptr, nullptr); }
  AskingWhileWorking(const AskingWhileWorking&) = delete;
  AskingWhileWorking& operator=(const AskingWhileWorking&) = delete;

 private:
  // A few milliseconds of work.
  static constexpr int kStepsBetweenAsks = 200000;

  static int stopAsked(void* goOn) {
    return (*static_cast<const std::function<bool()>*>(goOn))() ? 0 : 1;
  }

  sqlite3* db_;
};

class SqliteBulkAdd : public apprt::DriverBulkAdd {
 public:
  SqliteBulkAdd(SqliteFile& file, const apprt::KeyDeclaration* unique,
                const std::optional<apprt::ParentRule>& parent, const SqliteFile* parentFile)
      : file_(file),
        unique_(unique),
        staging_("temp." + quotedName("bulk." + file.declaration().fileName())),
        refused_("temp." + quotedName("bulk." + file.declaration().fileName() + ".refused")),
        storedKeys_("temp." + quotedName("bulk." + file.declaration().fileName() + ".stored")) {
    const apprt::FileDeclaration& declared = file.declaration();
    std::string stagingColumns = "place INTEGER NOT NULL, last_place INTEGER NOT NULL";
    std::string values = "?1, ?2";
    std::string fieldValues;
    for (std::size_t i = 0; i < declared.fields().size(); ++i) {
      const std::string column = columnName(declared, static_cast<int>(i));
      columns_ += (i ? ", " : "") + column;
      // Compared as the file's own columns are.
      stagingColumns += ", " + column + " TEXT COLLATE NOCASE NOT NULL";
      values += ", ?" + std::to_string(i + 3);
      fieldValues += (i ? ", ?" : "?") + std::to_string(i + 1);
    }
    const std::size_t fields = declared.fields().size();
    rowsPerInsert_ = rowsPerInsert(file.connection().db(), fields);
    storeOne_ = "INSERT INTO " + file.table() + " (" + columns_ + ") VALUES (" + fieldValues + ")";
    storeMany_ = "INSERT INTO " + file.table() + " (" + columns_ + ") VALUES ";
    for (std::size_t row = 0; row < rowsPerInsert_; ++row) {
      storeMany_ += row ? ", (" : "(";
      for (std::size_t i = 0; i < fields; ++i) {
        storeMany_ += (i ? ", ?" : "?") + std::to_string(row * fields + i + 1);
      }
      storeMany_ += ")";
    }
    stage_ = "DROP TABLE IF EXISTS " + staging_ + "; DROP TABLE IF EXISTS " + refused_ +
             "; DROP TABLE IF EXISTS " + storedKeys_ + "; CREATE TABLE " + staging_ + " (" +
             stagingColumns + "); CREATE TABLE " + refused_ +
             " (sent INTEGER PRIMARY KEY, reason INTEGER NOT NULL, earlier INTEGER)";
    insertStaged_ = "INSERT INTO " + staging_ + " VALUES (" + values + ")";

    // Refused for what is stored: a record that holds the value, as sent or
    // followed by blanks (stored by another tool), or no parent that does.
    std::string storedDuplicate = "0";
    std::string keptDuplicate = "0";
    if (unique_) {
      std::string rest;
      std::string partition;
      std::string keyColumns;
      std::string keyTypes;
      std::string keyValues;
      for (std::size_t i = 0; i < unique_->fields.size(); ++i) {
        const std::string column = columnName(declared, unique_->fields[i]);
        if (i > 0) rest += " AND " + column + " = staged." + column;
        partition += (i ? ", staged." : "staged.") + column;
        keyColumns += (i ? ", " : "") + column;
        keyTypes += (i ? ", " : "") + column + " TEXT COLLATE NOCASE NOT NULL";
        keyValues += (i ? ", " : "") + (i ? column : "rtrim(" + column + ")");
      }
      const std::string first = columnName(declared, unique_->fields.front());
      const std::string from = "EXISTS (SELECT 1 FROM " + file.table() + " WHERE ";
      storedDuplicate = from + first + " = staged." + first + rest + ") OR " + from +
                        paddedMatch(first, "staged." + first) + rest + ")";
      // The same, once the file's indexes are dropped: its values, kept
      // aside without their trailing blanks, are looked up instead.
      keptDuplicate = "EXISTS (SELECT 1 FROM " + storedKeys_ + " WHERE " + first + " = staged." +
                      first + rest + ")";
      keepStoredKeys_ =
          "CREATE TABLE " + storedKeys_ + " (" + keyTypes + "); INSERT INTO " + storedKeys_ +
          " SELECT " + keyValues + " FROM " + file.table() + "; CREATE INDEX " +
          quotedName("temp") + "." + quotedName("bulk." + declared.fileName() + ".stored.key") +
          " ON " + quotedName("bulk." + declared.fileName() + ".stored") + " (" + keyColumns + ");";
      // Once the records went straight into an empty file, its records are those sent.
      repeatsStored_ = "SELECT rowid, earlier, " + columns_ +
                       " FROM (SELECT rowid, min(rowid) OVER (PARTITION BY " + keyColumns +
                       ") AS earlier, " + columns_ + " FROM " + file.table() +
                       ") WHERE earlier < rowid ORDER BY rowid";
      // A record refused for its parent holds no value for those after it;
      // one refused as stored is followed only by others refused so.
      judgeAmongSent_ =
          "INSERT INTO " + refused_ + " SELECT sent, " +
          reasonNumber(BulkRefusal::Reason::kEarlierDuplicate) +
          ", earlier FROM (SELECT staged.rowid AS sent, min(staged.rowid) FILTER (WHERE "
          "staged.rowid NOT IN (SELECT sent FROM " +
          refused_ + " WHERE reason = " + reasonNumber(BulkRefusal::Reason::kNoParent) +
          ")) OVER (PARTITION BY " + partition + ") AS earlier FROM " + staging_ +
          " AS staged) WHERE earlier < sent AND sent NOT IN (SELECT sent FROM " + refused_ + ")";
    }
    std::string orphan = "0";
    judgesParents_ = parent && parentFile;
    if (judgesParents_) {
      const std::string parentColumn = columnName(*parent->parent, parent->parentField);
      const std::string value = "staged." + columnName(declared, parent->field);
      const std::string from = "NOT EXISTS (SELECT 1 FROM " + parentFile->table() + " WHERE ";
      orphan = from + parentColumn + " = " + value + ") AND " + from +
               paddedMatch(parentColumn, value) + ")";
    }
    const auto judgeAgainst = [&](const std::string& duplicate) {
      return "INSERT INTO " + refused_ + " (sent, reason) SELECT rowid, CASE WHEN " + duplicate +
             " THEN " + reasonNumber(BulkRefusal::Reason::kStoredDuplicate) + " ELSE " +
             reasonNumber(BulkRefusal::Reason::kNoParent) + " END FROM " + staging_ +
             " AS staged WHERE (" + duplicate + ") OR (" + orphan + ")";
    };
    judgeAgainstStored_ = judgeAgainst(storedDuplicate);
    judgeAgainstKept_ = judgeAgainst(keptDuplicate);
    add_ = "INSERT INTO " + file.table() + " (" + columns_ + ") SELECT " + columns_ + " FROM " +
           staging_ + " WHERE rowid NOT IN (SELECT sent FROM " + refused_ + ") ORDER BY rowid";
  }

  DriverStatus send(std::span<const char> record, std::uint64_t place,
                    std::uint64_t lastPlace) override {
    if (!insert_.prepared()) {
      if (DriverStatus status = stage(); !status.ok()) return status;
    }
    if (direct_) return keep(record, place, lastPlace);
    insert_.bindInt(1, static_cast<sqlite3_int64>(place));
    insert_.bindInt(2, static_cast<sqlite3_int64>(lastPlace));
    const apprt::FileDeclaration& declared = file_.declaration();
    for (std::size_t i = 0; i < declared.fields().size(); ++i) {
      insert_.bindFieldUntilReset(static_cast<int>(i) + 3,
                                  declared.fieldBytesIn(record, static_cast<int>(i)));
    }
    const int result = insert_.step();
    insert_.reset();
    ++sent_;
    return result == SQLITE_DONE ? DriverStatus{} : file_.failure(result);
  }

  void endedByARefusal() override { endedByARefusal_ = true; }

  DriverStatus finish(std::vector<BulkRefusal>& refused,
                      const std::function<bool()>& goOn) override {
    if (sent_ == 0) return {};
    if (DriverStatus status = beforeWrite(); !status.ok()) return status;
    const AskingWhileWorking asking(file_.connection().db(), goOn);
    if (direct_) {
      // Those left over, one by one.
      for (std::size_t row = 0; row < waitingRows_; ++row) {
        if (DriverStatus status = storeWaiting(insert_, row, 1); !status.ok()) return status;
      }
      waitingRows_ = 0;
      return makeIndexes(refused);
    }
    if (DriverStatus status =
            file_.execute(indexesDropped_ ? judgeAgainstKept_ : judgeAgainstStored_);
        !status.ok()) {
      return status;
    }
    bool remake = indexesDropped_;
    if (!remake) {
      if (DriverStatus status = storedAtMost(sent_, remake); !status.ok()) return status;
    }
    Connection& connection = file_.connection();
    OwnCommits own;
    DriverStatus status = addJudged(remake, true);
    if (status.code == kRefusedByUniqueIndex) {
      if (status = file_.execute(judgeAmongSent_); status.ok()) status = addJudged(remake, false);
    }
    if (!status.ok()) return status;
    connection.changed(file_.schema(), own);
    if (status = collectRefused(refused); !status.ok()) return status;
    return file_.execute("DROP TABLE " + staging_ + "; DROP TABLE " + refused_ +
                         "; DROP TABLE IF EXISTS " + storedKeys_);
  }

 private:
  // A file of at most this many records has its indexes dropped at the first
  // record sent, and made again by finish(), however few are sent: that
  // costs little more than filling them, and the stored key values, kept
  // aside, are as few.
  static constexpr std::uint64_t kFewStored = 10000;
  // addJudged's answer when the unique index refused the add.
  static constexpr int kRefusedByUniqueIndex = -1;

  // Before the first record: its table, and for a file of few records the
  // indexes dropped (the transaction writes the file from now on). When a
  // refusal ends the transaction, an empty file whose records need no parent
  // takes them straight away instead, its indexes dropped: there is nothing
  // stored to judge them against, and the copy into it is saved.
  DriverStatus stage() {
    if (endedByARefusal_ && !judgesParents_) {
      bool empty = false;
      if (DriverStatus status = storedAtMost(0, empty); !status.ok() || empty) {
        return status.ok() ? storeDirectly() : status;
      }
    }
    if (DriverStatus status = file_.execute(stage_); !status.ok()) return status;
    insert_ = Statement(file_.connection().db(), insertStaged_);
    if (!insert_.prepared()) return file_.failure(insert_.prepareResult());
    bool few = false;
    if (DriverStatus status = storedAtMost(kFewStored, few); !status.ok() || !few) return status;
    if (DriverStatus status = beforeWrite(); !status.ok()) return status;
    DriverStatus status =
        file_.execute(keepStoredKeys_ + dropIndexesSql(file_.declaration(), file_.schema()));
    indexesDropped_ = status.ok();
    return status;
  }

  DriverStatus storeDirectly() {
    if (DriverStatus status = beforeWrite(); !status.ok()) return status;
    if (DriverStatus status = file_.execute(dropIndexesSql(file_.declaration(), file_.schema()));
        !status.ok()) {
      return status;
    }
    indexesDropped_ = true;
    direct_ = true;
    waiting_.resize(rowsPerInsert_ * file_.declaration().recordLength());
    insert_ = Statement(file_.connection().db(), storeOne_);
    insertMany_ = Statement(file_.connection().db(), storeMany_);
    for (const Statement* insert : {&insert_, &insertMany_}) {
      if (!insert->prepared()) return file_.failure(insert->prepareResult());
    }
    return {};
  }

  // Kept until a whole insert's worth waits: a statement's own work (the
  // file's sequence written, its cursor opened) then costs once per many.
  DriverStatus keep(std::span<const char> record, std::uint64_t place, std::uint64_t lastPlace) {
    placed(place, lastPlace);
    std::copy(record.begin(), record.end(),
              waiting_.begin() + static_cast<std::ptrdiff_t>(waitingRows_ * record.size()));
    ++sent_;
    if (++waitingRows_ < rowsPerInsert_) return {};
    waitingRows_ = 0;
    return storeWaiting(insertMany_, 0, rowsPerInsert_);
  }

  // The `rows` records waiting from `from` on, by `insert`.
  DriverStatus storeWaiting(Statement& insert, std::size_t from, std::size_t rows) {
    const apprt::FileDeclaration& declared = file_.declaration();
    const std::size_t length = declared.recordLength();
    const std::size_t fields = declared.fields().size();
    for (std::size_t row = 0; row < rows; ++row) {
      const std::span<const char> record(waiting_.data() + (from + row) * length, length);
      for (std::size_t i = 0; i < fields; ++i) {
        insert.bindFieldUntilReset(static_cast<int>(row * fields + i + 1),
                                   declared.fieldBytesIn(record, static_cast<int>(i)));
      }
    }
    const int result = insert.step();
    insert.reset();
    if (result != SQLITE_DONE) return file_.failure(result);
    // The file was empty: its rows take the identities that follow one another.
    if (firstRowid_ == 0) {
      firstRowid_ =
          sqlite3_last_insert_rowid(file_.connection().db()) - static_cast<sqlite3_int64>(rows) + 1;
    }
    return {};
  }

  // Keeps where the record sent now came from, a run of places that follow
  // the order sent at a time.
  void placed(std::uint64_t place, std::uint64_t lastPlace) {
    const std::uint64_t sent = sent_ + 1;
    if (!runs_.empty()) {
      const PlaceRun& run = runs_.back();
      if (place - run.place == sent - run.sent && lastPlace - place == run.lastPlace - run.place) {
        return;
      }
    }
    runs_.push_back({sent, place, lastPlace});
  }

  // The places of the `sent`-th record sent (from 1).
  std::pair<std::uint64_t, std::uint64_t> placesOf(std::uint64_t sent) const {
    const auto after =
        std::upper_bound(runs_.begin(), runs_.end(), sent,
                         [](std::uint64_t n, const PlaceRun& run) { return n < run.sent; });
    const PlaceRun& run = *(after - 1);
    const std::uint64_t place = run.place + (sent - run.sent);
    return {place, place + (run.lastPlace - run.place)};
  }

  // The file's indexes made again over the records stored as they came; when
  // the unique one refuses them, the records that repeat an earlier one's
  // value are told instead (the caller then rolls everything back).
  DriverStatus makeIndexes(std::vector<BulkRefusal>& refused) {
    Connection& connection = file_.connection();
    OwnCommits own;
    const std::string sql = createIndexesSql(file_.declaration(), file_.schema());
    const int result = sqlite3_exec(connection.db(), sql.c_str(), nullptr, nullptr, nullptr);
    if (refusedByUniqueIndex(result)) return collectRepeats(refused);
    if (result != SQLITE_OK) return file_.failure(result);
    connection.changed(file_.schema(), own);
    return {};
  }

  DriverStatus collectRepeats(std::vector<BulkRefusal>& refused) const {
    Statement row(file_.connection().db(), repeatsStored_);
    if (!row.prepared()) return file_.failure(row.prepareResult());
    const apprt::FileDeclaration& declared = file_.declaration();
    const auto sentAs = [&](int column) {
      return static_cast<std::uint64_t>(row.columnInt(column) - firstRowid_) + 1;
    };
    int result = SQLITE_OK;
    while ((result = row.step()) == SQLITE_ROW) {
      std::string image(declared.recordLength(), ' ');
      for (std::size_t i = 0; i < declared.fields().size(); ++i) {
        declared.fieldIn(std::span<char>(image), static_cast<int>(i))
            .assign(row.columnText(2 + static_cast<int>(i)));
      }
      const auto [place, lastPlace] = placesOf(sentAs(0));
      refused.push_back({place, lastPlace, BulkRefusal::Reason::kEarlierDuplicate,
                         placesOf(sentAs(1)).first, std::move(image)});
    }
    return result == SQLITE_DONE ? DriverStatus{} : file_.failure(result);
  }

  // Whether `result`, of statements that add records and make the indexes,
  // is the unique index's refusal of a repeated value: the records that repeat
  // are then told, where any other failure is the file's.
  bool refusedByUniqueIndex(int result) const {
    return result == SQLITE_CONSTRAINT_UNIQUE && unique_ != nullptr;
  }

  // Before the file is written: no statement of the connection may be under
  // way when an index is dropped.
  DriverStatus beforeWrite() {
    Connection& connection = file_.connection();
    if (DriverStatus status = connection.beforeWrite(file_.schema()); !status.ok()) return status;
    connection.reads().releaseAll();
    file_.releaseReads();
    return {};
  }

  // Whether the file holds at most `most` records, counted no further.
  DriverStatus storedAtMost(std::uint64_t most, bool& fewer) const {
    Statement count(file_.connection().db(),
                    "SELECT count(*) FROM (SELECT 1 FROM " + file_.table() + " LIMIT ?1)");
    if (!count.prepared()) return file_.failure(count.prepareResult());
    count.bindInt(1, static_cast<sqlite3_int64>(most) + 1);
    const int result = count.step();
    if (result != SQLITE_ROW) return file_.failure(result);
    fewer = static_cast<std::uint64_t>(count.columnInt(0)) <= most;
    return {};
  }

  // Adds the records sent that are not refused, inside a savepoint, with the
  // file's indexes made again after them when `remake`: when the unique
  // index refuses them and `mayRepeat` (the records sent are not judged
  // against each other yet), nothing of it is left.
  DriverStatus addJudged(bool remake, bool mayRepeat) const {
    const std::string& schema = file_.schema();
    std::string sql = "SAVEPOINT bulk_add; ";
    if (remake && !indexesDropped_) sql += dropIndexesSql(file_.declaration(), schema);
    sql += add_ + ";";
    if (remake) sql += createIndexesSql(file_.declaration(), schema);
    sqlite3* db = file_.connection().db();
    const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    if (result == SQLITE_OK) return file_.execute("RELEASE bulk_add");
    DriverStatus status = file_.failure(result);
    if (refusedByUniqueIndex(result) && mayRepeat) {
      status = file_.execute("ROLLBACK TO bulk_add; RELEASE bulk_add");
      if (status.ok()) status.code = kRefusedByUniqueIndex;
    }
    return status;
  }

  DriverStatus collectRefused(std::vector<BulkRefusal>& refused) const {
    Statement row(file_.connection().db(),
                  "SELECT refused.reason, staged.place, staged.last_place, earlier.place, staged.* "
                  "FROM " +
                      refused_ + " AS refused JOIN " + staging_ +
                      " AS staged ON staged.rowid = refused.sent LEFT JOIN " + staging_ +
                      " AS earlier ON earlier.rowid = refused.earlier ORDER BY refused.sent");
    if (!row.prepared()) return file_.failure(row.prepareResult());
    const apprt::FileDeclaration& declared = file_.declaration();
    // staged.* begins with the place and the last place.
    constexpr int kFirstField = 6;
    int result = SQLITE_OK;
    while ((result = row.step()) == SQLITE_ROW) {
      std::string image(declared.recordLength(), ' ');
      for (std::size_t i = 0; i < declared.fields().size(); ++i) {
        declared.fieldIn(std::span<char>(image), static_cast<int>(i))
            .assign(row.columnText(kFirstField + static_cast<int>(i)));
      }
      const auto reason = static_cast<BulkRefusal::Reason>(row.columnInt(0));
      refused.push_back({static_cast<std::uint64_t>(row.columnInt(1)),
                         static_cast<std::uint64_t>(row.columnInt(2)), reason,
                         reason == BulkRefusal::Reason::kEarlierDuplicate
                             ? static_cast<std::uint64_t>(row.columnInt(3))
                             : 0,
                         std::move(image)});
    }
    return result == SQLITE_DONE ? DriverStatus{} : file_.failure(result);
  }

  SqliteFile& file_;
  const apprt::KeyDeclaration* unique_;
  std::string staging_;     // the records sent, in the order sent (rowid)
  std::string refused_;     // by the rowid of the record sent: why, and the earlier one's
  std::string storedKeys_;  // the unique key's stored values, once the indexes are dropped
  std::string columns_;
  std::string stage_;
  std::string insertStaged_;
  std::string keepStoredKeys_;
  std::string judgeAgainstStored_;
  std::string judgeAgainstKept_;
  std::string judgeAmongSent_;
  std::string add_;
  std::string storeOne_;       // a record sent, straight into the file
  std::string storeMany_;      // rowsPerInsert_ of them
  std::string repeatsStored_;  // those that repeat an earlier one's value, once so
  Statement insert_;
  std::uint64_t sent_ = 0;
  bool indexesDropped_ = false;
  bool judgesParents_ = false;
  bool endedByARefusal_ = false;
  bool direct_ = false;  // the records go straight into the file
  Statement insertMany_;
  std::size_t rowsPerInsert_ = 1;
  std::vector<char> waiting_;  // room for rowsPerInsert_ record images
  std::size_t waitingRows_ = 0;
  sqlite3_int64 firstRowid_ = 0;  // the identity of the first record sent
  // From the `sent`-th record sent on, places that follow the order sent.
  struct PlaceRun {
    std::uint64_t sent;
    std::uint64_t place;
    std::uint64_t lastPlace;
  };
  std::vector<PlaceRun> runs_;
};

}  // namespace

std::unique_ptr<apprt::DriverBulkAdd> bulkAddTo(SqliteFile& file,
                                                const std::optional<apprt::ParentRule>& parent,
                                                const SqliteFile* parentFile) {
  if (parent && (!parentFile || &parentFile->connection() != &file.connection())) return nullptr;
  const apprt::FileDeclaration& declared = file.declaration();
  const apprt::KeyDeclaration* unique = nullptr;
  for (std::size_t key = 0; key < declared.keys().size(); ++key) {
    const auto& candidate = declared.key(static_cast<int>(key));
    if (candidate.allowsDuplicates()) continue;
    if (unique) return nullptr;
    unique = &candidate;
  }
  return std::make_unique<SqliteBulkAdd>(file, unique, parent, parentFile);
}

}  // namespace fesk::sqlite
