#include "drivers/postgres/server_schema_kind.h"

#include <cstdlib>
#include <map>
#include <utility>

#include "drivers/postgres/pg_connection_string.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema.h"
#include "drivers/postgres/pg_schema_lock.h"

namespace fesk::postgres {
namespace {

struct SchemaHold : apprt::DataSetHold {
  bool share(const apprt::DataSetChoice& choice, bool /*onlyRead*/, std::string& why) override {
    return lock.share(choice.conninfo, choice.schema, why);
  }
  bool takeAlone(const apprt::DataSetChoice& choice, std::string& why) override {
    return lock.takeAlone(choice.conninfo, choice.schema, why);
  }

  SchemaLock lock;
};

// The server FESK_DATABASE names, or nothing.
const char* serverOfEnvironment() {
  const char* environment = std::getenv("FESK_DATABASE");
  return environment && *environment ? environment : nullptr;
}

// `fromCommandLine`: a password in the connection string is refused.
bool chooseServer(const ServerSchemaKind& kind, const std::string& conninfo,
                  const std::optional<std::string>& schema, bool fromCommandLine,
                  apprt::DataSetChoice& choice, std::string& why) {
  if (const std::string mistake = connectionStringMistake(conninfo); !mistake.empty()) {
    why = "the database connection string cannot be read: " + mistake;
    return false;
  }
  const std::string name = schema ? *schema : std::string(kDefaultSchema);
  if (const std::string mistake = schemaNameMistake(name); !mistake.empty()) {
    why = mistake;
    return false;
  }
  const bool hasPassword = connectionStringHasPassword(conninfo);
  if (fromCommandLine && hasPassword) {
    why =
        "a password on the command line can be read by every user of this machine: "
        "put it in ~/.pgpass (or the file PGPASSFILE names) instead";
    return false;
  }
  choice = {.kind = &kind, .directory = {}, .conninfo = conninfo, .schema = name, .name = {}};
  choice.name = (hasPassword ? "the server FESK_DATABASE names" : conninfo) + " (schema " +
                choice.schema + ")";
  return true;
}

}  // namespace

bool ServerSchemaKind::claims(const apprt::DataSetOptions& options) const {
  return options.database || (!options.dataDir && serverOfEnvironment());
}

std::string ServerSchemaKind::strayOptionMistake(const apprt::DataSetOptions& options) const {
  if (!options.schema) return {};
  return "--schema names a schema on a server: it needs --database (or FESK_DATABASE)";
}

bool ServerSchemaKind::choose(const apprt::DataSetOptions& options, apprt::DataSetChoice& choice,
                              std::string& why) const {
  if (options.database)
    return chooseServer(*this, *options.database, options.schema, true, choice, why);
  return chooseServer(*this, serverOfEnvironment(), options.schema, false, choice, why);
}

bool ServerSchemaKind::claimsName(const std::string& name) const {
  return namesServer(name);
}

bool ServerSchemaKind::chooseNamed(const std::string& name,
                                   const std::optional<std::string>& schema,
                                   apprt::DataSetChoice& choice, std::string& why) const {
  return chooseServer(*this, name, schema, true, choice, why);
}

bool ServerSchemaKind::same(const apprt::DataSetChoice& a, const apprt::DataSetChoice& b) const {
  return a.conninfo == b.conninfo && a.schema == b.schema;
}

std::string ServerSchemaKind::mistake(const apprt::DataSetChoice&, apprt::DataSetUse) const {
  return {};  // the server is asked when the data set is held
}

bool ServerSchemaKind::makePlace(const apprt::DataSetChoice&, std::string&) const {
  return true;  // the driver makes the schema with the first file it creates
}

std::unique_ptr<apprt::DataSetHold> ServerSchemaKind::newHold() const {
  return std::make_unique<SchemaHold>();
}

apprt::Driver* ServerSchemaKind::processDriver(const apprt::DataSetChoice& choice,
                                               std::string&) const {
  // Kept for the whole process: data files stay bound to it.
  static std::map<std::pair<std::string, std::string>, std::unique_ptr<apprt::Driver>> drivers;
  auto& driver = drivers[{choice.conninfo, choice.schema}];
  if (!driver) driver = makeDriver(choice);
  return driver.get();
}

std::unique_ptr<apprt::Driver> ServerSchemaKind::makeDriver(
    const apprt::DataSetChoice& choice) const {
  return std::make_unique<PgDriver>(choice.conninfo, choice.schema);
}

void ServerSchemaKind::workUnder(apprt::Driver& driver, apprt::DataSetHold& hold) const {
  static_cast<PgDriver&>(driver).workUnder(static_cast<SchemaHold&>(hold).lock);
}

std::string ServerSchemaKind::listName(const apprt::DataSetChoice& choice) const {
  return choice.name;
}

}  // namespace fesk::postgres
