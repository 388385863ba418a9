// A primary server with a standby replicated synchronously, named together in
// one connection string with target_session_attrs=read-write: when the
// primary goes and the standby is promoted, every running program (here two
// threads, each with its own sessions) carries on against the new primary,
// under the data-set lock, and finds every save reported done before.
#include <atomic>
#include <chrono>
#include <thread>

#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "file_test_support.h"
#include "support/test_server.h"
#include "support/wait_until.h"

namespace filetest {
namespace {

using apprt::ERRCODE;
using apprt::FILEERRORMSG;

std::string directoryOf(const std::string& conninfo) {
  return conninfo.substr(5, conninfo.find(' ') - 5);  // "host=DIR ..."
}

// Adds `code`, again and again while the server cannot be reached (the user
// saving again), for at most the patience of the tests.
bool addPatiently(const std::string& code) {
  return fesk::test::waitUntil([&] {
    CODES.clear();
    CODES.buffer().CODE = code;
    CODES.add();
    if (ERRCODE() != 0) {
      EXPECT_EQ(apprt::FILEERRORCODE(), std::string(apprt::kUnreachableDriverCode))
          << FILEERRORMSG();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ERRCODE() == 0;
  });
}

TEST(PgFailover, TwoProgramsCarryOnAgainstAPromotedStandbyWithEverySaveReportedDone) {
  using fesk::test::PrivateServer;
  PrivateServer primary(PrivateServer::Role::kPrimary);
  PrivateServer standby(PrivateServer::StandbyOf{primary});
  const std::string both = "host=" + directoryOf(primary.conninfo()) + "," +
                           directoryOf(standby.conninfo()) +
                           " user=fesk dbname=postgres target_session_attrs=read-write";
  std::string why;
  fesk::postgres::SchemaLock lock;
  ASSERT_TRUE(lock.share(both, "fesk", why)) << why;
  fesk::postgres::PgDriver driver(both, "fesk");
  driver.workUnder(lock);
  CODES.bindDriver(driver);
  ITEMS.bindDriver(driver);
  openTestFiles();  // creates the files once, on the primary
  closeTestFiles();

  std::atomic<int> beforeDone = 0;
  std::atomic<bool> promoted = false;
  const auto program = [&](const std::string& name) {
    openTestFiles();
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(addPatiently(name + "-before-" + std::to_string(i)));
    ++beforeDone;
    ASSERT_TRUE(fesk::test::waitUntil([&] { return promoted.load(); }, std::chrono::minutes(1)));
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(addPatiently(name + "-after-" + std::to_string(i)));
    closeTestFiles();
  };
  std::thread first(program, "P1");
  std::thread second(program, "P2");
  ASSERT_TRUE(fesk::test::waitUntil([&] { return beforeDone == 2; }));
  primary.stop();
  standby.promote();
  promoted = true;
  first.join();
  second.join();

  openTestFiles();
  int codes = 0;
  CODES.setOnKey(CODE_KEY);
  for (CODES.next(); ERRCODE() == 0; CODES.next()) ++codes;
  EXPECT_EQ(codes, 20) << "every save reported done is on the new primary";
  closeTestFiles();
  fesk::postgres::SchemaLock restore;
  EXPECT_FALSE(restore.takeAlone(standby.conninfo(), "fesk", why))
      << "the lock is held again on the new primary";
}

}  // namespace
}  // namespace filetest
