// Damaged pages are reported as damage, never shown as a shorter file: at the
// open when the file is checked there, or at the first read that meets them,
// and damaged keys are mended by rebuilding them.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <iterator>
#include <random>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data_test_support.h"
#include "runtime/errors.h"

namespace fesk::test {
namespace {

constexpr int kPageBytes = 4096;

class DamagedFileTest : public DataTest {
 protected:
  // FESK1 with `count` records C0000001, C0000002, ... named in another order.
  static void seedFesk1(int count) {
    seed({}, {});
    runSql(FESK1, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                      std::to_string(count) +
                      ") INSERT INTO FESK1 (CODE, NAME) SELECT printf('C%07d', i),"
                      " printf('name %07d', (i * 7919) % 1000003) FROM n");
  }
  // Writes random bytes over the first page of a table or an index.
  static void damage(const std::string& object) {
    const int page = std::stoi(
        runSql(FESK1, "SELECT rootpage FROM sqlite_schema WHERE name = '" + object + "'"));
    std::mt19937 random(page);
    std::string bytes(kPageBytes, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    std::fstream file(databaseOf(FESK1), std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(page - 1) * kPageBytes);
    file.write(bytes.data(), kPageBytes);
  }
  static std::string fileBytes() {
    std::ifstream file(databaseOf(FESK1), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
  }
  // A start of the program that opens FESK1 as the browse does and reads it
  // in name order, answering the warnings with `answers`; the records read.
  ProgramOutcome startAndReadByName(const std::vector<int>& answers = {}) {
    read = 0;
    return runInProgram(
        [this] {
          OpenDataFile(FESK1);
          FESK1.setOnKey(FES_KEYNAME);
          for (FESK1.next(); apprt::ERRCODE() == 0; FESK1.next()) ++read;
          FESK1.close();
        },
        answers);
  }
  // Enough records that the open does not check the file by itself.
  static constexpr int kLargeFile = 50000;
  int read = 0;
};

TEST_F(DamagedFileTest, ADamagedTableIsAnInvalidFileAtTheOpenAndNothingIsWrittenToIt) {
  seedFesk1(2000);
  damage("FESK1");
  const std::string before = fileBytes();
  const auto outcome = startAndReadByName({1});
  ASSERT_EQ(titles(outcome), std::vector<std::string>{"Invalid File"});
  EXPECT_EQ(outcome.boxes[0].request.text,
            "Error: (Invalid Data File (47)) accessing FESK1.  Press OK to end this application.");
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");
  EXPECT_EQ(read, 0);
  EXPECT_TRUE(fileBytes() == before) << "the damaged file was written";
}

TEST_F(DamagedFileTest, ADamagedIndexIsInvalidKeysAtTheOpenAndTheRebuildMendsIt) {
  seedFesk1(2000);
  damage("FESK1.KEYNAME");
  const auto outcome = startAndReadByName({apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid Key"});
  EXPECT_TRUE(outcome.bodyFinished);
  EXPECT_EQ(read, 2000);
  EXPECT_EQ(storedFesk1().size(), 2000u);
}

// A large file is not checked at an open after a clean close: the first read
// that meets the damage reports it, and the next start checks the file.
TEST_F(DamagedFileTest, DamageMetByAReadEndsTheProgramAndTheNextStartMendsIt) {
  seedFesk1(kLargeFile);
  damage("FESK1.KEYNAME");
  auto outcome = startAndReadByName({1});
  ASSERT_EQ(titles(outcome), std::vector<std::string>{"Invalid File"});
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");

  outcome = startAndReadByName({apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid Key"});
  EXPECT_EQ(read, kLargeFile);
}

// A process that ended with the file open (killed, crashed, powered off) may
// have left it damaged: the next open checks it, however large it is.
TEST_F(DamagedFileTest, AfterAProcessEndedWithTheFileOpenTheNextOpenChecksIt) {
  seedFesk1(kLargeFile);
  Signal opened;
  const pid_t child = forkChild([&] {
    OpenDataFile(FESK1);
    opened.send();
    pause();
  });
  ASSERT_TRUE(opened.receive());
  kill(child, SIGKILL);
  ASSERT_EQ(waitChild(child), -SIGKILL);
  damage("FESK1.KEYCODE");

  const auto outcome = startAndReadByName({apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid Key"});
  EXPECT_EQ(read, kLargeFile);
  EXPECT_EQ(storedFesk1().size(), std::size_t{kLargeFile});
}

}  // namespace
}  // namespace fesk::test
