// Files that are damaged, do not match their declaration or are held by
// another writer: the open and the transaction begin say so, nothing crashes.
#include <sqlite3.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "file_test_support.h"
#include "support/damaged_pages.h"
#include "support/wait_until.h"

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
  // SQL on the SQLite file of CODES, answering the first column of its last row.
  std::string sql(const std::string& statements) { return runSqlOn(codesPath(), statements); }
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

// Building the keys reads the table to make the indexes anew: a table that
// does not read whole would take the only sound copy of its records with it.
TEST_P(SqliteFileDamageTest, ADamagedTableIsNeverTakenForDamagedKeysNorRebuilt) {
  fesk::test::giveARecordItsNeighboursIdentity(codesPath());
  const std::string before = fesk::test::fileBytes(codesPath());
  EXPECT_EQ(openCodes(), apprt::kFileInvalid);
  EXPECT_EQ(apprt::FILEERRORCODE(), apprt::kDamagedDriverCode);
  CODES.buildKeys();
  EXPECT_EQ(ERRCODE(), apprt::kFileInvalid);
  EXPECT_TRUE(fesk::test::fileBytes(codesPath()) == before) << "the damaged file was written";
}

// The link's target may be on a drive that is not mounted: a file created in
// its place would hide the real one once the drive is back.
TEST_P(SqliteFileDamageTest, ALinkToAFileThatIsNotThereIsRefusedAndNothingIsCreated) {
  const auto target = dataSet_.directory() / "unmounted" / "CODES.sqlite";
  std::filesystem::remove(codesPath());
  std::filesystem::create_symlink(target, codesPath());
  EXPECT_EQ(openCodes(), apprt::kDriverError);
  const std::string says = codesPath().string() + " is a link to " + target.string();
  EXPECT_NE(apprt::FILEERRORMSG().find(says), std::string::npos) << apprt::FILEERRORMSG();
  CODES.create();
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_NE(apprt::FILEERRORMSG().find(says), std::string::npos) << apprt::FILEERRORMSG();
  EXPECT_TRUE(std::filesystem::is_symlink(codesPath()));
  EXPECT_FALSE(std::filesystem::exists(target.parent_path()));
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

  damage(
      "DROP INDEX \"CODES.KEYCODE.unique\";"
      "CREATE INDEX \"CODES.KEYCODE.unique\" ON CODES (CODE)",
      "DROP INDEX codes_keycode; CREATE INDEX codes_keycode ON codes (code)");
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid) << "the code key must be unique";
  CODES.buildKeys();
  openTestFiles();
  EXPECT_EQ(readAll(CODE_KEY).size(), 2000u);
}

// Text columns that compared letter case would let "b001" stand beside "B001"
// under a unique key.
TEST_P(FileDamageTest, ColumnsOrIndexesThatCompareLetterCaseOrHoldNoTextAreRefused) {
  damage(
      "DROP INDEX \"CODES.KEYCODE\";"
      "CREATE UNIQUE INDEX \"CODES.KEYCODE\" ON CODES (CODE COLLATE BINARY)",
      "DROP INDEX codes_keycode; CREATE UNIQUE INDEX codes_keycode ON codes (code)");
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid);
  const std::pair<std::string, std::string> columnsOfEach[] = {
      {"CODE TEXT NOT NULL, NAME TEXT COLLATE NOCASE NOT NULL",
       "code text COLLATE \"POSIX\" NOT NULL, name text COLLATE \"C\" NOT NULL"},
      {"CODE INTEGER COLLATE NOCASE NOT NULL, NAME TEXT COLLATE NOCASE NOT NULL",
       "code integer NOT NULL, name text COLLATE \"C\" NOT NULL"}};
  for (const auto& [sqlite, postgres] : columnsOfEach) {
    damage("DROP TABLE CODES; CREATE TABLE CODES (id INTEGER PRIMARY KEY AUTOINCREMENT, " + sqlite +
               "); CREATE UNIQUE INDEX \"CODES.KEYCODE\" ON CODES (CODE COLLATE NOCASE);"
               "CREATE INDEX \"CODES.KEYNAME\" ON CODES (NAME)",
           "DROP TABLE codes; CREATE TABLE codes (id bigint GENERATED ALWAYS AS IDENTITY"
           " PRIMARY KEY, " +
               postgres + ")");
    EXPECT_EQ(openCodes(), apprt::kFileInvalid)
        << (GetParam() == Store::kSqlite ? sqlite : postgres);
  }
}

