#include "file_test_support.h"

#include <sqlite3.h>

#include <cstdlib>

namespace filetest {

TemporaryDataDirectory::TemporaryDataDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "fesk-files-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data());
  apprt::setDataDirectory(path_);
}

TemporaryDataDirectory::~TemporaryDataDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void runSql(const std::filesystem::path& database, const std::string& statements) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statements.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

void openTestFiles() {
  for (const apprt::FileDeclaration* file : {static_cast<const apprt::FileDeclaration*>(&CODES),
                                             static_cast<const apprt::FileDeclaration*>(&ITEMS)}) {
    file->open(apprt::kOpenSharedReadWrite);
    if (apprt::ERRCODE() == apprt::kFileNotFound) {
      file->create();
      file->open(apprt::kOpenSharedReadWrite);
    }
    ASSERT_EQ(apprt::ERRCODE(), 0) << file->fileName() << ": " << apprt::FILEERRORMSG();
  }
}

void closeTestFiles() {
  apprt::rollbackTransaction();
  if (CODES.isOpen()) CODES.close();
  if (ITEMS.isOpen()) ITEMS.close();
}

void FileTest::SetUp() {
  bindDriver(CODES, fesk::sqlite::defaultDriver());
  bindDriver(ITEMS, fesk::sqlite::defaultDriver());
  openTestFiles();
}

void FileTest::TearDown() {
  closeTestFiles();
}

namespace {

void addRecord(const apprt::FileDeclaration& file, const std::string& first,
               const std::string& second) {
  file.clear();
  file.field(0).assign(first);
  file.field(1).assign(second);
  file.add();
  ASSERT_EQ(apprt::ERRCODE(), 0) << file.fileName() << " " << first;
}

}  // namespace

void FileTest::addCode(const std::string& code, const std::string& name) {
  addRecord(CODES, code, name);
}

void FileTest::addItem(const std::string& code, const std::string& number) {
  addRecord(ITEMS, code, number);
}

std::vector<std::string> FileTest::readAll(const apprt::KeyDeclaration& key) {
  std::vector<std::string> rows;
  CODES.setOnKey(key);
  for (CODES.next(); apprt::ERRCODE() == 0; CODES.next()) {
    rows.push_back(CODES.buffer().CODE.text() + "/" + CODES.buffer().NAME.text());
  }
  return rows;
}

}  // namespace filetest
