#include "drivers/sqlite/whole_file_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "drivers/sqlite/database_creation.h"
#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/file_placing.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

namespace fs = std::filesystem;
using apprt::DriverStatus;

// Pages copied between two reports of progress: 4 MiB of 4 KiB pages, so
// that a stop is answered within a fraction of a second.
constexpr int kPagesPerStep = 1024;

fs::path temporaryOf(const FileToCopy& file) {
  return file.to.string() + ".copy";
}

void removeTemporaries(std::span<const FileToCopy> files) {
  std::error_code ignored;
  for (const auto& file : files) {
    fs::remove(temporaryOf(file), ignored);
    removeCompanions(temporaryOf(file));
  }
}

std::string schemaOf(std::size_t index) {
  return index == 0 ? "main" : "copied" + std::to_string(index);
}

DriverStatus failureOf(const FileToCopy& file, std::string what) {
  return {apprt::kDriverError, "", file.file->fileName() + ": " + std::move(what)};
}

// The records of the file's table in the database attached as `schema`.
DriverStatus countRecords(sqlite3* db, const std::string& schema,
                          const apprt::FileDeclaration& file, std::uint64_t& records) {
  Statement count(db, "SELECT count(*) FROM " + quotedName(schema) + "." + tableName(file));
  const int result = count.prepared() ? count.step() : count.prepareResult();
  if (result != SQLITE_ROW) return sqliteFailure(db, result);
  records = static_cast<std::uint64_t>(count.columnInt(0));
  return {};
}

// The source files in one connection, with a write transaction open over all
// of them that holds every other writer off until it ends; their records
// counted inside it.
class SourceHold {
 public:
  SourceHold(std::span<const FileToCopy> files, int waitSeconds,
             std::vector<std::uint64_t>& records)
      : connection_(files.front().from) {
    for (std::size_t i = 1; i < files.size(); ++i) {
      connection_.execute("ATTACH DATABASE " + quotedText(files[i].from.string()) + " AS " +
                          quotedName(schemaOf(i)));
    }
    sqlite3_busy_timeout(connection_.db(), waitSeconds * 1000);
    if (const int result = connection_.execute("BEGIN IMMEDIATE"); result != SQLITE_OK) {
      status_ = (result & 0xff) == SQLITE_BUSY ? heldByOtherUsers(names(files), waitSeconds, result)
                                               : openFailure(connection_.db(), result);
      return;
    }
    records.assign(files.size(), 0);
    for (std::size_t i = 0; i < files.size() && status_.ok(); ++i) {
      status_ = checkSchema(connection_.db(), schemaOf(i), *files[i].file);
      if (status_.ok())
        status_ = countRecords(connection_.db(), schemaOf(i), *files[i].file, records[i]);
    }
  }
  ~SourceHold() { connection_.rollback(); }
  SourceHold(const SourceHold&) = delete;
  SourceHold& operator=(const SourceHold&) = delete;

  const DriverStatus& status() const { return status_; }

 private:
  static std::string names(std::span<const FileToCopy> files) {
    std::string names;
    for (const auto& file : files) names += (names.empty() ? "" : ", ") + file.file->fileName();
    return names;
  }

  PrivateConnection connection_;
  DriverStatus status_;
};

// Copies the pages of one file into its temporary copy. `copiedBefore` is
// what the files before it held; progress counts the records of this one as
// the share of its pages copied.
DriverStatus copyPages(const FileToCopy& file, std::uint64_t records, std::uint64_t copiedBefore,
                       apprt::WholeFilesCopy& copy) {
  // The source is read in a connection of its own: the one that holds the
  // transaction may not be read from by a backup.
  PrivateConnection source(file.from, SQLITE_OPEN_READONLY);
  PrivateConnection target(temporaryOf(file), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  if (source.result() != SQLITE_OK) return sqliteFailure(source.db(), source.result());
  if (target.execute("PRAGMA journal_mode = OFF") != SQLITE_OK) {
    return sqliteFailure(target.db(), target.result());
  }
  sqlite3_backup* backup = sqlite3_backup_init(target.db(), "main", source.db(), "main");
  if (backup == nullptr) return sqliteFailure(target.db(), sqlite3_errcode(target.db()));
  int result = SQLITE_OK;
  bool stopped = false;
  // Asked after the last step too: a stop that comes then still leaves the
  // target as it was.
  while (result == SQLITE_OK) {
    result = sqlite3_backup_step(backup, kPagesPerStep);
    if (result != SQLITE_OK && result != SQLITE_DONE) break;
    const auto total = static_cast<std::uint64_t>(sqlite3_backup_pagecount(backup));
    const auto left = static_cast<std::uint64_t>(sqlite3_backup_remaining(backup));
    const std::uint64_t copied = total == 0 ? records : records * (total - left) / total;
    if (copy.progress && !copy.progress(copiedBefore + copied)) {
      stopped = true;
      break;
    }
  }
  sqlite3_backup_finish(backup);
  if (stopped) return failureOf(file, "the copy was stopped");
  if (result != SQLITE_DONE) return sqliteFailure(target.db(), result);
  // The copy is taken for the file only when it reads as one.
  std::uint64_t held = 0;
  DriverStatus status = checkSchema(target.db(), "main", *file.file);
  if (status.ok()) status = countRecords(target.db(), "main", *file.file, held);
  if (status.ok() && held != records) {
    return failureOf(file, "the copy holds " + std::to_string(held) + " records where " +
                               std::to_string(records) + " were read");
  }
  return status;
}

// Renames the copies over the targets, taking away first what SQLite kept
// beside the old files (a journal would be played into the new file).
DriverStatus placeCopies(std::span<const FileToCopy> files) {
  for (const auto& file : files) {
    removeCompanions(file.to);
    if (std::rename(temporaryOf(file).c_str(), file.to.c_str()) != 0) {
      return failureOf(file,
                       "cannot put the copy in place: " + std::generic_category().message(errno));
    }
  }
  // The renames last through a power failure.
  const int directory = ::open(files.front().to.parent_path().c_str(), O_RDONLY | O_DIRECTORY);
  if (directory >= 0) {
    ::fsync(directory);
    ::close(directory);
  }
  return {};
}

}  // namespace

DriverStatus copyWholeFiles(std::span<const FileToCopy> files, apprt::WholeFilesCopy& copy) {
  for (const auto& file : files) {
    if (inspectDatabase(file.from) != FoundFile::kDatabase) {
      return {apprt::kFileNotFound, "", "the source has no " + file.file->fileName()};
    }
  }
  removeTemporaries(files);
  DriverStatus status;
  {
    const SourceHold hold(files, copy.waitSeconds, copy.records);
    status = hold.status();
    std::uint64_t copied = 0;
    for (std::size_t i = 0; i < files.size() && status.ok(); ++i) {
      status = copyPages(files[i], copy.records[i], copied, copy);
      copied += copy.records[i];
    }
  }
  if (status.ok()) status = placeCopies(files);
  removeTemporaries(files);
  return status;
}

}  // namespace fesk::sqlite
