#include "file_test_support.h"

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

void FileTest::addCode(const std::string& code, const std::string& name) {
  CODES.clear();
  CODES.buffer().CODE = code;
  CODES.buffer().NAME = name;
  CODES.add();
  ASSERT_EQ(apprt::ERRCODE(), 0) << code;
}

void FileTest::addItem(const std::string& code, const std::string& number) {
  ITEMS.clear();
  ITEMS.buffer().CODE = code;
  ITEMS.buffer().NUMBER = number;
  ITEMS.add();
  ASSERT_EQ(apprt::ERRCODE(), 0) << code;
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
