#include "drivers/sqlite/database_file.h"

#include <cerrno>
#include <fstream>
#include <string_view>

#include "drivers/sqlite/sqlite_connection.h"

namespace fesk::sqlite {
namespace {

constexpr std::string_view kHeader{"SQLite format 3\0", 16};

}  // namespace

FoundFile inspectDatabase(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_symlink(path, error) && !std::filesystem::exists(path, error)) {
    return FoundFile::kDanglingLink;
  }
  if (!std::filesystem::is_regular_file(path, error)) return FoundFile::kMissing;
  if (std::filesystem::file_size(path, error) == 0 && !error) return FoundFile::kEmpty;
  std::ifstream in(path, std::ios::binary);
  std::string head(kHeader.size(), '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  return head == kHeader ? FoundFile::kDatabase : FoundFile::kNotADatabase;
}

apprt::DriverStatus danglingLinkFailure(const std::filesystem::path& link) {
  std::error_code error;
  const auto target = std::filesystem::read_symlink(link, error);
  return {apprt::kDriverError, std::to_string(ENOENT),
          link.string() + " is a link to " + target.string() +
              ", which cannot be found (is its drive or share connected?); nothing was created"};
}

PrivateConnection::PrivateConnection(const std::filesystem::path& path, int flags) {
  result_ = sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kDefaultBusyMilliseconds);
}

int PrivateConnection::execute(const std::string& sql) {
  if (result_ == SQLITE_OK) result_ = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  return result_;
}

}  // namespace fesk::sqlite
