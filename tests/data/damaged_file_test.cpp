// Damaged pages are reported as damage, never shown as a shorter file: at the
// open when the file is checked there, or at the first read that meets them.
// Damaged keys are mended by rebuilding them; a damaged table is never mended
// in place: it is kept as it is and its readable records go into a new file.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data/record_writes.h"
#include "data_test_support.h"
#include "runtime/files/errors.h"
#include "support/damaged_pages.h"

namespace fesk::test {
namespace {

constexpr int kSmallFile = 1500;   // checked at every open
constexpr int kLargeFile = 50000;  // not checked at an open after a clean close

class DamagedFileTest : public DataTest {
 protected:
  static void seedFesk1(int count) {
    seed({}, {});
    runSql(FESK1, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      std::to_string(count) +
                      ") INSERT INTO FESK1 (CODE, NAME) SELECT printf('C%07d', i),"
                      " printf('name %07d', (i * 7919) % 1000003) FROM n");
  }
  // Random bytes over the first page of a table or an index.
  static void damage(const std::string& object, const apprt::FileDeclaration& file = FESK1) {
    const int page =
        std::stoi(runSql(file, "SELECT rootpage FROM sqlite_schema WHERE name = '" + object + "'"));
    std::mt19937 random(page);
    std::string bytes(4096, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    std::fstream(databaseOf(file), std::ios::binary | std::ios::in | std::ios::out)
        .seekp(std::streamoff{page - 1} * 4096)
        .write(bytes.data(), 4096);
  }
  static std::string fileBytes() { return test::fileBytes(databaseOf(FESK1)); }
  // The records seedFesk1(count) stores, in code order.
  static Records seeded(int count) {
    Records records;
    char code[16];
    char name[24];
    for (int i = 1; i <= count; ++i) {
      std::snprintf(code, sizeof code, "C%07d", i);
      std::snprintf(name, sizeof name, "name %07d", (i * 7919) % 1000003);
      records.emplace_back(code, name);
    }
    return records;
  }
  // The files beside FESK1 whose names start with `start`, by name.
  static std::vector<std::filesystem::path> besideFesk1(const std::string& start) {
    std::vector<std::filesystem::path> found;
    for (const auto& entry : std::filesystem::directory_iterator(databaseOf(FESK1).parent_path())) {
      if (entry.path().filename().string().starts_with(start)) found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
  }
  // The files a salvage kept aside, by name.
  static std::vector<std::filesystem::path> keptAside(const std::string& file = "FESK1") {
    return besideFesk1(file + ".damaged-");
  }
  static std::vector<std::filesystem::path> openMarkers() {
    return besideFesk1("FESK1.sqlite-open-");
  }
  static std::string savedReport(int records, const std::filesystem::path& aside,
                                 const std::string& file = "FESK1") {
    return file + " was damaged.  " + std::to_string(records) +
           " records were saved into a new file, and 0 records could not be read; the damaged "
           "file is kept as " +
           aside.string() + ".";
  }
  // A start that opens FESK1 as the browse does and reads it in name order,
  // answering the warnings with `answers`; `read` counts the records read.
  ProgramOutcome startAndReadByName(const std::vector<int>& answers) {
    read = 0;
    return runInProgram(
        [this] {
          OpenDataFile(FESK1);
          FESK1.setOnKey(FES_KEYNAME);
          for (FESK1.next(); apprt::ERRCODE() == 0; FESK1.next()) ++read;
        },
        answers);
  }
  // A process that ends with FESK1 open, as a kill, a crash or a power
  // failure ends it.
  static void endWithFesk1Open() {
    Signal opened;
    const pid_t child = forkChild([&] {
      OpenDataFile(FESK1);
      opened.send();
      pause();
    });
    ASSERT_TRUE(opened.receive());
    kill(child, SIGKILL);
    waitChild(child);
  }
  // A start that opens FESK1, reads its first record and adds one at once;
  // `added` is the add's error code.
  ProgramOutcome startAndAdd(const std::vector<int>& answers) {
    added = -1;
    return runInProgram(
        [this] {
          OpenDataFile(FESK1);
          FESK1.setOnKey(FES_KEYNAME);
          FESK1.next();
          FESK1.clear();
          FESK1.buffer().CODE = "ADDED";
          FESK1.buffer().NAME = "while checked";
          FESK1.add();
          added = apprt::ERRCODE();
        },
        answers);
  }
  int read = 0;
  int added = -1;
};

// The indexes hold whole records: a table whose first page is lost gives up
// none of them. Refusing leaves everything as it was.
TEST_F(DamagedFileTest, ADamagedTableIsKeptAsItIsAndItsRecordsAreSavedIntoANewFile) {
  seedFesk1(kSmallFile);
  damage("FESK1");
  const std::string before = fileBytes();
  auto outcome = startAndReadByName({apprt::kButtonNo});
  ASSERT_EQ(titles(outcome), std::vector<std::string>{"Damaged File"});
  EXPECT_EQ(outcome.boxes[0].request.text,
            "FESK1 is damaged.  The records that can still be read can be saved into a new file, "
            "and the damaged file kept as it is.  Do you want to save them?");
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");
  EXPECT_TRUE(fileBytes() == before) << "the damaged file was written";
  EXPECT_TRUE(keptAside().empty());

  outcome = startAndReadByName({apprt::kButtonYes, apprt::kButtonOk});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Damaged File", "Damaged File"}));
  ASSERT_EQ(keptAside().size(), 1u);
  const auto aside = keptAside()[0];
  EXPECT_EQ(outcome.boxes[1].request.text, savedReport(kSmallFile, aside));
  EXPECT_TRUE(test::fileBytes(aside) == before) << "the damaged file was not kept as it was";
  EXPECT_EQ(read, kSmallFile);
  EXPECT_EQ(storedFesk1(), seeded(kSmallFile));
  EXPECT_EQ(runSql(FESK1, "SELECT seq FROM sqlite_sequence"), std::to_string(kSmallFile))
      << "identities given before must not be given again";

  // Damaged again: the file kept the first time keeps its name and its bytes.
  damage("FESK1");
  outcome = startAndReadByName({apprt::kButtonYes, apprt::kButtonOk});
  ASSERT_EQ(keptAside().size(), 2u);
  EXPECT_TRUE(test::fileBytes(aside) == before);
  EXPECT_EQ(storedFesk1(), seeded(kSmallFile));
}

// A record under the wrong identity leaves the table page readable to its
// end; taken for damaged keys, rebuilding them would drop the indexes, the
// only sound copy of that record.
TEST_F(DamagedFileTest, ATablePageThatStillReadsWithAWrongRecordIsNotTakenForDamagedKeys) {
  seedFesk1(kSmallFile);
  giveARecordItsNeighboursIdentity(databaseOf(FESK1));
  const std::string before = fileBytes();
  const auto outcome = startAndReadByName({apprt::kButtonYes, apprt::kButtonOk});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Damaged File", "Damaged File"}));
  ASSERT_EQ(keptAside().size(), 1u);
  EXPECT_EQ(outcome.boxes[1].request.text, savedReport(kSmallFile, keptAside()[0]));
  EXPECT_TRUE(test::fileBytes(keptAside()[0]) == before);
  EXPECT_EQ(storedFesk1(), seeded(kSmallFile));
}

// Not a missing file: nothing is created in its place, and the user is told
// which link points where.
TEST_F(DamagedFileTest, ADataFileLinkedToAFileThatIsNotThereEndsTheProgramNamingBoth) {
  const auto target = databaseOf(FESK1).parent_path() / "unmounted" / "FESK1.sqlite";
  std::filesystem::create_symlink(target, databaseOf(FESK1));
  const auto outcome = startAndReadByName({apprt::kButtonOk});
  ASSERT_EQ(titles(outcome), std::vector<std::string>{"File Access Error"});
  EXPECT_NE(outcome.boxes[0].request.text.find(databaseOf(FESK1).string() + " is a link to " +
                                               target.string()),
            std::string::npos)
      << outcome.boxes[0].request.text;
  EXPECT_EQ(outcome.haltMessage, "Disk Error");
  EXPECT_TRUE(std::filesystem::is_symlink(databaseOf(FESK1)));
  EXPECT_FALSE(std::filesystem::exists(target.parent_path()));
}

TEST_F(DamagedFileTest, ADamagedIndexIsInvalidKeysAtTheOpenAndTheRebuildMendsIt) {
  seedFesk1(kSmallFile);
  damage("FESK1.KEYNAME");
  const auto outcome = startAndReadByName({apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid Key"});
  EXPECT_EQ(read, kSmallFile);
}

// A large file that was closed cleanly is not checked at its open: the read
// that meets the damage reports it. A process that ended with the file open
// (killed, crashed, power failure) may have left it damaged: the file is
// checked beside the first reads, however large it is, and the damage found
// is reported as damage met by a read is; the next open then offers to mend
// it.
TEST_F(DamagedFileTest, DamageInALargeFileIsMetByAReadOrByTheCheckAfterAnUncleanEnd) {
  seedFesk1(kLargeFile);
  damage("FESK1.KEYNAME");
  auto outcome = startAndReadByName({1});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid File"});
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");

  std::filesystem::remove(databaseOf(FESK1));
  seedFesk1(kLargeFile);
  endWithFesk1Open();
  damage("FESK1.KEYCODE");
  // The add waits for the check, which finds the damage: nothing is written.
  outcome = startAndAdd({apprt::kButtonOk});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid File"});
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");
  outcome = startAndReadByName({apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid Key"});
  EXPECT_EQ(storedFesk1().size(), std::size_t{kLargeFile}) << "written during the check";
}

// The check after an unclean end that finds the file sound holds a write up
// only until its verdict, and leaves no call for another check.
TEST_F(DamagedFileTest, AfterAnUncleanEndASoundFileTakesWritesOnceChecked) {
  seedFesk1(kLargeFile);
  endWithFesk1Open();
  const auto outcome = startAndAdd({});
  EXPECT_TRUE(outcome.boxes.empty());
  EXPECT_EQ(added, 0);
  EXPECT_EQ(storedFesk1().size(), std::size_t{kLargeFile + 1});
  for (const auto& entry : std::filesystem::directory_iterator(databaseOf(FESK1).parent_path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with("FESK1.sqlite-open-"))
        << entry.path();
  }
}

// A large file left open by a process that ended, with a damaged table:
// the check beside the first reads finds it, and the first save asks whether
// to save the records, over the window as it was, instead of ending the
// program with the row typed. Refused, the program ends and the file is left
// as it was, with one marker that has the next open check it at once (the
// marker of the process that ended goes); saved, nothing calls for a check
// any more.
TEST_F(DamagedFileTest, ADamagedTableFoundByTheCheckAfterAnUncleanEndIsOfferedForSaving) {
  seedFesk1(kLargeFile);
  endWithFesk1Open();
  ASSERT_EQ(openMarkers().size(), 1u);
  damage("FESK1");
  const std::string before = fileBytes();
  auto outcome = startAndAdd({apprt::kButtonNo});
  ASSERT_EQ(titles(outcome), std::vector<std::string>{"Damaged File"});
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");
  EXPECT_EQ(added, -1) << "the question comes while the add is under way";
  EXPECT_TRUE(fileBytes() == before) << "the damaged file was written";
  EXPECT_EQ(openMarkers().size(), 1u) << "one marker, not one more beside the stale one";

  outcome = startAndReadByName({apprt::kButtonYes, apprt::kButtonOk});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Damaged File", "Damaged File"}));
  ASSERT_EQ(keptAside().size(), 1u);
  EXPECT_EQ(outcome.boxes[1].request.text, savedReport(kLargeFile, keptAside()[0]));
  EXPECT_EQ(read, kLargeFile);
  EXPECT_TRUE(openMarkers().empty());
}

// The same damage met by the first save of a program that has not been
// asked yet: the records are saved from the window that met it, and the
// program ends (its windows show the damaged file, which is kept aside).
TEST_F(DamagedFileTest, ADamagedTableMetByASaveIsOfferedForSavingThere) {
  seedFesk1(kLargeFile);
  endWithFesk1Open();
  damage("FESK1");
  const auto outcome = startAndAdd({apprt::kButtonYes, apprt::kButtonOk});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Damaged File", "Damaged File"}));
  EXPECT_EQ(outcome.haltMessage, kDamagedFileHalt);
  ASSERT_EQ(keptAside().size(), 1u);
  EXPECT_EQ(outcome.boxes[1].request.text, savedReport(kLargeFile, keptAside()[0]));
  EXPECT_EQ(storedFesk1(), seeded(kLargeFile)) << "the add was not written";
  EXPECT_TRUE(openMarkers().empty());
}

// A cascade that meets a FESK2 record its key names and its table lost ends
// in the same place as damage met at an open, not in "Record Not Found" and
// "save again?": nothing of the change is written.
TEST_F(DamagedFileTest, DamageMetByACascadeIsOfferedForSaving) {
  seed({{"A", "parent"}}, {});
  seedChildren("A", 30000);  // large: not checked at the open
  giveARecordItsNeighboursIdentity(databaseOf(FESK2));
  int result = -1;
  const auto outcome = runInProgram(
      [&] {
        OpenDataFile(FESK1);
        FESK1.setOnKey(FES_KEYCODE);
        FESK1.next();
        RememberFesk1Code();
        FESK1.buffer().CODE = "B";
        result = UpdateFesk1Record(false);
      },
      {apprt::kButtonYes, apprt::kButtonOk});
  ASSERT_EQ(titles(outcome), (std::vector<std::string>{"Damaged File", "Damaged File"}));
  EXPECT_EQ(outcome.haltMessage, kDamagedFileHalt);
  EXPECT_EQ(result, -1);
  ASSERT_EQ(keptAside("FESK2").size(), 1u);
  EXPECT_EQ(storedFesk1(), (Records{{"A", "parent"}}));
  const Records children = storedFesk2();
  EXPECT_EQ(children.size(), 30000u);
  for (const auto& [code, number] : children) EXPECT_EQ(code, "A");
}

// FESK2 has one key: with its index damaged over the whole table, the table
// alone vouches for itself and the key is rebuilt, as in FESK1 whose other
// key vouches.
TEST_F(DamagedFileTest, ADamagedKeyOfFesk2IsRebuiltAsInFesk1) {
  seed({{"A", "parent"}}, {});
  seedChildren("A", kSmallFile);
  damage("FESK2.KEYCODE", FESK2);
  const auto outcome = runInProgram([] { OpenDataFile(FESK2); }, {apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid Key"});
  EXPECT_TRUE(keptAside("FESK2").empty());
  EXPECT_EQ(storedFesk2().size(), std::size_t{kSmallFile});
}

}  // namespace
}  // namespace fesk::test
