#pragma once
// The statements prepared in one libpq session, by their SQL: a statement is
// prepared at its first use and named for the session ("fesk1", ...), so that
// its later uses send only its name and values. A preparation the server
// refused is forgotten, and made again at the statement's next use; every
// preparation goes with the session that held it.

#include <libpq-fe.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace fesk::postgres {

// What is sent to the server: the SQL of one statement with its values,
// bound as text parameters.
struct Query {
  std::string sql;
  std::vector<std::string> values;
  // Planned for its values at each use, not prepared once for the session: a
  // statement over arrays of two values or of thousands needs a plan for
  // each, and a plan kept for any length walks an index record by record.
  bool plannedEachTime = false;
};

class PreparedStatements {
 public:
  // Sends `query` on `session` (in pipeline mode), with its preparation when
  // it is new (`prepared` tells so); false when libpq refused it.
  bool send(PGconn* session, const Query& query, bool& prepared);
  // The preparation of `sql` did not take: it is made again at its next use.
  void refused(const std::string& sql) { named_.erase(sql); }
  // The session that held them is gone.
  void clear() { named_.clear(); }
  // The SQL of every statement prepared (the query-plan tests explain each).
  std::vector<std::string> all() const;

 private:
  std::unordered_map<std::string, std::string> named_;  // SQL -> statement name
};

}  // namespace fesk::postgres
