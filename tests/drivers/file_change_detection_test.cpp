// A record read under watch cannot be written back over another user's change,
// whether that user is another thread or another process.
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "drivers/sqlite/sqlite_schema.h"
#include "file_test_support.h"
#include "runtime/files/thread_wait.h"

namespace filetest {
namespace {

using apprt::ERRCODE;

class FileChangeDetectionTest : public FileTest {
 protected:
  void SetUp() override {
    FileTest::SetUp();
    addCode("A", "original");
  }
  static void readA() {
    CODES.clear();
    CODES.buffer().CODE = "A";
    CODES.setOnKeyValue(CODE_KEY);
    CODES.next();
    ASSERT_EQ(ERRCODE(), 0);
  }
  // What another user does: read A and store a new name.
  static bool renameAElsewhere(const std::string& name) {
    openTestFiles();
    readA();
    CODES.buffer().NAME = name;
    CODES.put();
    const bool written = ERRCODE() == 0;
    closeTestFiles();
    return written;
  }
  static std::string storedNameOfA() {
    readA();
    return CODES.buffer().NAME.text();
  }
};

TEST_P(FileChangeDetectionTest, APutAfterAnotherThreadChangedTheRecordFailsAndWritesNothing) {
  CODES.watch();
  readA();
  apprt::threadWillWait();  // as the runtime does before the thread waits for the user
  bool written = false;
  std::thread other([&] { written = renameAElsewhere("theirs"); });
  other.join();
  ASSERT_TRUE(written);

  CODES.buffer().NAME = "mine";
  CODES.put();
  EXPECT_EQ(ERRCODE(), apprt::kChangedByOtherStation);
  EXPECT_EQ(storedNameOfA(), "theirs");
}

TEST_P(FileChangeDetectionTest, AfterTheConflictAWatchedRereadLetsThePutThroughOnce) {
  CODES.watch();
  readA();
  apprt::threadWillWait();
  std::thread([] { renameAElsewhere("theirs"); }).join();
  CODES.put();
  ASSERT_EQ(ERRCODE(), apprt::kChangedByOtherStation);

  const std::string position = CODES.positionByFile();
  CODES.watch();
  CODES.reget(position);
  EXPECT_EQ(CODES.buffer().NAME.text(), "theirs");
  CODES.buffer().NAME = "mine";
  CODES.put();
  EXPECT_EQ(ERRCODE(), 0);
  CODES.buffer().NAME = "mine again";
  CODES.put();
  EXPECT_EQ(ERRCODE(), 0) << "our own write is not another station's change";
  EXPECT_EQ(storedNameOfA(), "mine again");
}

TEST_P(FileChangeDetectionTest, WithoutAWatchTheLastWriterWins) {
  readA();
  apprt::threadWillWait();
  std::thread([] { renameAElsewhere("theirs"); }).join();
  CODES.buffer().NAME = "mine";
  CODES.put();
  EXPECT_EQ(ERRCODE(), 0);
  EXPECT_EQ(storedNameOfA(), "mine");
}

// The other user in a process of its own, on the same data.
using ProcessChangeDetectionTest = FileChangeDetectionTest;

TEST_P(ProcessChangeDetectionTest, APutAfterAnotherProcessChangedTheRecordFailsAndWritesNothing) {
  closeTestFiles();  // the child must not share this process's connection
  int toChild[2];
  int toParent[2];
  ASSERT_EQ(pipe(toChild), 0);
  ASSERT_EQ(pipe(toParent), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    char go = 0;
    const bool ok = read(toChild[0], &go, 1) == 1 && renameAElsewhere("theirs");
    const char done = ok ? 'y' : 'n';
    const bool told = write(toParent[1], &done, 1) == 1;
    _exit(ok && told ? 0 : 1);
  }
  openTestFiles();
  CODES.watch();
  readA();
  apprt::threadWillWait();
  const char go = 'g';
  ASSERT_EQ(write(toChild[1], &go, 1), 1);
  char done = 0;
  ASSERT_EQ(read(toParent[0], &done, 1), 1);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_EQ(done, 'y');

  CODES.buffer().NAME = "mine";
  CODES.put();
  EXPECT_EQ(ERRCODE(), apprt::kChangedByOtherStation);
  EXPECT_EQ(storedNameOfA(), "theirs");
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]}) close(fd);
}

