#include "drivers/postgres/pg_prepared_statements.h"

namespace fesk::postgres {

bool PreparedStatements::send(PGconn* session, const Query& query, bool& prepared) {
  const int count = static_cast<int>(query.values.size());
  std::vector<const char*> texts;
  texts.reserve(query.values.size());
  for (const auto& value : query.values) texts.push_back(value.c_str());
  prepared = false;
  if (query.plannedEachTime) {
    return PQsendQueryParams(session, query.sql.c_str(), count, nullptr, texts.data(), nullptr,
                             nullptr, 0);
  }
  const auto [named, fresh] =
      named_.try_emplace(query.sql, "fesk" + std::to_string(named_.size() + 1));
  prepared = fresh;
  if (fresh && !PQsendPrepare(session, named->second.c_str(), query.sql.c_str(), count, nullptr)) {
    return false;
  }
  return PQsendQueryPrepared(session, named->second.c_str(), count, texts.data(), nullptr, nullptr,
                             0);
}

std::vector<std::string> PreparedStatements::all() const {
  std::vector<std::string> all;
  for (const auto& [sql, name] : named_) all.push_back(sql);
  return all;
}

}  // namespace fesk::postgres
