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
  std::filesystem::path codesPath() const { return directory_.path() / "CODES.sqlite"; }
  void sql(const std::string& statements) { runSql(codesPath(), statements); }
  static int openCodes() {
    CODES.open(apprt::kOpenSharedReadWrite);
    const int code = ERRCODE();
    if (code == 0) CODES.close();
    return code;
  }
};

TEST_F(FileDamageTest, GarbageIsAnInvalidFileUntilItIsCreatedAgain) {
  std::ofstream(codesPath(), std::ios::binary | std::ios::trunc) << std::string(4096, '\x5a');
  EXPECT_EQ(openCodes(), apprt::kFileInvalid);
  CODES.create();
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(openCodes(), 0);
}

TEST_F(FileDamageTest, GarbageOverTheDataPagesIsAnInvalidFile) {
  {
    std::fstream file(codesPath(), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(100);
    file << std::string(8192, '\x33');
  }
  EXPECT_EQ(openCodes(), apprt::kFileInvalid);
}

TEST_F(FileDamageTest, ATruncatedFileIsInvalid) {
  const auto size = std::filesystem::file_size(codesPath());
  for (auto length : {size / 2, std::uintmax_t{50}}) {
    std::filesystem::resize_file(codesPath(), length);
    EXPECT_EQ(openCodes(), apprt::kFileInvalid) << "cut to " << length;
  }
}

TEST_F(FileDamageTest, ATableThatDoesNotMatchTheDeclarationIsAnInvalidFile) {
  sql("DROP TABLE CODES; CREATE TABLE CODES (id INTEGER PRIMARY KEY, CODE TEXT)");
  EXPECT_EQ(openCodes(), apprt::kFileInvalid);
  CODES.buildKeys();
  EXPECT_EQ(ERRCODE(), apprt::kFileInvalid) << "keys cannot mend a wrong table";
}

TEST_F(FileDamageTest, AMissingOrChangedIndexIsInvalidKeysAndBuildingTheKeysMendsIt) {
  sql("DROP INDEX \"CODES.KEYCODE\"");
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid);
  CODES.buildKeys();
  EXPECT_EQ(ERRCODE(), 0) << apprt::FILEERRORMSG();
  ASSERT_EQ(openCodes(), 0);

  sql("DROP INDEX \"CODES.KEYCODE\"; CREATE INDEX \"CODES.KEYCODE\" ON CODES (CODE)");
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid) << "the code key must be unique";
  CODES.buildKeys();
  openTestFiles();
  EXPECT_EQ(readAll(CODE_KEY).size(), 2000u);
}

TEST_F(FileDamageTest, KeysThatCannotBeBuiltBecauseOfDuplicatesSaySo) {
  sql("DROP INDEX \"CODES.KEYCODE\"; INSERT INTO CODES (CODE, NAME) VALUES ('CODE1', 'again')");
  CODES.buildKeys();
  EXPECT_EQ(ERRCODE(), apprt::kDuplicateKey);
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid);
}

TEST_F(FileDamageTest, AMissingFileIsNotFound) {
  std::filesystem::remove(codesPath());
  EXPECT_EQ(openCodes(), apprt::kFileNotFound);
}

TEST_F(FileDamageTest, TheRecoverOptionIsAcceptedAndOtherOptionsAreNot) {
  EXPECT_EQ(CODES.send("Recover=10"), "Recover=10");
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(openCodes(), 0);
  CODES.send("Recover=soon");
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_NE(apprt::FILEERRORMSG().find("Recover=soon"), std::string::npos);
}

TEST_F(FileDamageTest, ABeginOnAFileHeldByAnotherWriterFailsAfterTheTimeout) {
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

}  // namespace
}  // namespace filetest
