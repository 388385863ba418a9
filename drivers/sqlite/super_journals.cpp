#include "drivers/sqlite/super_journals.h"

#include <vector>

#include "drivers/sqlite/database_file.h"
#include "drivers/sqlite/sqlite_schema.h"

namespace fesk::sqlite {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDatabaseExtension = ".sqlite";
constexpr const char* kSuperJournalMark = ".sqlite-mj";

std::vector<fs::path> entries(const fs::path& directory, bool superJournals) {
  std::vector<fs::path> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(directory, error)) {
    const std::string name = entry.path().filename().string();
    const bool wanted = superJournals ? name.find(kSuperJournalMark) != std::string::npos
                                      : entry.path().extension() == kDatabaseExtension;
    if (wanted && entry.is_regular_file(error)) found.push_back(entry.path());
  }
  return found;
}

}  // namespace

void removeStaleSuperJournals(const fs::path& directory) {
  if (entries(directory, true).empty()) return;
  const auto databases = entries(directory, false);
  if (databases.empty()) return;
  PrivateConnection connection(databases.front());
  // Somebody at work: the super-journals wait for a later open.
  sqlite3_busy_timeout(connection.db(), 0);
  for (std::size_t i = 1; i < databases.size(); ++i) {
    connection.execute("ATTACH DATABASE " + quotedText(databases[i].string()) + " AS " +
                       quotedName("other" + std::to_string(i)));
  }
  if (connection.execute("BEGIN IMMEDIATE") != SQLITE_OK) return;
  std::error_code ignored;
  for (const auto& superJournal : entries(directory, true)) fs::remove(superJournal, ignored);
  connection.rollback();
}

}  // namespace fesk::sqlite
