#include "app/data_sets/data_set_kinds.h"

#include "drivers/postgres/server_schema_kind.h"
#include "drivers/sqlite/data_directory_kind.h"

namespace fesk {

std::span<const apprt::DataSetKind* const> dataSetKinds() {
  static const sqlite::DataDirectoryKind directory;
  static const postgres::ServerSchemaKind server;
  static const apprt::DataSetKind* const kinds[] = {&directory, &server};
  return kinds;
}

}  // namespace fesk
