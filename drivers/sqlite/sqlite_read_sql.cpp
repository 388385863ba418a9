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

// "(A, B)" and "(?1, ?2)" for the order's fields.
std::string fieldList(const apprt::FileDeclaration& file, const ReadOrder& order) {
  std::string list;
  for (int field : order.fields) list += (list.empty() ? "" : ", ") + columnName(file, field);
  return "(" + list + ")";
}

std::string valueList(const ReadOrder& order) {
  std::string list;
  for (std::size_t i = 1; i <= order.fields.size(); ++i) {
    list += (list.empty() ? "" : ", ") + placeholder(i);
  }
  return "(" + list + ")";
}

// The fields equal to the bound's values: "A = ?1 AND B = ?2 AND ".
std::string equalFields(const apprt::FileDeclaration& file, const ReadOrder& order) {
  std::string equal;
  for (std::size_t i = 0; i < order.fields.size(); ++i) {
    equal += columnName(file, order.fields[i]) + " = " + placeholder(i + 1) + " AND ";
  }
  return equal;
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

  std::string sql;
  if (start == ReadStart::kEdge || (start == ReadStart::kValues && order.fields.empty())) {
    sql = where("");
  } else if (start == ReadStart::kValues) {
    sql = where(fieldList(file, order) + (forward ? " >= " : " < ") + valueList(order));
  } else {
    const char* fromRecord = start == ReadStart::kAtRecord ? (forward ? " >= " : " <= ") : beyond;
    sql = where(equalFields(file, order) + "id" + fromRecord + identity);
    if (!order.fields.empty()) {
      sql += " UNION ALL " + where(fieldList(file, order) + beyond + valueList(order));
    }
  }

  const char* sense = forward ? "" : " DESC";
  sql += " ORDER BY ";
  for (int field : order.fields) sql += columnName(file, field) + sense + ", ";
  return sql + "id" + sense;
}

}  // namespace fesk::sqlite
