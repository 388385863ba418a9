#pragma once
// One thread's open file on the database server. Reads are served from a
// block of records read ahead in one statement, so from one snapshot
// (pg_read_block.h): a read from a position (a page being loaded, a row stood
// on again) reads the records on both sides of it, a run that outgrows its
// block reads a bigger one beyond it. The block goes before the thread waits
// (so nothing older than the current burst of work is ever answered), and on
// any write it cannot take in.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "drivers/postgres/pg_read_block.h"
#include "drivers/postgres/pg_server_session.h"
#include "runtime/files/bulk_add.h"
#include "runtime/files/driver.h"
#include "runtime/files/file_history.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

class PgFile : public apprt::DriverFile,
               public apprt::HistoryKeepingFile,
               public drivers::HeldReads {
 public:
  PgFile(std::shared_ptr<ServerSession> session, const std::string& schema,
         const apprt::FileDeclaration& file, bool readOnly);
  ~PgFile() override;

  const apprt::FileDeclaration& declaration() const { return file_; }
  ServerSession& session() { return *session_; }
  const std::string& table() const { return table_; }
  // Opened for reading only: a transaction over such files only reads.
  bool readOnly() const { return readOnly_; }

  apprt::DriverStatus read(const apprt::ReadOrder& order, const apprt::ReadBound& from,
                           apprt::Direction direction, std::span<char> record,
                           apprt::RecordIdentity& identity) override;
  apprt::DriverStatus fetch(apprt::RecordIdentity identity, std::span<char> record) override;
  apprt::DriverStatus add(std::span<const char> record, apprt::RecordIdentity& identity) override;
  apprt::DriverStatus put(apprt::RecordIdentity identity, std::span<const char> record,
                          const std::string* expected) override;
  apprt::DriverStatus remove(apprt::RecordIdentity identity) override;
  apprt::DriverStatus hasDuplicate(int key, std::span<const char> record,
                                   apprt::RecordIdentity except, bool& found) override;

  std::unique_ptr<apprt::DriverBulkAdd> addInBulk(
      const std::optional<apprt::ParentRule>& parent) override;

  // With COPY ... TO STDOUT: the rows stream in as the server sends them, in
  // one statement, so from one snapshot.
  bool readAll(const apprt::ReadOrder& order,
               const std::function<bool(std::span<const char> record)>& take,
               apprt::DriverStatus& status) override;

  apprt::DriverStatus readHistory(
      const apprt::HistoryRead& read,
      const std::function<bool(const apprt::HistoryEntry&)>& take) override;
  apprt::DriverStatus pruneHistory(const std::string& before, std::uint64_t& removed) override;
  apprt::DriverStatus readWholeHistory(
      const std::function<bool(apprt::HistoryEntry&)>& take) override;
  apprt::DriverStatus storedIdentities(std::vector<apprt::RecordIdentity>& identities) override;
  apprt::DriverStatus carryHistory(bool replace,
                                   std::unique_ptr<apprt::HistoryCarry>& carry) override;

  void releaseReads() override { block_.drop(); }

  // The record whose fields are the columns 1... of the answer's `row`.
  std::string imageOf(const Result& result, int row) const;
  // The record whose fields hold `valueOf` each field (from 0).
  std::string imageOf(const std::function<std::string_view(int field)>& valueOf) const;
  // The stored values of the record's fields; 90 when one is no text.
  apprt::DriverStatus storedValues(std::span<const char> record,
                                   std::vector<std::string>& values) const;

 private:
  // What a block is read from a bound: the records around it, `limit` on
  // each side; `limit` on in the direction; or on in the direction, every
  // record that holds the bound's value (up to the largest block) and then
  // `limit` more (runQuery()).
  enum class Reach { kAround, kOn, kRun };
  apprt::DriverStatus fetchBlock(const apprt::ReadOrder& order, const apprt::ReadBound& from,
                                 apprt::Direction direction, Reach reach, int limit);
  apprt::DriverStatus writeOver(apprt::RecordIdentity identity, std::span<const char> record,
                                const std::string* expected);
  // Takes a write of the record `identity`, now `record` (null: removed), into the block.
  void afterWrite(const apprt::DriverStatus& status, apprt::RecordIdentity identity,
                  const char* record);
  apprt::DriverStatus answer(std::size_t row, std::span<char> record,
                             apprt::RecordIdentity& identity);
  // "FILE record V...": the record by the values of its first key, in messages.
  std::string describe(std::span<const char> record) const;
  // Makes update_ for the file's fields and unique keys.
  void planUpdates();
  // Writes the stored values over the record (none of its unique keys
  // duplicated): 35 when it is gone, 40 on a duplicate. In a file without
  // unique keys queued inside a transaction (pg_server_session.h), its failure
  // then told later.
  apprt::DriverStatus write(apprt::RecordIdentity identity, std::vector<std::string> values,
                            std::span<const char> record);
  std::shared_ptr<ServerSession> session_;
  const apprt::FileDeclaration& file_;
  std::string schema_;
  std::string table_;    // schema-qualified, quoted
  std::string columns_;  // id and every field
  // Runs of updates (of a file without unique keys) and of removes, as one
  // statement each, a run of one too (pg_gathered_writes.h).
  std::string gatheredUpdate_;
  std::string gatheredRemove_;
  // The update of one record of a file with unique keys (write()), and the
  // fields (from 0) of the keys it must not meet, whose values it takes
  // after the identity.
  std::string update_;
  std::vector<int> uniqueKeyFields_;
  bool readOnly_;
  ReadBlock block_;
};

}  // namespace fesk::postgres
