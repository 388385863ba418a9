#include "drivers/sqlite/record_sources.h"

#include "drivers/sqlite/sqlite_schema.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {

std::vector<RecordSource> recordSources(const apprt::FileDeclaration& file) {
  std::vector<RecordSource> sources{{"NOT INDEXED", {"id"}}};
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    RecordSource source{"INDEXED BY " + indexName(file, static_cast<int>(key)), {}};
    for (int field : file.keys()[key].fields) {
      source.order.push_back(columnName(file, field));
    }
    source.order.emplace_back("id");
    sources.push_back(std::move(source));
  }
  return sources;
}

int readSource(sqlite3* db, const std::string& schema, const apprt::FileDeclaration& file,
               const RecordSource& source, bool fromTheEnd,
               const std::function<void(const Statement&)>& take) {
  std::string columns = "id";
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    columns += ", " + columnName(file, static_cast<int>(i));
  }
  std::string order;
  for (const auto& column : source.order) {
    order += (order.empty() ? "" : ", ") + column + (fromTheEnd ? " DESC" : "");
  }
  Statement read(db, "SELECT " + columns + " FROM " + quotedName(schema) + "." + tableName(file) +
                         " " + source.indexing + " ORDER BY " + order);
  if (!read.prepared()) return read.prepareResult();
  int result;
  while ((result = read.step()) == SQLITE_ROW) take(read);
  return result;
}

}  // namespace fesk::sqlite
