// A page read on the server up from a row and down again, between two waits of
// the thread, sees the file as of one moment: a record another station
// re-codes meanwhile shows at its old place only, and once the thread has
// waited, at its new one.
#include "file_test_support.h"
#include "runtime/files/thread_wait.h"

namespace filetest {
namespace {

using apprt::ERRCODE;

class PgSnapshotReadsTest : public FileTest {};

std::string codeNumbered(int n) {
  return (n < 10 ? "c0" : "c") + std::to_string(n);
}

TEST_P(PgSnapshotReadsTest, APageReadUpAndDownAgainIsOneMomentOfTheFile) {
  for (int n = 1; n <= 40; ++n) addCode(codeNumbered(n), "name");
  apprt::threadWillWait();

  // Stand on c20 and read the rows above it, as a page loads upwards.
  CODES.buffer().CODE = "c20";
  CODES.setOnKeyValue(CODE_KEY);
  CODES.next();
  ASSERT_EQ(currentCode(), "c20");
  const std::string c20 = CODES.positionByKey(CODE_KEY);
  std::vector<std::string> page;
  for (int i = 0; i < 3; ++i) {
    CODES.previous();
    ASSERT_EQ(ERRCODE(), 0);
    page.insert(page.begin(), currentCode());
  }
  // Another station moves a record from above the row to below it.
  dataSet_.sql("", "UPDATE codes SET code = 'c25x' WHERE code = 'c18'");
  // Back on the row, and down from it.
  CODES.resetToPosition(CODE_KEY, c20);
  for (int i = 0; i < 8; ++i) {
    CODES.next();
    ASSERT_EQ(ERRCODE(), 0);
    page.push_back(currentCode());
  }
  EXPECT_EQ(page, (std::vector<std::string>{"c17", "c18", "c19", "c20", "c21", "c22", "c23", "c24",
                                            "c25", "c26", "c27"}));

  apprt::threadWillWait();
  CODES.resetToPosition(CODE_KEY, c20);
  std::vector<std::string> after;
  for (int i = 0; i < 7; ++i) {
    CODES.next();
    after.push_back(currentCode());
  }
  EXPECT_EQ(after, (std::vector<std::string>{"c20", "c21", "c22", "c23", "c24", "c25", "c25x"}))
      << "after a wait the move is seen";
}

INSTANTIATE_TEST_SUITE_P(Drivers, PgSnapshotReadsTest, ::testing::Values(Store::kPostgres),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
