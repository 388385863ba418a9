#include "drivers/postgres/pg_driver.h"

#include <algorithm>

#include "drivers/postgres/pg_file.h"
#include "drivers/postgres/pg_schema.h"
#include "runtime/files/driver_options.h"
#include "runtime/files/file_declaration.h"

namespace fesk::postgres {
namespace {

using apprt::DriverStatus;

// Work on a file as a whole runs in a session of its own, in one transaction
// without a statement time-out (building the keys of a large file takes time),
// whose answer is waited for that long.
// A failed statement leaves the transaction open: it ends with the session.
constexpr auto kDefinitionsAnswerTimeout = std::chrono::minutes(30);

SessionRules forDefinitions(SessionRules rules) {
  rules.answerTimeout =
      std::max<std::chrono::milliseconds>(rules.answerTimeout, kDefinitionsAnswerTimeout);
  return rules;
}

constexpr std::string_view kNoRightToDefine = "42501";

DriverStatus runDefinitions(ServerSession& session, const std::string& statements) {
  return session.runScript("BEGIN; SET LOCAL statement_timeout = 0; " + statements + " COMMIT");
}

}  // namespace

PgDriver::PgDriver(std::string conninfo, std::string schema, SessionRules rules)
    : conninfo_(std::move(conninfo)), schema_(std::move(schema)), rules_(std::move(rules)) {}

void PgDriver::workUnder(SchemaLock& lock) {
  std::lock_guard guard(connecting_);
  if (lock.connection()) connection_ = lock.connection();
}

std::shared_ptr<Connection> PgDriver::connection() const {
  std::lock_guard guard(connecting_);
  if (!connection_ || !connection_->inThisProcess()) {
    connection_ = std::make_shared<Connection>(conninfo_, rules_);
  }
  return connection_;
}

std::shared_ptr<ServerSession> PgDriver::session() const {
  return ServerSession::forThisThread(connection());
}

DriverStatus PgDriver::checkReachable() const {
  ServerSession probe(conninfo_, rules_);
  return probe.ready();
}

DriverStatus PgDriver::usableSchema() const {
  const std::string mistake = schemaNameMistake(schema_);
  if (mistake.empty()) return {};
  return {apprt::kDriverError, "42602", mistake};
}

DriverStatus PgDriver::open(const apprt::FileDeclaration& file, int mode,
                            std::unique_ptr<apprt::DriverFile>& opened) {
  if (DriverStatus status = usableSchema(); !status.ok()) return status;
  auto threadSession = session();
  std::string missing;
  DriverStatus status = checkSchema(*threadSession, schema_, file, &missing);
  if (status.ok() && !missing.empty()) {
    ServerSession definitions(conninfo_, forDefinitions(rules_));
    status = definitions.ready();
    if (status.ok()) status = runDefinitions(definitions, missing);
    // A role that may not define objects in the schema still works in it; what
    // is missing comes with the next open by its owner.
    if (status.driverCode == kNoRightToDefine) status = {};
  }
  if (status.ok()) {
    foundSchema_ = true;
    threadSession->countAsOwnWriter();
  } else if (status.driverCode != apprt::kUnreachableDriverCode || !foundSchema_) {
    return status;
  }
  opened = std::make_unique<PgFile>(threadSession, schema_, file, apprt::opensForReadingOnly(mode));
  return {};
}

DriverStatus PgDriver::create(const apprt::FileDeclaration& file) {
  if (DriverStatus status = usableSchema(); !status.ok()) return status;
  ServerSession definitions(conninfo_, forDefinitions(rules_));
  if (DriverStatus status = definitions.ready(); !status.ok()) return status;
  DriverStatus status;
  const std::string schema = createSchemaSql(definitions, schema_, status);
  if (!status.ok()) return status;
  return runDefinitions(definitions, schema + createFileScript(definitions, schema_, file));
}

DriverStatus PgDriver::buildKeys(const apprt::FileDeclaration& file) {
  if (DriverStatus status = usableSchema(); !status.ok()) return status;
  ServerSession definitions(conninfo_, forDefinitions(rules_));
  if (DriverStatus status = definitions.ready(); !status.ok()) return status;
  DriverStatus status = checkSchema(definitions, schema_, file);
  if (!status.ok() && status.code != apprt::kKeysInvalid) return status;
  std::string statements;
  for (std::size_t key = 0; key < file.keys().size(); ++key) {
    statements += "DROP INDEX IF EXISTS " + quotedName(schema_) + "." +
                  indexName(file, static_cast<int>(key)) + "; ";
  }
  return runDefinitions(definitions, statements + createKeysScript(definitions, schema_, file));
}

DriverStatus PgDriver::send(const apprt::FileDeclaration& /*file*/, std::string_view option,
                            std::string& answer) {
  DriverStatus status;
  const int seconds = apprt::recoverSeconds(option, status);
  if (status.ok()) answer = apprt::recoverAnswer(seconds);
  return status;
}

DriverStatus PgDriver::begin(std::span<apprt::DriverFile* const> files, int timeoutSeconds) {
  std::string tables;
  std::string names;
  bool onlyReads = true;
  for (apprt::DriverFile* file : files) {
    const auto* table = static_cast<PgFile*>(file);
    tables += (tables.empty() ? "" : ", ") + table->table();
    names += (names.empty() ? "" : ", ") + table->declaration().fileName();
    onlyReads = onlyReads && table->readOnly();
  }
  return onlyReads ? session()->beginSnapshot() : session()->begin(tables, names, timeoutSeconds);
}

DriverStatus PgDriver::commit() {
  return session()->commit();
}

DriverStatus PgDriver::rollback() {
  return session()->rollback();
}

}  // namespace fesk::postgres
