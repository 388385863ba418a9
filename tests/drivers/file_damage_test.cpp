// Files that are damaged, do not match their declaration or are held by
// another writer: the open and the transaction begin say so, nothing crashes.
#include <atomic>
#include <fstream>
#include <thread>

#include "file_test_support.h"

namespace filetest {
namespace {

using apprt::ERRCODE;

class FileDamageTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    apprt::beginTransaction(2, {&CODES});
    for (int i = 0; i < 2000; ++i) addCode("code" + std::to_string(i), "name");
    apprt::commitTransaction();
    closeTestFiles();
  }
  std::filesystem::path codesPath() const { return dataSet_.directory() / "CODES.sqlite"; }
  // Damages CODES behind the driver's back, in the words of its database.
  void damage(const std::string& sqlite, const std::string& postgres) {
    dataSet_.sql("CODES", GetParam() == Store::kSqlite ? sqlite : postgres);
  }
  static int openCodes() {
    CODES.open(apprt::kOpenSharedReadWrite);
    const int code = ERRCODE();
    if (code == 0) CODES.close();
    return code;
  }
};

// Damage that only a file on a disk can take.
using SqliteFileDamageTest = FileDamageTest;

TEST_P(SqliteFileDamageTest, GarbageIsAnInvalidFileUntilItIsCreatedAgain) {
  std::ofstream(codesPath(), std::ios::binary | std::ios::trunc) << std::string(4096, '\x5a');
  EXPECT_EQ(openCodes(), apprt::kFileInvalid);
  CODES.create();
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(openCodes(), 0);
}

TEST_P(SqliteFileDamageTest, GarbageOverTheDataPagesIsAnInvalidFile) {
  {
    std::fstream file(codesPath(), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(100);
    file << std::string(8192, '\x33');
  }
  EXPECT_EQ(openCodes(), apprt::kFileInvalid);
}

TEST_P(SqliteFileDamageTest, ATruncatedFileIsInvalid) {
  const auto size = std::filesystem::file_size(codesPath());
  for (auto length : {size / 2, std::uintmax_t{50}}) {
    std::filesystem::resize_file(codesPath(), length);
    EXPECT_EQ(openCodes(), apprt::kFileInvalid) << "cut to " << length;
  }
}

TEST_P(FileDamageTest, ATableThatDoesNotMatchTheDeclarationIsAnInvalidFile) {
  damage("DROP TABLE CODES; CREATE TABLE CODES (id INTEGER PRIMARY KEY, CODE TEXT)",
         "DROP TABLE codes; CREATE TABLE codes (id bigint PRIMARY KEY, code text)");
  EXPECT_EQ(openCodes(), apprt::kFileInvalid);
  CODES.buildKeys();
  EXPECT_EQ(ERRCODE(), apprt::kFileInvalid) << "keys cannot mend a wrong table";
}

TEST_P(FileDamageTest, AMissingOrChangedIndexIsInvalidKeysAndBuildingTheKeysMendsIt) {
  damage("DROP INDEX \"CODES.KEYCODE\"", "DROP INDEX codes_keycode");
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid);
  CODES.buildKeys();
  EXPECT_EQ(ERRCODE(), 0) << apprt::FILEERRORMSG();
  ASSERT_EQ(openCodes(), 0);

  damage("DROP INDEX \"CODES.KEYCODE\"; CREATE INDEX \"CODES.KEYCODE\" ON CODES (CODE)",
         "DROP INDEX codes_keycode; CREATE INDEX codes_keycode ON codes (code)");
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid) << "the code key must be unique";
  CODES.buildKeys();
  openTestFiles();
  EXPECT_EQ(readAll(CODE_KEY).size(), 2000u);
}

TEST_P(FileDamageTest, KeysThatCannotBeBuiltBecauseOfDuplicatesSaySo) {
  damage("DROP INDEX \"CODES.KEYCODE\"; INSERT INTO CODES (CODE, NAME) VALUES ('CODE1', 'again')",
         "DROP INDEX codes_keycode; INSERT INTO codes (code, name) VALUES ('CODE1', 'again')");
  CODES.buildKeys();
  EXPECT_EQ(ERRCODE(), apprt::kDuplicateKey);
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid);
}

TEST_P(FileDamageTest, AMissingFileIsNotFound) {
  if (GetParam() == Store::kSqlite) {
    std::filesystem::remove(codesPath());
  } else {
    damage("", "DROP TABLE codes");
  }
  EXPECT_EQ(openCodes(), apprt::kFileNotFound);
}

TEST_P(FileDamageTest, TheRecoverOptionIsAcceptedAndOtherOptionsAreNot) {
  EXPECT_EQ(CODES.send("Recover=10"), "Recover=10");
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(openCodes(), 0);
  CODES.send("Recover=soon");
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_NE(apprt::FILEERRORMSG().find("Recover=soon"), std::string::npos);
}

TEST_P(FileDamageTest, ABeginOnAFileHeldByAnotherWriterFailsAfterTheTimeout) {
  std::atomic<bool> holding = false;
  std::atomic<bool> release = false;
  std::thread writer([&] {
    openTestFiles();
    apprt::beginTransaction(2, {&CODES});
    holding = ERRCODE() == 0;
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    closeTestFiles();
  });
  while (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  openTestFiles();
  apprt::beginTransaction(1, {&CODES, &ITEMS});
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_NE(apprt::FILEERRORMSG().find("CODES, ITEMS is being written by another user"),
            std::string::npos)
      << apprt::FILEERRORMSG();
  apprt::rollbackTransaction();
  EXPECT_EQ(ERRCODE(), 0) << "nothing to roll back";
  release = true;
  writer.join();
  apprt::beginTransaction(1, {&CODES, &ITEMS});
  EXPECT_EQ(ERRCODE(), 0);
  apprt::commitTransaction();
  EXPECT_EQ(ERRCODE(), 0);
}

INSTANTIATE_TEST_SUITE_P(Drivers, FileDamageTest, bothDrivers(), fesk::test::storeName);
INSTANTIATE_TEST_SUITE_P(Sqlite, SqliteFileDamageTest, ::testing::Values(Store::kSqlite),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
