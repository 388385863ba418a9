#pragma once
// The keyed-file driver for a data set on a PostgreSQL server, so that several
// workstations share one set of files: each file is a table of one schema,
// laid out as pg_schema.h describes, read and written through the calling
// thread's session (pg_server_session.h) on the program's one connection
// (pg_connection.h): the data-set lock's, or the driver's own without one.
//
// Where the server is comes from a libpq connection string or URI, and from
// whatever libpq itself reads (PGHOST, PGUSER, PGSERVICE, ~/.pgpass, ...).
//
// A transaction locks the tables it names against other writers (readers go
// on) for as long as it runs, waiting at most its time-out to get them, as a
// writer of the embedded driver waits for the file. A transaction over files
// opened for reading only (a backup) locks nothing: it reads one snapshot of
// them, which other stations' saves neither wait for nor change. Driver option:
// "Recover=N" is accepted and changes nothing: the server recovers by itself.
//
// A server that goes away is no damage to the files: once the data set was
// found on the server, a file is opened without a word with the server while
// it cannot be reached (it is checked at its next open), and the first read or
// write says why it failed; the files work again as soon as it is back
// (pg_server_session.h).

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "drivers/postgres/pg_schema_lock.h"
#include "drivers/postgres/pg_server_session.h"
#include "runtime/files/driver.h"

namespace fesk::postgres {

class PgDriver : public apprt::Driver {
 public:
  PgDriver(std::string conninfo, std::string schema, SessionRules rules = {});

  // The driver works on the connection that holds `lock` (taken again after
  // the server lost it, before any read or write). Called once the lock was
  // asked for, before the driver's first use.
  void workUnder(SchemaLock& lock);

  const std::string& schema() const { return schema_; }

  apprt::DriverStatus open(const apprt::FileDeclaration& file, int mode,
                           std::unique_ptr<apprt::DriverFile>& opened) override;
  apprt::DriverStatus create(const apprt::FileDeclaration& file) override;
  apprt::DriverStatus buildKeys(const apprt::FileDeclaration& file) override;
  apprt::DriverStatus send(const apprt::FileDeclaration& file, std::string_view option,
                           std::string& answer) override;
  apprt::DriverStatus begin(std::span<apprt::DriverFile* const> files, int timeoutSeconds) override;
  apprt::DriverStatus commit() override;
  apprt::DriverStatus rollback() override;

  // Opens a session and closes it again: whether the server can be reached
  // with these settings, and why not.
  apprt::DriverStatus checkReachable() const;
  // The calling thread's session of this driver.
  std::shared_ptr<ServerSession> session() const;
  // The connection the driver's threads take turns on (in a forked child, one
  // of the child's own, without the lock, which is its parent's).
  std::shared_ptr<Connection> connection() const;

 private:
  // 90 when the schema's name is none the server can take.
  apprt::DriverStatus usableSchema() const;

  std::string conninfo_;
  std::string schema_;
  SessionRules rules_;
  std::atomic<bool> foundSchema_ = false;  // a file was found as declared
  mutable std::mutex connecting_;
  mutable std::shared_ptr<Connection> connection_;  // the lock's, or made at the first use
};

}  // namespace fesk::postgres
