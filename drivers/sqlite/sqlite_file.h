#pragma once
// One thread's open file in SQLite. Sequential reads are prepared range
// queries over the key's index, bounded by the position the file layer passes
// (values and rowid): one seek, then one step per record. A run of reads in
// one direction keeps its statement live and steps it, instead of seeking
// again, as long as each read starts where the previous one ended. Inside a
// transaction the run goes on across this thread's own writes, and once they
// meet it, it reads rows ahead: a write makes a stepping statement seek again,
// a row read ahead does not. Statements are prepared once per shape of read
// and per kind of write.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drivers/common/run_order.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_read_sql.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/driver.h"
#include "runtime/files/file_history.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

class SqliteFile : public apprt::DriverFile,
                   public apprt::HistoryKeepingFile,
                   public drivers::HeldReads {
 public:
  SqliteFile(std::shared_ptr<Connection> connection, std::string schema,
             const apprt::FileDeclaration& file);
  ~SqliteFile() override;

  const apprt::FileDeclaration& declaration() const { return file_; }
  Connection& connection() { return *connection_; }
  const Connection& connection() const { return *connection_; }
  // The name the connection has attached the file's database under, and its
  // table qualified with it.
  const std::string& schema() const { return schema_; }
  const std::string& table() const { return table_; }
  // The status of a failed SQLite call on the file (Connection::failure).
  apprt::DriverStatus failure(int result) const;
  // Runs statements that answer no rows on the file's connection; a failure
  // as failure() tells it.
  apprt::DriverStatus execute(const std::string& sql);
  // Commits of other programs are watched for while the file is open (change_watch.h).
  void keepWatched(std::shared_ptr<const void> watch) { watch_ = std::move(watch); }

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

  apprt::DriverStatus readHistory(
      const apprt::HistoryRead& read,
      const std::function<bool(const apprt::HistoryEntry&)>& take) override;
  apprt::DriverStatus pruneHistory(const std::string& before, std::uint64_t& removed) override;
  apprt::DriverStatus readWholeHistory(
      const std::function<bool(apprt::HistoryEntry&)>& take) override;
  apprt::DriverStatus storedIdentities(std::vector<apprt::RecordIdentity>& identities) override;
  apprt::DriverStatus carryHistory(bool replace,
                                   std::unique_ptr<apprt::HistoryCarry>& carry) override;

  void releaseReads() override;

  // The SQL of every statement prepared so far (the query-plan tests look at each).
  std::vector<std::string> preparedSql() const;

 private:
  std::shared_ptr<const void> watch_;
  // A record as read: its identity and the record image.
  struct ReadRow {
    apprt::RecordIdentity identity = 0;
    std::string image;
  };
  // The read that stays live between calls of a run.
  struct LiveRun {
    explicit LiveRun(const apprt::FileDeclaration& file) : order(file) {}
    Statement* statement = nullptr;
    drivers::RunOrder order;
    apprt::Direction direction = apprt::Direction::kForward;
    apprt::RecordIdentity identity = 0;  // of the record it answered last
    bool merged = false;                 // two ranges merged (mergesRanges)
    bool metWrite = false;               // a write of the thread came while it was live
    std::vector<ReadRow> ahead;          // [aheadNext, aheadEnd) read, not answered yet
    std::size_t aheadNext = 0;
    std::size_t aheadEnd = 0;
    ReadRow answered;              // the record answered last, while rows are read ahead
    bool ended = false;            // the statement ended while reading ahead
    int aheadFailure = SQLITE_OK;  // or failed there
  };
  // A prepared read, found again by what its text depends on.
  struct ReadShape {
    std::vector<int> fields;
    int key = -1;
    std::string filter;
    apprt::Direction direction = apprt::Direction::kForward;
    ReadStart start = ReadStart::kEdge;
    bool operator==(const ReadShape&) const = default;
  };

  Statement* cached(const std::string& sql, apprt::DriverStatus& status);
  Statement* readStatement(const ReadShape& shape, apprt::DriverStatus& status);
  bool continuesRun(const apprt::ReadOrder& order, const apprt::ReadBound& from,
                    apprt::Direction direction) const;
  apprt::DriverStatus stepRead(std::span<char> record, apprt::RecordIdentity& identity);
  void readAhead(std::span<const char> answered);
  // Before a write of the record `identity` (0 for a new one) that leaves
  // `written` stored (null when it removes it).
  void runMeetsWrite(apprt::RecordIdentity identity, const char* written);
  // Whether the record (identity, image) lies after `row` in the run's order
  // and direction.
  bool beyond(apprt::RecordIdentity identity, const char* image, const ReadRow& row) const;
  void copyRow(const Statement& statement, std::span<char> record) const;
  void bindRecord(Statement& statement, std::span<const char> record, int firstIndex) const;
  // Steps a write and resets it; a change it made counts as this program's
  // own commit (Connection::changed). sqlite3_changes still tells it after.
  int stepWrite(Statement& statement);

  std::shared_ptr<Connection> connection_;
  std::string schema_;
  const apprt::FileDeclaration& file_;
  std::string table_;                            // schema-qualified
  std::string columns_;                          // id and every field
  std::map<std::string, Statement> statements_;  // by their text, stable in place
  std::vector<std::pair<ReadShape, Statement*>> reads_;
  Statement* insert_ = nullptr;
  Statement* update_ = nullptr;
  Statement* checkedUpdate_ = nullptr;
  Statement* delete_ = nullptr;
  LiveRun run_;
};

}  // namespace fesk::sqlite
