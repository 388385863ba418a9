#include "drivers/sqlite/record_salvage.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <system_error>

#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/file_placing.h"
#include "drivers/sqlite/open_markers.h"
#include "drivers/sqlite/record_sources.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

namespace fs = std::filesystem;
using apprt::DriverStatus;

DriverStatus systemFailure(const std::string& what, int error) {
  return {apprt::kDriverError, std::to_string(error),
          what + ": " + std::generic_category().message(error)};
}

// Another name for the damaged file at `path`, in the same directory, that
// no file had: a second name of the same file, so that the file's name can
// then take the new one without the damaged file ever being written.
DriverStatus keepAside(const fs::path& path, fs::path& aside) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string start = path.stem().string() + ".damaged-" + stamp;
  for (int attempt = 1;; ++attempt) {
    aside = path.parent_path() / (start + (attempt > 1 ? "-" + std::to_string(attempt) : "") +
                                  path.extension().string());
    if (::link(path.c_str(), aside.c_str()) == 0) return {};
    if (errno != EEXIST) {
      return systemFailure("cannot keep the damaged file as " + aside.filename().string(), errno);
    }
  }
}

// Copies every record `damaged` still gives into the file's table in `saved`
// (in an open transaction there): each source read from its start and, when
// damage stops it, from its end. A record already copied, or one that would
// break a unique key or holds no value where one is required, is passed over.
// `held` becomes the records of a source that read whole from its start to
// its end (the most of them), which is what the file held: -1 when none did.
DriverStatus copyReadable(sqlite3* damaged, PrivateConnection& saved,
                          const apprt::FileDeclaration& file, sqlite3_int64& held) {
  std::string names = "id";
  std::string values = "?1";
  for (std::size_t i = 0; i < file.fields().size(); ++i) {
    names += ", " + columnName(file, static_cast<int>(i));
    values += ", ?" + std::to_string(i + 2);
  }
  Statement insert(saved.db(), "INSERT OR IGNORE INTO " + tableName(file) + " (" + names +
                                   ") VALUES (" + values + ")");
  if (!insert.prepared()) return sqliteFailure(saved.db(), insert.prepareResult());
  int failed = SQLITE_OK;
  const auto copy = [&](const Statement& row) {
    if (failed != SQLITE_OK) return;
    insert.bindInt(1, row.columnInt(0));
    for (std::size_t i = 0; i < file.fields().size(); ++i) {
      const int column = static_cast<int>(i) + 1;
      if (sqlite3_column_type(row.get(), column) != SQLITE_NULL) {
        insert.bindText(column + 1, row.columnText(column));
      }
    }
    if (const int result = insert.step(); result != SQLITE_DONE) failed = result;
    insert.reset();
  };
  // The indexes first: in a file whose table is damaged, a record's copy in
  // an intact index is the one to trust over what a damaged page gives.
  std::vector<RecordSource> sources = recordSources(file);
  std::rotate(sources.begin(), sources.begin() + 1, sources.end());
  held = -1;
  for (const RecordSource& source : sources) {
    sqlite3_int64 read = 0;
    const auto countAndCopy = [&](const Statement& row) {
      ++read;
      copy(row);
    };
    if (readSource(damaged, "main", file, source, false, countAndCopy) == SQLITE_DONE) {
      held = std::max(held, read);
    } else {
      readSource(damaged, "main", file, source, true, copy);
    }
    if (failed != SQLITE_OK) return sqliteFailure(saved.db(), failed);
  }
  return {};
}

// The highest identity the damaged file ever gave, when it can still be read:
// identities of lost records must not come back for new ones.
sqlite3_int64 identitiesGiven(sqlite3* damaged, const apprt::FileDeclaration& file) {
  Statement given(damaged,
                  "SELECT seq FROM sqlite_sequence WHERE name = " + quotedText(file.fileName()));
  return given.prepared() && given.step() == SQLITE_ROW ? given.columnInt(0) : 0;
}

// What a salvage saved, and what the damaged file held as far as can be told
// (-1 when no source of it read whole).
struct Saved {
  sqlite3_int64 records = 0;
  sqlite3_int64 held = -1;
};

