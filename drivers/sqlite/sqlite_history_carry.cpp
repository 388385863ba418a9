#include "drivers/sqlite/sqlite_history_carry.h"

#include "drivers/sqlite/change_watch.h"
#include "drivers/sqlite/sqlite_file.h"
#include "drivers/sqlite/sqlite_history.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

using apprt::DriverStatus;

class SqliteHistoryCarry : public apprt::HistoryCarry {
 public:
  explicit SqliteHistoryCarry(SqliteFile& file)
      : file_(file), in_(quotedName(file.schema()) + ".") {}

  DriverStatus begin(bool replace) {
    Connection& connection = file_.connection();
    if (DriverStatus status = connection.beforeWrite(file_.schema()); !status.ok()) return status;
    connection.reads().releaseAll();
    file_.releaseReads();
    const apprt::FileDeclaration& declared = file_.declaration();
    std::string sql = withoutAddEntriesSql(file_.schema(), declared);
    if (replace) sql += "DELETE FROM " + in_ + kHistoryTable + ";";
    OwnCommits own;
    if (DriverStatus status = file_.execute(sql); !status.ok()) return status;
    connection.changed(file_.schema(), own);
    const std::size_t rows = rowsPerInsert(connection.db(), parameters());
    pending_.resize(rows);
    for (Statement* insert : {&insertOne_, &insertMany_}) {
      *insert = Statement(connection.db(), insertSql(insert == &insertOne_ ? 1 : rows));
      if (!insert->prepared()) return file_.failure(insert->prepareResult());
    }
    return {};
  }

  DriverStatus nextIdentity(apprt::RecordIdentity& next) override {
    // Identities are never given twice: the file's sequence may be ahead of
    // its records.
    Statement ask(file_.connection().db(),
                  "SELECT max(coalesce((SELECT seq FROM " + in_ +
                      "sqlite_sequence WHERE name = ?1), 0), coalesce((SELECT max(id) FROM " +
                      file_.table() + "), 0)) + 1");
    if (!ask.prepared()) return file_.failure(ask.prepareResult());
    ask.bindText(1, file_.declaration().fileName());
    const int result = ask.step();
    if (result != SQLITE_ROW) return file_.failure(result);
    next = ask.columnInt(0);
    return {};
  }

  // Kept until a whole insert's worth is pending: a statement's own work
  // (its cursor opened and closed) then costs once per many entries.
  DriverStatus write(const apprt::HistoryEntry& entry) override {
    // Assigned, not made anew: the strings of the entries pending before
    // keep their room.
    pending_[waiting_++] = entry;
    if (waiting_ < pending_.size()) return {};
    waiting_ = 0;
    return insertPending(insertMany_, 0, pending_.size());
  }

  DriverStatus finish(apprt::RecordIdentity next) override {
    for (std::size_t i = 0; i < waiting_; ++i) {
      if (DriverStatus status = insertPending(insertOne_, i, 1); !status.ok()) return status;
    }
    waiting_ = 0;
    insertOne_ = Statement();
    insertMany_ = Statement();
    const std::string& name = file_.declaration().fileName();
    const std::string sequence = in_ + "sqlite_sequence";
    OwnCommits own;
    DriverStatus status = file_.execute(historySql(file_.schema(), file_.declaration()));
    if (!status.ok()) return status;
    // The identities before `next` were given to records gone before the
    // move: the file's next add must not take one of them.
    Statement raise(file_.connection().db(),
                    "UPDATE " + sequence + " SET seq = ?1 WHERE name = ?2 AND seq < ?1");
    Statement make(file_.connection().db(), "INSERT INTO " + sequence +
                                                " (name, seq) SELECT ?2, ?1 WHERE NOT EXISTS "
                                                "(SELECT 1 FROM " +
                                                sequence + " WHERE name = ?2)");
    for (Statement* statement : {&raise, &make}) {
      if (!statement->prepared()) return file_.failure(statement->prepareResult());
      statement->bindInt(1, next - 1);
      statement->bindText(2, name);
      if (const int result = statement->step(); result != SQLITE_DONE) {
        return file_.failure(result);
      }
    }
    file_.connection().changed(file_.schema(), own);
    return {};
  }

 private:
  // Parameters of one entry before its fields.
  static constexpr std::size_t kLeadingParameters = 8;

