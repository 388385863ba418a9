#pragma once
// One thread's open file on the database server. Reads that go on in one
// direction are served from a block of records fetched ahead in one round
// trip (and a bigger block each time the run outgrows one); the block goes on
// any read that does not continue it, before the thread waits (so nothing
// older than the current burst of work is ever answered), and on any write of
// the file that may change what lies ahead in it. A run that writes each
// record it reads (a cascade) keeps its block: the record written was behind
// the run, and where it moves to is checked against the block.

#include <memory>
#include <string>
#include <vector>

#include "drivers/postgres/pg_connection.h"
#include "runtime/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::postgres {

class PgFile : public apprt::DriverFile, public ReadAhead {
 public:
  PgFile(std::shared_ptr<Connection> connection, const std::string& schema,
         const apprt::FileDeclaration& file, bool readOnly);
  ~PgFile() override;

  const apprt::FileDeclaration& declaration() const { return file_; }
  Connection& connection() { return *connection_; }
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

  void dropReadAhead() override { block_ = {}; }
  // Before a write of the record `identity`, to become `record` (null: removed).
  void keepReadAheadThrough(apprt::RecordIdentity identity, const char* record);

 private:
  struct Row {
    apprt::RecordIdentity identity;
    std::string image;  // the record as the buffer holds it
  };
  struct Block {
    bool live = false;
    std::vector<int> fields;
    std::string filter;
    apprt::Direction direction = apprt::Direction::kForward;
    std::vector<Row> rows;
    std::size_t next = 0;   // the row a continuing read answers
    bool complete = false;  // the server had no more rows
    int limit = 0;
  };

  bool continuesBlock(const apprt::ReadOrder& order, const apprt::ReadBound& from,
                      apprt::Direction direction);
  apprt::DriverStatus fetchBlock(const apprt::ReadOrder& order, const apprt::ReadBound& from,
                                 apprt::Direction direction, int limit);
  apprt::DriverStatus answer(std::span<char> record, apprt::RecordIdentity& identity);
  std::string imageOf(const Result& result, int row) const;
  // Writes the stored values over the record (none of its unique keys
  // duplicated): 35 when it is gone, 40 on a duplicate.
  apprt::DriverStatus write(apprt::RecordIdentity identity, std::vector<std::string> values,
                            std::span<const char> record);
  // The stored values of the record's fields; 90 when one is no text.
  apprt::DriverStatus storedValues(std::span<const char> record,
                                   std::vector<std::string>& values) const;

  std::shared_ptr<Connection> connection_;
  const apprt::FileDeclaration& file_;
  std::string table_;    // schema-qualified, quoted
  std::string columns_;  // id and every field
  bool readOnly_;
  Block block_;
};

}  // namespace fesk::postgres
