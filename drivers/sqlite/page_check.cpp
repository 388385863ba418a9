#include "drivers/sqlite/page_check.h"

#include <cstdint>
#include <vector>

#include "drivers/sqlite/background_check.h"
#include "drivers/sqlite/open_markers.h"
#include "drivers/sqlite/record_sources.h"
#include "drivers/sqlite/sqlite_connection.h"
#include "drivers/sqlite/sqlite_schema.h"
#include "drivers/sqlite/sqlite_statement.h"
#include "runtime/files/file_declaration.h"

namespace fesk::sqlite {
namespace {

// Whether every row of every table of `schema` reads, every column of it.
bool tablesRead(sqlite3* db, const std::string& schema) {
  const std::string prefix = quotedName(schema) + ".";
  std::vector<std::string> tables;
  Statement list(db, "SELECT name FROM " + prefix + "sqlite_schema WHERE type = 'table'");
  int result = SQLITE_ROW;
  while (list.prepared() && (result = list.step()) == SQLITE_ROW) {
    tables.emplace_back(list.columnText(0));
  }
  if (!list.prepared() || result != SQLITE_DONE) return false;
  for (const auto& table : tables) {
    Statement scan(db, "SELECT * FROM " + prefix + quotedName(table) + " NOT INDEXED");
    if (!scan.prepared()) return false;
    while ((result = scan.step()) == SQLITE_ROW) {
      for (int column = 0; column < sqlite3_column_count(scan.get()); ++column) {
        sqlite3_column_bytes(scan.get(), column);
      }
    }
    if (result != SQLITE_DONE) return false;
  }
  return true;
}

// What a source of records holds, whatever the order it is read in: the
// number of records and a sum of a hash of each.
struct Holding {
  std::uint64_t records = 0;
  std::uint64_t hashSum = 0;
  bool whole = false;  // read to its end
  bool operator==(const Holding&) const = default;
};

Holding holdingOf(sqlite3* db, const std::string& schema, const apprt::FileDeclaration& file,
                  const RecordSource& source) {
  Holding holding;
  const int result = readSource(db, schema, file, source, false, [&](const Statement& row) {
    std::uint64_t hash = 14695981039346656037u;  // FNV-1a over the identity and the fields
    const auto mix = [&](std::string_view bytes) {
      for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211u;
      hash = (hash ^ 0xff) * 1099511628211u;
    };
    mix(std::to_string(row.columnInt(0)));
    for (std::size_t i = 0; i < file.fields().size(); ++i) {
      mix(row.columnText(static_cast<int>(i) + 1));
    }
    ++holding.records;
    holding.hashSum += hash;
  });
  holding.whole = result == SQLITE_DONE;
  return holding;
}

// Whether the table, read in the order of its identities, gives them rising
// with every record whole: each field a text value. Damage in a table page
// that still reads shows there (a record under its neighbour's identity, a
// field of another type); damage to the indexes alone leaves it so.
bool tableHoldsItsOwnOrder(sqlite3* db, const std::string& schema,
                           const apprt::FileDeclaration& file) {
  sqlite3_int64 last = 0;
  bool ordered = true;
  const int result =
      readSource(db, schema, file, recordSources(file).front(), false, [&](const Statement& row) {
        const sqlite3_int64 identity = row.columnInt(0);
        ordered = ordered && identity > last;
        last = identity;
        for (std::size_t i = 0; i < file.fields().size(); ++i) {
          ordered =
              ordered && sqlite3_column_type(row.get(), static_cast<int>(i) + 1) == SQLITE_TEXT;
        }
      });
  return result == SQLITE_DONE && ordered;
}

// Whether the file's table reads whole: read to its end, it holds exactly
// what a key's index that also reads to its end holds. Damage in a table page
// can leave it readable to the end with records lost or garbled, which no
// page-level finding tells from damage in an index; a sound index does. When
// no index reads whole (a file of one key whose index is hit, or every index
// hit), the table must vouch for itself: its identities rising, its records
// whole, so that the keys can be rebuilt from it as in a file of two keys.
bool tableReadsWhole(sqlite3* db, const std::string& schema, const apprt::FileDeclaration& file) {
  const auto sources = recordSources(file);
  const Holding table = holdingOf(db, schema, file, sources.front());
  if (!table.whole) return false;
  bool anIndexReadsWhole = false;
  for (std::size_t i = 1; i < sources.size(); ++i) {
    const Holding index = holdingOf(db, schema, file, sources[i]);
    if (index == table) return true;
    anIndexReadsWhole = anIndexReadsWhole || index.whole;
  }
  return !anIndexReadsWhole && tableHoldsItsOwnOrder(db, schema, file);
}

enum class CheckDue { kNot, kNow, kInBackground };

// A small file is checked at every open, and a file a process met damage in
// at its next open, before anything of it is shown or written. A large file
// that another process left open when it ended is checked beside the user's
// work (background_check.h).
CheckDue checkDueAtOpen(const std::filesystem::path& database) {
  std::error_code error;
  const auto size = std::filesystem::file_size(database, error);
  OpenMarkers& markers = OpenMarkers::forThisProcess();
  if (error || size <= kCheckedAtEveryOpenBytes || markers.damageMarked(database)) {
    return CheckDue::kNow;
  }
  return markers.uncleanEndMarked(database) ? CheckDue::kInBackground : CheckDue::kNot;
}

}  // namespace

apprt::DriverStatus checkPages(sqlite3* db, const std::string& schema,
                               const apprt::FileDeclaration& file) {
  const std::string& fileName = file.fileName();
  bool sound = true;
  std::string problem;
  Statement check(db, "PRAGMA " + quotedName(schema) + ".quick_check");
  if (!check.prepared()) return openFailure(db, check.prepareResult());
  int result;
  while ((result = check.step()) == SQLITE_ROW) {
    // The first finding, past the line that names the database.
    const std::string_view line = check.columnText(0);
    if (line == "ok") continue;
    sound = false;
    if (problem.empty() && !line.starts_with("***")) problem = line;
  }
  if (result != SQLITE_DONE) {
    apprt::DriverStatus failure = openFailure(db, result);
    if (failure.code != apprt::kFileInvalid) return failure;
    sound = false;
    if (problem.empty()) problem = failure.driverMessage;
  }
  if (sound) return {};
  check = Statement();  // the scan below must not wait behind it
  if (tablesRead(db, schema) && tableReadsWhole(db, schema, file)) {
    return {apprt::kKeysInvalid, "", fileName + ": damaged keys (" + problem + ")"};
  }
  return {apprt::kFileInvalid, std::string(apprt::kDamagedDriverCode),
          fileName + " is damaged (" + problem + ")"};
}

apprt::DriverStatus checkPagesWhenDue(sqlite3* db, const std::string& schema,
                                      const std::filesystem::path& path,
                                      const apprt::FileDeclaration& file) {
  switch (checkDueAtOpen(path)) {
    case CheckDue::kNot:
      return {};
    case CheckDue::kInBackground:
      BackgroundChecks::forThisProcess().schedule(path, file);
      return {};
    case CheckDue::kNow:
      // What this check finds is what the open reports: a finding of an
      // earlier check in the background is not reported again.
      BackgroundChecks::forThisProcess().takeDamageFound(path);
      break;
  }
  apprt::DriverStatus status = checkPages(db, schema, file);
  rememberVerdict(path, status);
  return status;
}

bool tellsDamage(const apprt::DriverStatus& status) {
  return status.code == apprt::kKeysInvalid || status.code == apprt::kFileInvalid;
}

void rememberVerdict(const std::filesystem::path& path, const apprt::DriverStatus& verdict) {
  // What asked for the check goes only when the file is sound; a check that
  // could not read the file leaves it asked for at the next open.
  if (tellsDamage(verdict)) {
    OpenMarkers::forThisProcess().damageFound(path, verdict);
  } else if (verdict.ok()) {
    OpenMarkers::forThisProcess().foundSound(path);
  }
}

apprt::DriverStatus classifyDamage(sqlite3* db, const std::string& schema,
                                   const std::filesystem::path& path,
                                   const apprt::FileDeclaration& file,
                                   const apprt::DriverStatus& met) {
  apprt::DriverStatus verdict = checkPages(db, schema, file);
  if (!tellsDamage(verdict)) verdict = met;  // the check saw nothing: what was met stands
  if (tellsDamage(verdict)) OpenMarkers::forThisProcess().damageFound(path, verdict);
  return verdict;
}

}  // namespace fesk::sqlite
