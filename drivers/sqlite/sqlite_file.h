#pragma once
// One thread's open file in SQLite. Sequential reads are prepared range
// queries over the key's index, bounded by the position the file layer passes
// (values and rowid): one seek, then one step per record. A run of reads in
// one direction keeps its statement live and steps it, instead of seeking
// again, as long as each read starts where the previous one ended; inside a
// transaction the run goes on across this thread's own writes. Statements are
// prepared once per shape of read and per kind of write.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_read_sql.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

class SqliteFile : public apprt::DriverFile, public LiveReads {
 public:
  SqliteFile(std::shared_ptr<Connection> connection, std::string schema,
             const apprt::FileDeclaration& file);
  ~SqliteFile() override;

  const apprt::FileDeclaration& declaration() const { return file_; }
  Connection& connection() { return *connection_; }

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

  void releaseReads() override;
  void beforeOwnWrite() override;

  // The SQL of every statement prepared so far (the query-plan tests look at each).
  std::vector<std::string> preparedSql() const;

 private:
  // The read that stays live between calls of a run.
  struct LiveRun {
    Statement* statement = nullptr;
    std::vector<int> fields;
    std::string filter;
    apprt::Direction direction = apprt::Direction::kForward;
    apprt::RecordIdentity identity = 0;  // of the record it answered last
    bool merged = false;                 // two ranges merged (mergesRanges)
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
  void copyRow(const Statement& statement, std::span<char> record) const;
  void bindRecord(Statement& statement, std::span<const char> record, int firstIndex) const;
  apprt::DriverStatus failure(int result) const;

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
