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
    // The fields of before and after are bound one by one, from ?9 on.
    const auto fields = [&](std::size_t first) {
      std::string list = "json_array(";
      for (std::size_t i = 0; i < declared.fields().size(); ++i) {
        list += (i ? ", ?" : "?") + std::to_string(first + i);
      }
      return list + ")";
    };
    insert_ = Statement(connection.db(),
                        "INSERT INTO " + in_ + kHistoryTable +
                            " (at, who, station, change_group, action, record, before, after) "
                            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, CASE WHEN ?7 THEN " +
                            fields(kFirstField) + " END, CASE WHEN ?8 THEN " +
                            fields(kFirstField + declared.fields().size()) + " END)");
    if (!insert_.prepared()) return file_.failure(insert_.prepareResult());
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

  DriverStatus write(const apprt::HistoryEntry& entry) override {
    bind(1, entry.at);
    bind(2, entry.who);
    bind(3, entry.station);
    insert_.bindInt(4, entry.group);
    bind(5, entry.action);
    insert_.bindInt(6, entry.record);
    insert_.bindInt(7, entry.before.empty() ? 0 : 1);
    insert_.bindInt(8, entry.after.empty() ? 0 : 1);
    const std::size_t count = file_.declaration().fields().size();
    for (std::size_t i = 0; i < count; ++i) {
      if (!entry.before.empty()) bind(kFirstField + i, field(entry.before, i));
      if (!entry.after.empty()) bind(kFirstField + count + i, field(entry.after, i));
    }
    const int result = insert_.step();
    // Every parameter is bound again for the next entry, or not read by it.
    sqlite3_reset(insert_.get());
    return result == SQLITE_DONE ? DriverStatus{} : file_.failure(result);
  }

  DriverStatus finish(apprt::RecordIdentity next) override {
    insert_ = Statement();
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
  static constexpr std::size_t kFirstField = 9;

  static std::string_view field(const std::vector<std::string>& fields, std::size_t i) {
    return i < fields.size() ? std::string_view(fields[i]) : std::string_view();
  }

  // Bound until the insert is reset: the entry outlives its step.
  void bind(std::size_t index, std::string_view text) {
    sqlite3_bind_text(insert_.get(), static_cast<int>(index), text.data(),
                      static_cast<int>(text.size()), SQLITE_STATIC);
  }

  SqliteFile& file_;
  std::string in_;  // the file's database, as a qualifier
  Statement insert_;
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
