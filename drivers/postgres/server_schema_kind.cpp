#include "drivers/postgres/server_schema_kind.h"

#include <sys/stat.h>

#include <cstdlib>
#include <map>
#include <utility>

#include "drivers/postgres/pg_connection_string.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_role_sign_in.h"
#include "drivers/postgres/pg_schema.h"
#include "drivers/postgres/pg_schema_lock.h"

namespace fesk::postgres {
namespace {

// A data set's place: the server's connection string, and the schema.
const std::string& conninfoOf(const apprt::DataSetChoice& choice) {
  return choice.place.at(0);
}
const std::string& schemaOf(const apprt::DataSetChoice& choice) {
  return choice.place.at(1);
}

// Nothing is left on a server by work that does not finish: its transaction
// takes it all back.
struct NothingLeft : apprt::PlaceBefore {
  void undo() const override {}
};

struct SchemaHold : apprt::DataSetHold {
  bool share(const apprt::DataSetChoice& choice, bool /*onlyRead*/, std::string& why) override {
    return lock.share(conninfoOf(choice), schemaOf(choice), why);
  }
  bool takeAlone(const apprt::DataSetChoice& choice, std::string& why) override {
    return lock.takeAlone(conninfoOf(choice), schemaOf(choice), why);
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
  choice = {.kind = &kind,
            .place = {conninfo, name},
            .name = (hasPassword ? "the server FESK_DATABASE names" : conninfo) + " (schema " +
                    name + ")"};
  return true;
}

}  // namespace

std::span<const std::string_view> ServerSchemaKind::options() const {
  static constexpr std::string_view kOptions[] = {"--database", "--schema"};
  return kOptions;
}

std::string_view ServerSchemaKind::usage() const {
  return "  --database CONNINFO  keep the data on a PostgreSQL server instead, shared by every\n"
         "                     workstation: a libpq connection string or postgresql:// URI\n"
         "                     (FESK_DATABASE does the same). No password here: libpq reads\n"
         "                     ~/.pgpass, PGPASSFILE and service files\n"
         "  --schema NAME      the schema of the data set on the server (default fesk)\n";
}

bool ServerSchemaKind::claims(const apprt::DataSetOptions& options) const {
  return options.value("--database") != nullptr;
}

bool ServerSchemaKind::claimsUnnamed() const {
  return serverOfEnvironment() != nullptr;
}

std::string ServerSchemaKind::strayOptionMistake(const apprt::DataSetOptions& options) const {
  if (!options.value("--schema")) return {};
  return "--schema names a schema on a server: it needs --database (or FESK_DATABASE)";
}

bool ServerSchemaKind::choose(const apprt::DataSetOptions& options, apprt::DataSetChoice& choice,
                              std::string& why) const {
  const std::string* schemaGiven = options.value("--schema");
  const std::optional<std::string> schema =
      schemaGiven ? std::optional(*schemaGiven) : std::nullopt;
  if (const std::string* database = options.value("--database"))
    return chooseServer(*this, *database, schema, true, choice, why);
  return chooseServer(*this, serverOfEnvironment(), schema, false, choice, why);
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
  return a.place == b.place;
}

std::string ServerSchemaKind::mistake(const apprt::DataSetChoice&, apprt::DataSetUse) const {
  return {};  // the server is asked when the data set is held
}

bool ServerSchemaKind::makePlace(const apprt::DataSetChoice&, std::string&) const {
  return true;  // the driver makes the schema with the first file it creates
}

std::unique_ptr<apprt::PlaceBefore> ServerSchemaKind::notePlace(const apprt::DataSetChoice&) const {
  return std::make_unique<NothingLeft>();
}

mode_t ServerSchemaKind::newFilesMask(const apprt::DataSetChoice&) const {
  return S_IRWXG | S_IRWXO;  // the user's alone: nobody shares a folder for it
}

std::unique_ptr<apprt::DataSetHold> ServerSchemaKind::newHold() const {
  return std::make_unique<SchemaHold>();
}

apprt::Driver* ServerSchemaKind::processDriver(const apprt::DataSetChoice& choice,
                                               std::string&) const {
  // Kept for the whole process: data files stay bound to it.
  static std::map<std::pair<std::string, std::string>, std::unique_ptr<apprt::Driver>> drivers;
  auto& driver = drivers[{conninfoOf(choice), schemaOf(choice)}];
  if (!driver) driver = makeDriver(choice);
  return driver.get();
}

std::unique_ptr<apprt::Driver> ServerSchemaKind::makeDriver(
    const apprt::DataSetChoice& choice) const {
  return std::make_unique<PgDriver>(conninfoOf(choice), schemaOf(choice));
}

void ServerSchemaKind::workUnder(apprt::Driver& driver, apprt::DataSetHold& hold) const {
  static_cast<PgDriver&>(driver).workUnder(static_cast<SchemaHold&>(hold).lock);
}

std::string ServerSchemaKind::listName(const apprt::DataSetChoice& choice) const {
  return choice.name;
}

std::vector<std::string> ServerSchemaKind::arguments(const apprt::DataSetChoice& choice) const {
  return {"--database", conninfoOf(choice), "--schema", schemaOf(choice)};
}

bool ServerSchemaKind::passwordFolder(const apprt::DataSetChoice&, std::filesystem::path&,
                                      std::string& why) const {
  why =
      "on a server data set people sign in with their PostgreSQL role: the server's "
      "administrator adds them";
  return false;
}

bool ServerSchemaKind::signIn(const apprt::DataSetChoice& choice, const apprt::PasswordFileCheck&,
                              apprt::SignInCheck& check, std::string& why) const {
  return roleSignIn(conninfoOf(choice), check, why);
}

}  // namespace fesk::postgres
