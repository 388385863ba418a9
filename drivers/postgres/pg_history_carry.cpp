#include "drivers/postgres/pg_history_carry.h"

#include <cstdio>

#include "drivers/common/stored_names.h"
#include "drivers/postgres/pg_copy_text.h"
#include "drivers/postgres/pg_history.h"
#include "drivers/postgres/pg_schema.h"
#include "runtime/files/file_declaration.h"

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

// The COPY data gathered before it goes to the server.
constexpr std::size_t kPieceBytes = std::size_t{4} << 20;

std::string literal(const std::string& text) {
  return drivers::quotedWith(text, '\'');
}

// The fields as a JSON array of strings, as the trigger writes them.
std::string jsonArray(const std::vector<std::string>& fields) {
  std::string json = "[";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    json += i ? ",\"" : "\"";
    for (const char c : fields[i]) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        json += '\\';
        json += c;
      } else if (byte < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
        json += escaped;
      } else {
        json += c;
      }
    }
    json += '"';
  }
  return json + "]";
}

class PgHistoryCarry : public apprt::HistoryCarry {
 public:
  PgHistoryCarry(ServerSession& session, const std::string& schema, const std::string& table,
                 const apprt::FileDeclaration& file)
      : session_(session), table_(table), file_(file), history_(quotedName(schema) + ".history") {}

  DriverStatus begin(bool replace) {
    DriverStatus status;
    session_.run(std::string("SELECT set_config('") + kCarriedHistorySetting + "', 'on', true)", {},
                 status);
    if (status.ok() && replace) {
      session_.run("DELETE FROM " + history_ + " WHERE file = $1", {file_.fileName()}, status);
    }
    return status;
  }

  DriverStatus nextIdentity(apprt::RecordIdentity& next) override {
    DriverStatus status;
    const Result result =
        session_.run("SELECT nextval(pg_get_serial_sequence($1, 'id'))", {table_}, status);
    if (status.ok()) next = result.number(0, 0);
    return status;
  }

  DriverStatus write(const apprt::HistoryEntry& entry) override {
    for (const std::string* text : {&file_.fileName(), &entry.at, &entry.who, &entry.station}) {
      appendCopyText(rows_, *text);
      rows_ += '\t';
    }
    rows_ += std::to_string(entry.group) + '\t';
    appendCopyText(rows_, entry.action);
    rows_ += '\t' + std::to_string(entry.record);
    for (const auto* fields : {&entry.before, &entry.after}) {
      rows_ += '\t';
      if (fields->empty()) {
        rows_ += "\\N";
      } else {
        appendCopyText(rows_, jsonArray(*fields));
      }
    }
    rows_ += '\n';
    return rows_.size() < kPieceBytes ? DriverStatus{} : sendPiece();
  }

  DriverStatus finish(apprt::RecordIdentity next) override {
    if (DriverStatus status = sendPiece(); !status.ok()) return status;
    DriverStatus status;
    // The identities before `next` were given to records gone before the
    // move: the file's next add must not take one of them.
    session_.run(std::string("SELECT setval(pg_get_serial_sequence($1, 'id'), $2, false), "
                             "set_config('") +
                     kCarriedHistorySetting + "', 'off', true)",
                 {table_, std::to_string(next)}, status);
    return status;
  }

 private:
  DriverStatus sendPiece() {
    if (rows_.empty()) return {};
    const std::string copy = "COPY " + history_ +
                             " (file, at, who, station, change_group, action, record, before, "
                             "after) FROM STDIN";
    // However many entries there are, the work is never cut for its length.
    DriverStatus status = session_.copyIn(sent_ ? copy : session_.liftTimeLimit() + copy, rows_);
    sent_ = true;
    rows_.clear();
    return status;
  }

  ServerSession& session_;
  std::string table_;
  const apprt::FileDeclaration& file_;
  std::string history_;
  std::string rows_;
  bool sent_ = false;
};

}  // namespace

DriverStatus readWholeHistory(ServerSession& session, const std::string& schema,
                              const apprt::FileDeclaration& file,
                              const std::function<bool(apprt::HistoryEntry&)>& take) {
  std::vector<std::string> values;
  return session.copyOut("COPY (" + historyEntriesSql(schema, file, literal(file.fileName())) +
                             " ORDER BY id) TO STDOUT",
                         [&](std::string_view row) {
                           readCopyRow(row, values);
                           apprt::HistoryEntry entry = historyEntryOf(file, [&](int column) {
                             const auto at = static_cast<std::size_t>(column);
                             return at < values.size() ? std::string_view(values[at])
                                                       : std::string_view();
                           });
                           return take(entry);
                         });
}

DriverStatus storedIdentities(ServerSession& session, const std::string& table,
                              std::vector<apprt::RecordIdentity>& identities) {
  return session.copyOut("COPY (SELECT id FROM " + table + " ORDER BY id) TO STDOUT",
                         [&](std::string_view row) {
                           identities.push_back(std::stoll(std::string(row)));
                           return true;
                         });
}

DriverStatus carryHistoryInto(ServerSession& session, const std::string& schema,
                              const std::string& table, const apprt::FileDeclaration& file,
                              bool replace, std::unique_ptr<apprt::HistoryCarry>& carry) {
  auto made = std::make_unique<PgHistoryCarry>(session, schema, table, file);
  if (DriverStatus status = made->begin(replace); !status.ok()) return status;
  carry = std::move(made);
  return {};
}

}  // namespace fesk::postgres