TEST_P(FileDamageTest, KeysThatCannotBeBuiltBecauseOfDuplicatesSaySo) {
  damage(
      "DROP INDEX \"CODES.KEYCODE.unique\";"
      "INSERT INTO CODES (CODE, NAME) VALUES ('CODE1', 'again')",
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

// What every driver does alike for a file that is whole: options and writers.
using FileOptionsAndWritersTest = FileDamageTest;

TEST_P(FileOptionsAndWritersTest, TheRecoverOptionIsAcceptedAndOtherOptionsAreNot) {
  EXPECT_EQ(CODES.send("Recover=10"), "Recover=10");
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(openCodes(), 0);
  CODES.send("Recover=soon");
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_NE(apprt::FILEERRORMSG().find("Recover=soon"), std::string::npos);
}

TEST_P(FileOptionsAndWritersTest, ABeginOnAFileHeldByAnotherWriterFailsAfterTheTimeout) {
  std::atomic<bool> begun = false;
  std::atomic<bool> holding = false;
  std::atomic<bool> release = false;
  std::thread writer([&] {
    openTestFiles();
    apprt::beginTransaction(2, {&CODES});
    holding = ERRCODE() == 0;
    begun = true;
    fesk::test::waitUntil([&] { return release.load(); }, std::chrono::minutes(1));
    closeTestFiles();
  });
  if (!fesk::test::waitUntil([&] { return begun.load(); }) || !holding) {
    release = true;
    writer.join();
    FAIL() << "the other writer could not begin its transaction";
  }
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

// Another program's connection to a test file, holding what it is told to.
class OtherProgram {
 public:
  OtherProgram(const std::filesystem::path& database, const std::string& statements) {
    sqlite3_open(database.c_str(), &db_);
    EXPECT_EQ(sqlite3_exec(db_, statements.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_);
  }
  ~OtherProgram() {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }

 private:
  sqlite3* db_ = nullptr;
};

// A file too large to be checked at every open: damage met by a read is
// damage (not the end of the file), told as the open would tell it (here the
// keys: the table reads whole), the file takes no more writes, and the next
// open checks it.
TEST_P(SqliteFileDamageTest, DamageMetInUseIsReportedAndTheFileTakesNoMoreWrites) {
  sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000)"
      " INSERT INTO CODES (CODE, NAME) SELECT 'more' || i, 'name' || i FROM n");
  const int namePage =
      std::stoi(sql("SELECT rootpage FROM sqlite_schema WHERE name = 'CODES.KEYNAME'"));
  std::fstream(codesPath(), std::ios::binary | std::ios::in | std::ios::out)
          .seekp(std::streamoff{namePage - 1} * 4096)
      << std::string(4096, '\x5a');
  openTestFiles();
  CODES.setOnKey(NAME_KEY);
  CODES.next();
  EXPECT_EQ(ERRCODE(), apprt::kKeysInvalid);
  CODES.clear();
  CODES.buffer().CODE = "after the damage";
  CODES.add();
  EXPECT_EQ(ERRCODE(), apprt::kKeysInvalid);
  addItem("another file", "1");
  EXPECT_EQ(readAll(CODE_KEY).size(), 52000u);
  closeTestFiles();
  EXPECT_EQ(openCodes(), apprt::kKeysInvalid);
}

TEST_P(SqliteFileDamageTest, AFileInWalModeIsOpenedInRollbackModeOrRefusedWhileOthersHaveIt) {
  {
    OtherProgram other(codesPath(), "PRAGMA journal_mode = WAL; BEGIN; SELECT count(*) FROM CODES");
    EXPECT_EQ(openCodes(), apprt::kFileLocked);
    EXPECT_NE(apprt::FILEERRORMSG().find("write-ahead-log"), std::string::npos);
  }
  EXPECT_EQ(openCodes(), 0);
  EXPECT_EQ(sql("PRAGMA journal_mode"), "delete");
}

TEST_P(SqliteFileDamageTest, SuperJournalsLeftByKilledCommitsGoOnlyWhenNoWriterIsAtWork) {
  const auto leftover = dataSet_.directory() / "CODES.sqlite-mj0123ABC9";
  std::ofstream(leftover) << (dataSet_.directory() / "CODES.sqlite-journal").string() << '\0';
  {
    OtherProgram writer(dataSet_.directory() / "ITEMS.sqlite", "BEGIN IMMEDIATE");
    EXPECT_EQ(openCodes(), 0);
    EXPECT_TRUE(std::filesystem::exists(leftover)) << "a commit may be under way";
  }
  EXPECT_EQ(openCodes(), 0);
  EXPECT_FALSE(std::filesystem::exists(leftover));
}

INSTANTIATE_TEST_SUITE_P(Drivers, FileDamageTest, driversThatCan(Capability::kOutsideStatements),
                         fesk::test::storeName);
INSTANTIATE_TEST_SUITE_P(Drivers, FileOptionsAndWritersTest, allDrivers(), fesk::test::storeName);
INSTANTIATE_TEST_SUITE_P(Sqlite, SqliteFileDamageTest, ::testing::Values(Store::kSqlite),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
