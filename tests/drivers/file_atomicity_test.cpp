// A process killed in the middle of a transaction over two files leaves either
// all of its writes or none of them, in both files.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <set>
#include <thread>

#include "file_test_support.h"

namespace filetest {
namespace {

using apprt::ERRCODE;

// Writes transactions until killed: each adds one code to CODES and the same
// code twice to ITEMS. Tells `committed` after every commit.
[[noreturn]] void writeUntilKilled(int round, int committed) {
  openTestFiles();
  for (int i = 0;; ++i) {
    const std::string code = std::to_string(round) + "-" + std::to_string(i);
    apprt::beginTransaction(2, {&CODES, &ITEMS});
    if (ERRCODE() != 0) _exit(2);
    CODES.clear();
    CODES.buffer().CODE = code;
    CODES.add();
    for (const char* number : {"1", "2"}) {
      ITEMS.clear();
      ITEMS.buffer().CODE = code;
      ITEMS.buffer().NUMBER = number;
      ITEMS.add();
    }
    apprt::commitTransaction();
    if (ERRCODE() != 0) _exit(3);
    const char done = 'c';
    if (write(committed, &done, 1) != 1) _exit(4);
  }
}

std::multiset<std::string> storedCodes(const apprt::FileDeclaration& file,
                                       const apprt::KeyDeclaration& key) {
  std::multiset<std::string> codes;
  file.setOnKey(key);
  for (file.next(); ERRCODE() == 0; file.next()) codes.insert(file.field(0).text());
  EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords);
  return codes;
}

using FileAtomicityTest = FileTest;

TEST_P(FileAtomicityTest, AKilledTransactionLeavesAllOrNoneOfItsWritesInBothFiles) {
  closeTestFiles();
  std::mt19937 random(20261208);
  std::size_t stored = 0;
  for (int round = 0; round < 25; ++round) {
    int committed[2];
    ASSERT_EQ(pipe(committed), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) writeUntilKilled(round, committed[1]);
    // Once the writer is under way, kill it at a moment chance picks.
    char done = 0;
    ASSERT_EQ(read(committed[0], &done, 1), 1);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(child, SIGKILL);
    close(committed[0]);
    close(committed[1]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);

    openTestFiles();
    // A server may still commit what the writer sent before it was killed,
    // between the reads of the two files: they are compared once CODES reads
    // the same before and after ITEMS.
    std::multiset<std::string> codes;
    std::multiset<std::string> items;
    for (int reading = 0; reading < 100; ++reading) {
      codes = storedCodes(CODES, CODE_KEY);
      items = storedCodes(ITEMS, ITEM_KEY);
      if (storedCodes(CODES, CODE_KEY) == codes) break;
    }
    std::multiset<std::string> expectedItems;
    for (const auto& code : codes) expectedItems.insert({code, code});
    ASSERT_EQ(items, expectedItems) << "round " << round;
    stored = codes.size();
    closeTestFiles();
  }
  EXPECT_GE(stored, 25u) << "every writer committed at least once";
}

INSTANTIATE_TEST_SUITE_P(Drivers, FileAtomicityTest, driversThatCan(Capability::kSharedByProcesses),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
