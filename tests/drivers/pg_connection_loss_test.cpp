// A server that cannot be reached, or goes away under open files: every
// operation fails at once with a message that names the server and gives
// the reason, a transaction in flight is lost whole, and once the server is
// back the same open files work again.
#include "drivers/postgres/pg_driver.h"
#include "file_test_support.h"
#include "support/test_server.h"

namespace filetest {
namespace {

using apprt::ERRCODE;
using apprt::FILEERRORMSG;

std::string socketDirectory(const std::string& conninfo) {
  return conninfo.substr(5, conninfo.find(' ') - 5);  // "host=DIR ..."
}

bool says(const std::string& message, const std::string& words) {
  return message.find(words) != std::string::npos;
}

TEST(PgConnectionLoss, AServerThatIsNotThereIsNamedWithTheReason) {
  fesk::postgres::PgDriver driver("host=/nonexistent/fesk user=fesk dbname=fesk", "fesk");
  CODES.bindDriver(driver);
  CODES.open(apprt::kOpenSharedReadWrite);
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_TRUE(says(FILEERRORMSG(), "the database server in /nonexistent/fesk")) << FILEERRORMSG();
  EXPECT_TRUE(says(FILEERRORMSG(), "cannot be reached: ")) << FILEERRORMSG();
  EXPECT_FALSE(driver.checkReachable().ok());
}

TEST(PgConnectionLoss, AStoppedServerFailsEveryCallUntilItIsBackAndLosesTheOpenTransaction) {
  fesk::test::PrivateServer server;
  fesk::postgres::PgDriver driver(server.conninfo(), "fesk");
  CODES.bindDriver(driver);
  ITEMS.bindDriver(driver);
  openTestFiles();
  for (const char* code : {"A", "B", "C"}) {
    CODES.clear();
    CODES.buffer().CODE = code;
    CODES.add();
  }
  apprt::beginTransaction(2, {&CODES});
  CODES.clear();
  CODES.buffer().CODE = "D";
  CODES.add();
  ASSERT_EQ(ERRCODE(), 0);

  server.stop();
  apprt::commitTransaction();
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_TRUE(says(FILEERRORMSG(), "the transaction was rolled back")) << FILEERRORMSG();
  CODES.setOnKey(CODE_KEY);
  CODES.next();
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);
  EXPECT_TRUE(says(FILEERRORMSG(), "the database server in " + socketDirectory(server.conninfo())))
      << FILEERRORMSG();
  apprt::beginTransaction(2, {&CODES});
  EXPECT_EQ(ERRCODE(), apprt::kDriverError);

  server.start();
  std::string codes;
  CODES.setOnKey(CODE_KEY);
  for (CODES.next(); ERRCODE() == 0; CODES.next()) codes += CODES.buffer().CODE.text();
  EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords) << FILEERRORMSG();
  EXPECT_EQ(codes, "ABC") << "D was never committed";
  CODES.clear();
  CODES.buffer().CODE = "E";
  CODES.add();
  EXPECT_EQ(ERRCODE(), 0);
  closeTestFiles();
}

}  // namespace
}  // namespace filetest
