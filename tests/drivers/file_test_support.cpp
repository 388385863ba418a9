#include "file_test_support.h"

namespace filetest {

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
  CODES.bindDriver(dataSet_.driver());
  ITEMS.bindDriver(dataSet_.driver());
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