  static std::string_view field(const std::vector<std::string>& fields, std::size_t i) {
    return i < fields.size() ? std::string_view(fields[i]) : std::string_view();
  }

  // An entry's: its stamp, action and record, whether it has a before and an
  // after, then the fields of both.
  std::size_t parameters() const {
    return kLeadingParameters + 2 * file_.declaration().fields().size();
  }

  // The insert of `rows` entries, their parameters one after the other; the
  // fields of before and after made into JSON arrays as the triggers make them.
  std::string insertSql(std::size_t rows) const {
    const std::size_t count = file_.declaration().fields().size();
    const auto parameter = [](std::size_t number) { return "?" + std::to_string(number); };
    const auto fields = [&](std::size_t first) {
      std::string list = "json_array(";
      for (std::size_t i = 0; i < count; ++i) list += (i ? ", " : "") + parameter(first + i);
      return list + ")";
    };
    std::string sql = "INSERT INTO " + in_ + kHistoryTable +
                      " (at, who, station, change_group, action, record, before, after) VALUES ";
    for (std::size_t row = 0; row < rows; ++row) {
      const std::size_t first = row * parameters() + 1;
      sql += row ? ", (" : "(";
      for (std::size_t i = 0; i < 6; ++i) sql += parameter(first + i) + ", ";
      sql += "CASE WHEN " + parameter(first + 6) + " THEN " + fields(first + kLeadingParameters) +
             " END, CASE WHEN " + parameter(first + 7) + " THEN " +
             fields(first + kLeadingParameters + count) + " END)";
    }
    return sql;
  }

  // The `rows` entries pending from `from` on, by `insert`.
  DriverStatus insertPending(Statement& insert, std::size_t from, std::size_t rows) {
    const std::size_t count = file_.declaration().fields().size();
    for (std::size_t row = 0; row < rows; ++row) {
      const apprt::HistoryEntry& entry = pending_[from + row];
      const std::size_t first = row * parameters() + 1;
      bind(insert, first, entry.at);
      bind(insert, first + 1, entry.who);
      bind(insert, first + 2, entry.station);
      insert.bindInt(static_cast<int>(first + 3), entry.group);
      bind(insert, first + 4, entry.action);
      insert.bindInt(static_cast<int>(first + 5), entry.record);
      insert.bindInt(static_cast<int>(first + 6), entry.before.empty() ? 0 : 1);
      insert.bindInt(static_cast<int>(first + 7), entry.after.empty() ? 0 : 1);
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t before = first + kLeadingParameters + i;
        if (!entry.before.empty()) bind(insert, before, field(entry.before, i));
        if (!entry.after.empty()) bind(insert, before + count, field(entry.after, i));
      }
    }
    const int result = insert.step();
    // Every parameter is bound again for the next entries, or not read by them.
    sqlite3_reset(insert.get());
    return result == SQLITE_DONE ? DriverStatus{} : file_.failure(result);
  }

  // Bound until the insert is reset: the entries pending outlive its step.
  static void bind(Statement& insert, std::size_t index, std::string_view text) {
    sqlite3_bind_text(insert.get(), static_cast<int>(index), text.data(),
                      static_cast<int>(text.size()), SQLITE_STATIC);
  }

  SqliteFile& file_;
  std::string in_;  // the file's database, as a qualifier
  Statement insertOne_;
  Statement insertMany_;
  std::vector<apprt::HistoryEntry> pending_;  // room for an insert's entries
  std::size_t waiting_ = 0;                   // of them, written and not inserted yet
};

}  // namespace

DriverStatus carryHistoryInto(SqliteFile& file, bool replace,
                              std::unique_ptr<apprt::HistoryCarry>& carry) {
  auto made = std::make_unique<SqliteHistoryCarry>(file);
  if (DriverStatus status = made->begin(replace); !status.ok()) return status;
  carry = std::move(made);
  return {};
}

DriverStatus storedIdentities(SqliteFile& file, std::vector<apprt::RecordIdentity>& identities) {
  file.connection().reads().releaseAll();
  Statement row(file.connection().db(), "SELECT id FROM " + file.table() + " ORDER BY id");
  if (!row.prepared()) return file.failure(row.prepareResult());
  int result = SQLITE_OK;
  while ((result = row.step()) == SQLITE_ROW) identities.push_back(row.columnInt(0));
  return result == SQLITE_DONE ? DriverStatus{} : file.failure(result);
}

}  // namespace fesk::sqlite
