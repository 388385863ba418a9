// Damaged pages are reported as damage, never shown as a shorter file: at the
// open when the file is checked there, or at the first read that meets them,
// and damaged keys are mended by rebuilding them.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>

#include "data/data_files.h"
#include "data/open_file_checked.h"
#include "data_test_support.h"
#include "runtime/errors.h"

namespace fesk::test {
namespace {

constexpr int kSmallFile = 2000;   // checked at every open
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
  static void damage(const std::string& object) {
    const int page = std::stoi(
        runSql(FESK1, "SELECT rootpage FROM sqlite_schema WHERE name = '" + object + "'"));
    std::mt19937 random(page);
    std::string bytes(4096, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    std::fstream(databaseOf(FESK1), std::ios::binary | std::ios::in | std::ios::out)
        .seekp(std::streamoff{page - 1} * 4096)
        .write(bytes.data(), 4096);
  }
  static std::string fileBytes() {
    std::ifstream file(databaseOf(FESK1), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
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
  int read = 0;
};

TEST_F(DamagedFileTest, ADamagedTableIsAnInvalidFileAtTheOpenAndNothingIsWrittenToIt) {
  seedFesk1(kSmallFile);
  damage("FESK1");
  const std::string before = fileBytes();
  const auto outcome = startAndReadByName({1});
  ASSERT_EQ(titles(outcome), std::vector<std::string>{"Invalid File"});
  EXPECT_EQ(outcome.boxes[0].request.text,
            "Error: (Invalid Data File (47)) accessing FESK1.  Press OK to end this application.");
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");
  EXPECT_TRUE(fileBytes() == before) << "the damaged file was written";
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
// (killed, crashed, power failure) may have left it damaged: the next open
// checks it, however large it is.
TEST_F(DamagedFileTest, DamageInALargeFileIsMetByAReadOrByTheCheckAfterAnUncleanEnd) {
  seedFesk1(kLargeFile);
  damage("FESK1.KEYNAME");
  auto outcome = startAndReadByName({1});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid File"});
  EXPECT_EQ(outcome.haltMessage, "Invalid File!");

  std::filesystem::remove(databaseOf(FESK1));
  seedFesk1(kLargeFile);
  Signal opened;
  const pid_t child = forkChild([&] {
    OpenDataFile(FESK1);
    opened.send();
    pause();
  });
  ASSERT_TRUE(opened.receive());
  kill(child, SIGKILL);
  waitChild(child);
  damage("FESK1.KEYCODE");
  outcome = startAndReadByName({apprt::kButtonYes});
  EXPECT_EQ(titles(outcome), std::vector<std::string>{"Invalid Key"});
  EXPECT_EQ(storedFesk1().size(), std::size_t{kLargeFile});
}

}  // namespace
}  // namespace fesk::test