TEST_P(FileChangeDetectionTest, AWatchedRecordDeletedElsewhereCannotBePutBack) {
  CODES.watch();
  readA();
  apprt::threadWillWait();
  std::thread([] {
    openTestFiles();
    readA();
    CODES.remove();
    closeTestFiles();
  }).join();
  CODES.put();
  EXPECT_EQ(ERRCODE(), apprt::kChangedByOtherStation);
  CODES.setOnKey(CODE_KEY);
  CODES.next();
  EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords);
}

// Another tool may store NULL or a value longer than its field. Such a record
// reads as blanks or cut, and change detection compares it in that form: it
// can be written back, and another user's change of it is still caught. (A
// server's table holds no NULL: its columns say so, or the file is invalid.)
using StoredValuesTest = FileChangeDetectionTest;

TEST_P(StoredValuesTest, NullAndOverlongStoredValuesReadAsFieldsAndCanBeChanged) {
  closeTestFiles();
  // 22 characters: a field of 20 keeps the first 20, the accented letter last.
  const std::string overlong = "LONGCODE-" + std::string(10, 'x') + "\u00e9zz";
  const std::string asRead = overlong.substr(0, overlong.size() - 2);
  dataSet_.sql("CODES",
               "DROP TABLE CODES; CREATE TABLE CODES (id INTEGER PRIMARY KEY AUTOINCREMENT,"
               " CODE TEXT COLLATE NOCASE, NAME TEXT COLLATE NOCASE);" +
                   fesk::sqlite::createIndexSql(CODES, 0) + ";" +
                   fesk::sqlite::createIndexSql(CODES, 1) +
                   ";INSERT INTO CODES (CODE, NAME) VALUES (NULL, 'no code'), ('B', NULL),"
                   " ('" +
                   overlong + "', 'long  ')");
  openTestFiles();
  EXPECT_EQ(readAll(CODE_KEY), (std::vector<std::string>{"/no code", "B/", asRead + "/long"}));

  CODES.setOnKey(CODE_KEY);
  for (int record = 0; record < 3; ++record) {
    CODES.watch();
    CODES.next();
    CODES.buffer().NAME = "renamed " + std::to_string(record);
    CODES.put();
    EXPECT_EQ(ERRCODE(), 0) << "record " << record;
  }
  EXPECT_EQ(readAll(NAME_KEY),
            (std::vector<std::string>{"/renamed 0", "B/renamed 1", asRead + "/renamed 2"}));

  apprt::threadWillWait();  // the reads hold the file until then
  dataSet_.sql("CODES", "UPDATE CODES SET NAME = NULL WHERE CODE = 'B'");
  CODES.clear();
  CODES.buffer().CODE = "B";
  CODES.setOnKeyValue(CODE_KEY);
  CODES.watch();
  CODES.next();
  apprt::threadWillWait();
  dataSet_.sql("CODES", "UPDATE CODES SET NAME = 'theirs' WHERE CODE = 'B'");
  CODES.buffer().NAME = "mine";
  CODES.put();
  EXPECT_EQ(ERRCODE(), apprt::kChangedByOtherStation);
}

INSTANTIATE_TEST_SUITE_P(Drivers, FileChangeDetectionTest, allDrivers(), fesk::test::storeName);
INSTANTIATE_TEST_SUITE_P(Drivers, ProcessChangeDetectionTest,
                         driversThatCan(Capability::kSharedByProcesses), fesk::test::storeName);
INSTANTIATE_TEST_SUITE_P(Sqlite, StoredValuesTest, ::testing::Values(Store::kSqlite),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
