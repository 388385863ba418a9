#include "drivers/sqlite/sqlite_read_sql.h"

#include <vector>

#include "drivers/sqlite/sqlite_schema.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/key_serving_order.h"

namespace fesk::sqlite {

using apprt::Direction;
using apprt::ReadOrder;

namespace {

std::string placeholder(std::size_t index) {
  return "?" + std::to_string(index);
}

// "(A, B)" of the order's fields.
std::string fieldList(const apprt::FileDeclaration& file, const ReadOrder& order) {
  std::string list;
  for (int field : order.fields) list += (list.empty() ? "" : ", ") + columnName(file, field);
  return "(" + list + ")";
}

// "(?1, ?2)" of the bound's values.
std::string valueList(const std::vector<std::string>& values) {
  std::string list;
  for (const auto& value : values) list += (list.empty() ? "" : ", ") + value;
  return "(" + list + ")";
}

// The fields equal to the bound's values: "A = ?1 AND B = ?2 AND ".
std::string equalFields(const apprt::FileDeclaration& file, const ReadOrder& order,
                        const std::vector<std::string>& values) {
  std::string equal;
  for (std::size_t i = 0; i < order.fields.size(); ++i) {
    equal += columnName(file, order.fields[i]) + " = " + values[i] + " AND ";
  }
  return equal;
}

// A bound at a record carries its values without trailing blanks, but
// another tool may have stored one with them ("A "), which the index sorts
// after the bare value: read from that record against the bare value, a
// forward read would meet the record again and a backward one skip the
// records between. So while the record still holds the value by the key's
// rule, the bound is the value as the record stores it.
std::string storedValue(const apprt::FileDeclaration& file, const std::string& table, int field,
                        const std::string& value, const std::string& identity) {
  const std::string column = columnName(file, field);
  return "COALESCE((SELECT " + column + " FROM " + table + " WHERE id = " + identity + " AND " +
         sameKeyValue(column, value) + "), " + value + ")";
}

}  // namespace

ReadStart readStartOf(const apprt::ReadBound& from) {
  if (from.kind == apprt::BoundKind::kEdge) return ReadStart::kEdge;
  if (from.kind == apprt::BoundKind::kValues) return ReadStart::kValues;
  return from.inclusive ? ReadStart::kAtRecord : ReadStart::kAfterRecord;
}

bool mergesRanges(const ReadOrder& order, ReadStart start) {
  return !order.fields.empty() &&
         (start == ReadStart::kAfterRecord || start == ReadStart::kAtRecord);
}

std::string readSql(const apprt::FileDeclaration& file, const std::string& table,
                    const std::string& columns, const ReadOrder& order, Direction direction,
                    ReadStart start) {
  const bool forward = direction == Direction::kForward;
  std::string select = "SELECT " + columns + " FROM " + table;
  if (const int key = apprt::keyServingOrder(file, order); key >= 0) {
    select += " INDEXED BY " + indexName(file, key);
  }
  const std::string filter = order.filter.empty() ? "" : "(" + order.filter + ")";
  auto where = [&](const std::string& condition) {
    if (condition.empty()) return filter.empty() ? select : select + " WHERE " + filter;
    return select + " WHERE " + condition + (filter.empty() ? "" : " AND " + filter);
  };
  const char* beyond = forward ? " > " : " < ";
  const std::string identity = placeholder(order.fields.size() + 1);

  std::vector<std::string> values;
  for (std::size_t i = 0; start != ReadStart::kEdge && i < order.fields.size(); ++i) {
    values.push_back(start == ReadStart::kValues
                         ? placeholder(i + 1)
                         : storedValue(file, table, order.fields[i], placeholder(i + 1), identity));
  }
  std::string sql;
  if (start == ReadStart::kEdge || (start == ReadStart::kValues && order.fields.empty())) {
    sql = where("");
  } else if (start == ReadStart::kValues) {
    sql = where(fieldList(file, order) + (forward ? " >= " : " < ") + valueList(values));
  } else {
    const char* fromRecord = start == ReadStart::kAtRecord ? (forward ? " >= " : " <= ") : beyond;
    sql = where(equalFields(file, order, values) + "id" + fromRecord + identity);
    if (!order.fields.empty()) {
      sql += " UNION ALL " + where(fieldList(file, order) + beyond + valueList(values));
    }
  }

  const char* sense = forward ? "" : " DESC";
  sql += " ORDER BY ";
  for (int field : order.fields) sql += columnName(file, field) + sense + ", ";
  return sql + "id" + sense;
}

}  // namespace fesk::sqlite