// Builds the new file at `temporary`: the file's table with the records saved
// from `damaged`, its keys; answers how many records it holds.
DriverStatus buildSaved(const fs::path& damagedPath, const fs::path& temporary,
                        const apprt::FileDeclaration& file, Saved& saving) {
  PrivateConnection damaged(damagedPath, SQLITE_OPEN_READONLY);
  if (damaged.result() != SQLITE_OK) return openFailure(damaged.db(), damaged.result());
  if (DriverStatus schema = checkSchema(damaged.db(), "main", file);
      !schema.ok() && schema.code != apprt::kKeysInvalid) {
    return schema;  // a table of another shape: nothing of it can be placed in the file
  }
  PrivateConnection saved(temporary, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  saved.execute("PRAGMA journal_mode = DELETE");
  saved.execute("BEGIN IMMEDIATE");
  saved.execute(createTableSql(file) + ";" + createIndexesSql(file));
  if (saved.result() != SQLITE_OK) return openFailure(saved.db(), saved.result());
  if (DriverStatus copied = copyReadable(damaged.db(), saved, file, saving.held); !copied.ok()) {
    return copied;
  }
  const std::string table = quotedText(file.fileName());
  const std::string given = std::to_string(identitiesGiven(damaged.db(), file));
  saved.execute("UPDATE sqlite_sequence SET seq = max(seq, " + given + ") WHERE name = " + table +
                "; INSERT INTO sqlite_sequence (name, seq) SELECT " + table + ", " + given +
                " WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = " + table + ")");
  saved.execute("COMMIT");
  if (saved.result() != SQLITE_OK) return openFailure(saved.db(), saved.result());
  Statement count(saved.db(), "SELECT count(*) FROM " + tableName(file));
  saving.records = count.prepared() && count.step() == SQLITE_ROW ? count.columnInt(0) : 0;
  return {};
}

std::string counted(sqlite3_int64 records) {
  return std::to_string(records) + (records == 1 ? " record" : " records");
}

std::string savedReport(const Saved& saved, const fs::path& aside) {
  std::string report =
      counted(saved.records) + (saved.records == 1 ? " was" : " were") + " saved into a new file";
  if (saved.held < 0) {
    report += ", and the damaged pages may have held more that could not be read";
  } else {
    report += ", and " + counted(std::max<sqlite3_int64>(saved.held - saved.records, 0)) +
              " could not be read";
  }
  return report + "; the damaged file is kept as " + aside.string();
}

}  // namespace

DriverStatus salvageRecords(const fs::path& path, const apprt::FileDeclaration& file,
                            std::string& answer) {
  CreationLock lock(path.parent_path());
  if (lock.error() != 0) {
    return systemFailure("cannot save the records of " + file.fileName(), lock.error());
  }
  // Whoever has the file open would go on writing to the damaged one; this
  // process writes nothing more to a file it found damaged.
  OpenMarkers& markers = OpenMarkers::forThisProcess();
  const bool openHere = markers.openHere(path);
  if (markers.openInOtherProcesses(path) || (openHere && markers.knownDamage(path).ok())) {
    return {apprt::kDriverError, "",
            file.fileName() + " is open in another window or program; close it there first"};
  }
  // Behind a link, the damaged file is its target: kept, and replaced, there.
  std::error_code error;
  const fs::path place = fs::canonical(path, error);
  if (error || inspectDatabase(place) != FoundFile::kDatabase) {
    return {apprt::kFileInvalid, "", file.fileName() + " is not a database; nothing was saved"};
  }
  const fs::path temporary = place.string() + ".saving";
  const auto discardTemporary = [&] {
    fs::remove(temporary, error);
    removeCompanions(temporary);
  };
  discardTemporary();  // left by a salvage that was cut short
  Saved saved;
  if (DriverStatus built = buildSaved(place, temporary, file, saved); !built.ok()) {
    discardTemporary();
    return built;
  }
  fs::path aside;
  if (DriverStatus kept = keepAside(place, aside); !kept.ok()) {
    discardTemporary();
    return kept;
  }
  // A journal beside the damaged file would be played into the new one.
  removeCompanions(place);
  if (std::rename(temporary.c_str(), place.c_str()) != 0) {
    DriverStatus failure = systemFailure("cannot place the saved records", errno);
    fs::remove(aside, error);  // the damaged file is still at its name
    discardTemporary();
    return failure;
  }
  lock.syncDirectory();
  markers.replaced(path);
  answer = savedReport(saved, aside);
  return {};
}

}  // namespace fesk::sqlite
