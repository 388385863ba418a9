#pragma once
// A libpq result owned by one object: cleared when it goes.

#include <libpq-fe.h>

#include <memory>
#include <string>
#include <string_view>

namespace fesk::postgres {

class Result {
 public:
  Result() = default;
  explicit Result(PGresult* result) : result_(result, &PQclear) {}

  PGresult* get() const { return result_.get(); }
  // A command or query that the server carried out.
  bool ok() const {
    const auto status = PQresultStatus(result_.get());
    return result_ && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK);
  }
  int rows() const { return PQntuples(result_.get()); }
  std::string_view text(int row, int column) const {
    return {PQgetvalue(result_.get(), row, column),
            static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
  }
  long long number(int row, int column) const { return std::stoll(std::string(text(row, column))); }
  // The server's five-character code of a failure ("" when it has none).
  std::string sqlState() const {
    const char* state = result_ ? PQresultErrorField(result_.get(), PG_DIAG_SQLSTATE) : nullptr;
    return state ? state : "";
  }
  std::string commandStatus() const { return result_ ? PQcmdStatus(result_.get()) : ""; }

 private:
  std::shared_ptr<PGresult> result_;
};

}  // namespace fesk::postgres
