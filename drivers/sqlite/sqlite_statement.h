#pragma once
// A prepared SQLite statement owned by one object: finalized when it goes.

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/text/key_text.h"

namespace fesk::sqlite {

class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, std::string_view sql) {
    result_ = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                 SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
  }
  Statement(Statement&& other) noexcept
      : statement_(std::exchange(other.statement_, nullptr)), result_(other.result_) {}
  Statement& operator=(Statement&& other) noexcept {
    std::swap(statement_, other.statement_);
    result_ = other.result_;
    return *this;
  }
  ~Statement() { sqlite3_finalize(statement_); }

  bool prepared() const { return statement_ != nullptr; }
  int prepareResult() const { return result_; }
  sqlite3_stmt* get() const { return statement_; }

  int step() { return sqlite3_step(statement_); }
  void reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  void bindText(int index, std::string_view text) {
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
  }
  // Fields are stored without their padding, so that a filter compares a
  // column with a plain literal ("CODE = 'A'"); reading pads them again.
  // Padding sorts like the end of the text, so the order stays that of the
  // padded fields.
  void bindField(int index, std::string_view bytes) {
    bindText(index, apprt::withoutPadding(bytes));
  }
  // The same for bytes that stay in place until the statement is reset (a
  // write's record): bound without a copy.
  void bindFieldUntilReset(int index, std::string_view bytes) {
    const std::string_view text = apprt::withoutPadding(bytes);
    sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
  }
  void bindInt(int index, sqlite3_int64 value) { sqlite3_bind_int64(statement_, index, value); }
  // NULL reads as the empty text (never as a null pointer).
  std::string_view columnText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string_view(text, sqlite3_column_bytes(statement_, column))
                : std::string_view("");
  }
  sqlite3_int64 columnInt(int column) const { return sqlite3_column_int64(statement_, column); }

 private:
  sqlite3_stmt* statement_ = nullptr;
  int result_ = SQLITE_MISUSE;
};

// How many rows one multi-row INSERT carries when each row takes `parameters`:
// enough that a statement's own work (its cursor opened and closed, the
// table's sequence written) is paid once for many rows, within the
// connection's limit on parameters.
inline std::size_t rowsPerInsert(sqlite3* db, std::size_t parameters) {
  constexpr std::size_t kMostRows = 64;
  const auto most = static_cast<std::size_t>(sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, -1));
  return std::max<std::size_t>(1, std::min(kMostRows, most / parameters));
}

}  // namespace fesk::sqlite
