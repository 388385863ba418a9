#include "drivers/postgres/pg_read_query.h"

#include "drivers/postgres/pg_bound.h"
#include "drivers/postgres/pg_schema.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/key_order.h"

namespace fesk::postgres {
namespace {

using apprt::Direction;

std::string placeholder(std::size_t index) {
  return "$" + std::to_string(index);
}

// "(a, b)" of the items.
std::string row(const std::vector<std::string>& items) {
  std::string out = "(";
  for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + items[i];
  return out + ")";
}

// The ORDER BY list of the order's folded fields: the identity last, where a
// unique key does not tell every record apart by itself.
std::string orderBy(const std::vector<std::string>& folded, bool unique, Direction direction) {
  const char* sense = direction == Direction::kForward ? "" : " DESC";
  std::string list;
  for (const auto& expression : folded) list += expression + sense + ", ";
  return unique ? list.substr(0, list.size() - 2) : list + "id" + sense;
}

// A bound at a record carries its values without trailing blanks, but
// another tool may have stored one with them ("A "), which the key's index
// sorts after the bare value: read from that record against the bare value,
// a forward read would meet the record again and a backward one skip the
// records between. So while the record still holds the value by the key's
// rule, the bound is the value as the record stores it.
std::string storedValue(const std::string& table, const std::string& folded,
                        const std::string& value, const std::string& identity) {
  return "COALESCE((SELECT " + folded + " FROM " + table + " WHERE id = " + identity + " AND " +
         sameKeyValue(folded, value) + "), " + value + ")";
}

struct Beyond {
  std::string condition;           // "" at an edge
  std::vector<std::string> given;  // the placeholders of the bound's values as given
};

// The condition that a record lies beyond `from` in `direction`, its values
// appended to `values`.
Beyond beyond(const apprt::FileDeclaration& file, const std::string& table,
              const apprt::ReadOrder& order, std::vector<std::string> folded, bool unique,
              const apprt::ReadBound& from, Direction direction, std::vector<std::string>& values) {
  Beyond seek;
  if (from.kind == apprt::BoundKind::kEdge) return seek;
  const bool forward = direction == Direction::kForward;
  ServerBound bound = serverBound(file, order.fields, from);
  std::vector<std::string> places;
  for (auto& value : bound.values) {
    values.push_back(std::move(value));
    places.push_back(placeholder(values.size()));
  }
  seek.given = places;
  values.push_back(std::to_string(bound.identity));
  const std::string identity = placeholder(values.size());
  if (from.kind == apprt::BoundKind::kRecord) {
    for (std::size_t i = 0; i < places.size(); ++i) {
      places[i] = storedValue(table, folded[i], places[i], identity);
    }
  }
  const char* strict = forward ? " > " : " < ";
  const char* comparison = forward ? (apprt::boundIncluded(from) ? " >= " : " > ")
                                   : (apprt::boundIncluded(from) ? " <= " : " < ");
  if (unique) {
    seek.condition = row(folded) + (forward ? " >= " : " <= ") + row(places) + " AND (" +
                     row(folded) + strict + row(places) + " OR id" + comparison + identity + ")";
  } else {
    folded.push_back("id");
    places.push_back(identity);
    seek.condition = row(folded) + comparison + row(places);
  }
  return seek;
}

// SELECT `columns` of the records that meet `where` and the order's filter,
// in order, at most the limit at `limit`.
std::string selectSql(const std::string& table, const std::string& columns,
                      const apprt::ReadOrder& order, const std::string& where,
                      const std::string& ordered, const std::string& limit) {
  std::string condition = where;
  if (!order.filter.empty()) {
    condition += (condition.empty() ? "(" : " AND (") + order.filter + ")";
  }
  return "SELECT " + columns + " FROM " + table + (condition.empty() ? "" : " WHERE " + condition) +
         " ORDER BY " + ordered + " LIMIT " + limit;
}

std::vector<std::string> foldedFields(const apprt::FileDeclaration& file,
                                      const apprt::ReadOrder& order) {
  std::vector<std::string> folded;
  for (int field : order.fields) folded.push_back(foldedColumn(file, field));
  return folded;
}

}  // namespace

ReadQuery readQuery(const apprt::FileDeclaration& file, const std::string& table,
                    const std::string& columns, const apprt::ReadOrder& order, int key,
                    const apprt::ReadBound& from, Direction direction, int limit) {
  const bool unique = key >= 0 && !file.key(key).allowsDuplicates();
  const std::vector<std::string> folded = foldedFields(file, order);
  ReadQuery query;
  const Beyond seek = beyond(file, table, order, folded, unique, from, direction, query.values);
  query.values.push_back(std::to_string(limit));
  query.sql = selectSql(table, columns, order, seek.condition, orderBy(folded, unique, direction),
                        placeholder(query.values.size()));
  return query;
}

ReadQuery runQuery(const apprt::FileDeclaration& file, const std::string& table,
                   const std::string& columns, const apprt::ReadOrder& order,
                   const apprt::ReadBound& from, Direction direction, int runLimit, int nextLimit) {
  const std::vector<std::string> folded = foldedFields(file, order);
  ReadQuery query;
  const Beyond seek = beyond(file, table, order, folded, false, from, direction, query.values);
  query.values.push_back(std::to_string(runLimit));
  const std::string runPlace = placeholder(query.values.size());
  query.values.push_back(std::to_string(nextLimit));
  const std::string nextPlace = placeholder(query.values.size());
  const std::string ordered = orderBy(folded, false, direction);
  const std::string value = row(folded);
  const std::string given = row(seek.given);
  query.sql = "(" +
              selectSql(table, columns + ", true", order,
                        seek.condition + " AND " + value + " = " + given, ordered, runPlace) +
              ") UNION ALL (" +
              selectSql(table, columns + ", false", order,
                        seek.condition + " AND " + value +
                            (direction == Direction::kForward ? " > " : " < ") + given,
                        ordered, nextPlace) +
              ")";
  return query;
}

std::string wholeQuery(const apprt::FileDeclaration& file, const std::string& table,
                       const std::string& columns, const apprt::ReadOrder& order, int key) {
  const bool unique = key >= 0 && !file.key(key).allowsDuplicates();
  const std::vector<std::string> folded = foldedFields(file, order);
  return "SELECT " + columns + " FROM " + table +
         (order.filter.empty() ? "" : " WHERE (" + order.filter + ")") + " ORDER BY " +
         orderBy(folded, unique, Direction::kForward);
}

ReadQuery aroundQuery(const apprt::FileDeclaration& file, const std::string& table,
                      const std::string& columns, const apprt::ReadOrder& order, int key,
                      const apprt::ReadBound& from, int limit) {
  // Around values alone is around the place before every record that has them.
  apprt::ReadBound at = from;
  at.kind = apprt::BoundKind::kRecord;
  at.identity = apprt::boundIdentity(from);
  at.inclusive = true;
  ReadQuery after = readQuery(file, table, columns, order, key, at, Direction::kForward, limit);
  at.inclusive = false;
  const ReadQuery before =
      readQuery(file, table, columns, order, key, at, Direction::kBackward, limit);
  // Both halves take the same values in the same places.
  after.sql = "(" + after.sql + ") UNION ALL (" + before.sql + ")";
  return after;
}

}  // namespace fesk::postgres
