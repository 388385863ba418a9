// A server that cannot be reached, goes away under open files, or stops
// answering: every operation fails with a message that names the server and
// gives the reason, a transaction in flight is lost whole, and once the server
// is back the same open files work again, under the data-set lock taken again.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "drivers/postgres/pg_server_session.h"
#include "file_test_support.h"
#include "runtime/files/bulk_add.h"
#include "support/tcp_relay.h"
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

bool serverUnreachable() {
  return ERRCODE() == apprt::kDriverError &&
         apprt::FILEERRORCODE() == std::string(apprt::kUnreachableDriverCode);
}

std::string codesOnServer() {
  std::string codes;
  CODES.setOnKey(CODE_KEY);
  for (CODES.next(); ERRCODE() == 0; CODES.next()) codes += CODES.buffer().CODE.text() + " ";
  EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords) << FILEERRORMSG();
  return codes;
}

// CODES and ITEMS on the server of `driver`, CODES holding the record A.
void openHoldingA(fesk::postgres::PgDriver& driver) {
  CODES.bindDriver(driver);
  ITEMS.bindDriver(driver);
  openTestFiles();
  CODES.clear();
  CODES.buffer().CODE = "A";
  CODES.add();
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
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

// Records sent at once go with the rest of the transaction when the network
// drops the session: none of them is stored, and the failure says so.
TEST(PgConnectionLoss, ALostSessionUnderRecordsSentAtOnceStoresNoneOfThem) {
  fesk::test::ScratchDataSet dataSet(fesk::test::Store::kPostgres);
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::test::sharedTestServer()));
  fesk::postgres::PgDriver driver(relay.address() + " user=fesk dbname=postgres", dataSet.schema());
  openHoldingA(driver);
  for (const bool cut : {true, false}) {
    apprt::beginTransaction(2, {&CODES});
    const apprt::BulkAdd bulk(CODES, std::nullopt);
    ASSERT_TRUE(bulk.offered());
    for (int record = 1; record <= 3000; ++record) {
      CODES.buffer().CODE = "B" + std::to_string(record);
      bulk.send(static_cast<std::uint64_t>(record), static_cast<std::uint64_t>(record));
      ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
    }
    if (cut) relay.cutAll();
    const auto refused = bulk.finish();
    if (cut) {
      EXPECT_EQ(ERRCODE(), apprt::kDriverError);
      EXPECT_TRUE(says(FILEERRORMSG(), "the transaction was rolled back")) << FILEERRORMSG();
      apprt::rollbackTransaction();
      EXPECT_EQ(codesOnServer(), "A ");
    } else {
      EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
      EXPECT_TRUE(refused.empty());
      apprt::commitTransaction();
      EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG() << ": once the session is back, all are stored";
      EXPECT_EQ(std::ranges::count(codesOnServer(), ' '), 3001);
    }
  }
  closeTestFiles();
}

// Statements sent together count only once the server has said it is ready
// for more: a session that breaks just before that leaves a read that tells
// no end of the file and a write that reports no duplicate, but the loss.
TEST(PgConnectionLoss, ASessionLostBeforeTheLastWordOfAnAnswerFailsTheWorkOfThatAnswer) {
  fesk::test::ScratchDataSet dataSet(fesk::test::Store::kPostgres);
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::test::sharedTestServer()));
  fesk::postgres::PgDriver driver(relay.address() + " user=fesk dbname=postgres", dataSet.schema());
  openHoldingA(driver);

  relay.cutBeforeNextReady();
  CODES.setOnKey(CODE_KEY);
  CODES.next();
  EXPECT_TRUE(serverUnreachable()) << ERRCODE() << " " << FILEERRORMSG();

  apprt::beginTransaction(2, {&CODES});
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  CODES.clear();
  CODES.buffer().CODE = "B";
  relay.cutBeforeNextReady();
  CODES.add();
  EXPECT_TRUE(serverUnreachable()) << ERRCODE() << " " << FILEERRORMSG();
  EXPECT_TRUE(says(FILEERRORMSG(), "the transaction was rolled back")) << FILEERRORMSG();
  apprt::rollbackTransaction();
  EXPECT_EQ(codesOnServer(), "A ");
  closeTestFiles();
}

// A network that takes packets and answers nothing is given up on after the
// session's answer time-out (short here; 30 s by default), never waited out.
TEST(PgConnectionLoss, AStalledNetworkIsReportedAsTheServerNotAnsweringUntilItAnswersAgain) {
  fesk::test::ScratchDataSet dataSet(fesk::test::Store::kPostgres);
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::test::sharedTestServer()));
  const fesk::postgres::SessionRules quick{.answerTimeout = std::chrono::milliseconds(1500),
                                           .connectTimeoutSeconds = 2,
                                           .retryPause = {},
                                           .beforeWork = {}};
  fesk::postgres::PgDriver driver(relay.address() + " user=fesk dbname=postgres", dataSet.schema(),
                                  quick);
  openHoldingA(driver);

  relay.stall();
  const auto started = std::chrono::steady_clock::now();
  CODES.setOnKey(CODE_KEY);
  CODES.next();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  EXPECT_TRUE(serverUnreachable()) << ERRCODE() << " " << FILEERRORMSG();
  EXPECT_TRUE(
      says(FILEERRORMSG(), "the database server at 127.0.0.1:" + std::to_string(relay.port()) +
                               ", database postgres "
                               "is not answering: nothing came back in 2 s"))
      << FILEERRORMSG();

  // A commit whose answer never comes may have been kept or not: the user is told so.
  relay.resume();
  apprt::beginTransaction(2, {&CODES});
  CODES.clear();
  CODES.buffer().CODE = "B";
  CODES.add();
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  relay.stall();
  apprt::commitTransaction();
  EXPECT_TRUE(serverUnreachable());
  EXPECT_TRUE(says(FILEERRORMSG(), "the server kept all of the transaction or none of it"))
      << FILEERRORMSG();

  relay.resume();
  const std::string codes = codesOnServer();
  EXPECT_TRUE(codes == "A " || codes == "A B ") << codes;

  // The server kept a change whose commit's answer was lost: saving it again
  // is no conflict with another station, and saves it once.
  const auto readA = [] {
    CODES.clear();
    CODES.buffer().CODE = "A";
    CODES.setOnKeyValue(CODE_KEY);
    CODES.next();
    EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  };
  readA();
  const std::string position = CODES.positionByFile();
  CODES.watch();
  CODES.reget(position);
  const auto rename = [](const std::function<void()>& beforeCommit) {
    apprt::beginTransaction(2, {&CODES});
    CODES.buffer().NAME = "Renamed";
    CODES.put();
    EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
    beforeCommit();
    apprt::commitTransaction();
  };
  rename([&] { relay.stallAnswers(); });
  EXPECT_TRUE(says(FILEERRORMSG(), "the server kept all of the transaction or none of it"))
      << FILEERRORMSG();
  relay.resume();
  rename([] {});
  EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  readA();
  EXPECT_EQ(CODES.buffer().NAME.text(), "Renamed");
  closeTestFiles();
}

// The session breaks as the server answers a pipeline in which a run of
// writes fell short, before a read and before the commit: the failure is the
// network's, told with its own reason, never a write of a run that went
// through, and nothing is saved.
TEST(PgConnectionLoss, ABreakAfterARunThatFellShortIsToldAsTheBreakAndSavesNothing) {
  fesk::test::ScratchDataSet dataSet(fesk::test::Store::kPostgres);
  const std::string table = "\"" + dataSet.schema() + "\".stored";
  dataSet.sql("", "CREATE SCHEMA IF NOT EXISTS \"" + dataSet.schema() + "\"; CREATE TABLE " +
                      table + " (id bigint PRIMARY KEY, v text NOT NULL); INSERT INTO " + table +
                      " VALUES (1, 'x'), (2, 'x')");
  const std::string updateMany =
      "UPDATE " + table +
      " AS stored SET v = gathered.v FROM unnest($1::text[], $2::bigint[]) WITH ORDINALITY AS "
      "gathered(v, id, place) WHERE stored.id = gathered.id RETURNING gathered.place";
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::test::sharedTestServer()));
  for (const bool atCommit : {false, true}) {
    fesk::postgres::ServerSession session(relay.address() + " user=fesk dbname=postgres");
    ASSERT_TRUE(session.transaction().begin(table, "STORED", 5).ok());
    // A run over 1 and 2, then one over 1 and 9 (not stored), which falls short.
    for (const char* id : {"1", "2", "1", "9"}) {
      const std::string what = std::string("record ") + id;
      const auto told = [what](bool written) {
        return written ? apprt::DriverStatus{}
                       : apprt::DriverStatus{apprt::kRecordNotFound, "", what + " is gone"};
      };
      ASSERT_TRUE(session.queue({{"y", id}, updateMany, told}).ok());
    }
    relay.cutBeforeNextReady();
    apprt::DriverStatus status;
    if (atCommit) {
      status = session.transaction().commit();
    } else {
      session.run("SELECT 1", {}, status);
    }
    EXPECT_EQ(status.driverCode, std::string(apprt::kUnreachableDriverCode))
        << status.driverMessage;
    EXPECT_TRUE(says(status.driverMessage, "cannot be reached: server closed the"))
        << status.driverMessage;
    EXPECT_FALSE(says(status.driverMessage, "is gone")) << status.driverMessage;
    PGconn* other = PQconnectdb(fesk::test::sharedTestServer().c_str());
    PGresult* stored =
        PQexec(other, ("SELECT string_agg(v, '' ORDER BY id) FROM " + table).c_str());
    EXPECT_EQ(std::string(PQgetvalue(stored, 0, 0)), "xx") << "nothing saved";
    PQclear(stored);
    PQfinish(other);
  }
}

// A restart of the server ends every session and with it the data-set lock:
// the first work after it takes the lock again, so a restore is refused, and
// while a restore has it the work waits, saying why.
TEST(PgConnectionLoss, TheDataSetLockIsTakenAgainBeforeTheFirstWorkAfterARestart) {
  fesk::test::PrivateServer server;
  std::string why;
  fesk::postgres::SchemaLock program;
  ASSERT_TRUE(program.share(server.conninfo(), "fesk", why)) << why;
  fesk::postgres::PgDriver driver(server.conninfo(), "fesk");
  driver.workUnder(program);
  CODES.bindDriver(driver);
  ITEMS.bindDriver(driver);
  openTestFiles();
  fesk::postgres::SchemaLock restore;
  EXPECT_FALSE(restore.takeAlone(server.conninfo(), "fesk", why));

  server.stop();
  server.start();
  CODES.clear();
  CODES.buffer().CODE = "A";
  CODES.add();
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  EXPECT_FALSE(restore.takeAlone(server.conninfo(), "fesk", why))
      << "the program holds the lock again";

  server.stop();
  server.start();
  ASSERT_TRUE(restore.takeAlone(server.conninfo(), "fesk", why)) << why;
  CODES.clear();
  CODES.buffer().CODE = "B";
  CODES.add();
  EXPECT_TRUE(serverUnreachable());
  EXPECT_TRUE(says(FILEERRORMSG(),
                   "a restore is replacing the data of schema fesk: nothing is "
                   "read or saved until it is done"))
      << FILEERRORMSG();
  restore.release();
  CODES.add();
  EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  EXPECT_EQ(codesOnServer(), "A B ");
  closeTestFiles();
}

// A save as the program makes one: the code of a record read under watch is
// changed, with every item under it, in one transaction.
bool saveCode(const std::string& from, const std::string& to) {
  const auto failed = [] {
    EXPECT_TRUE(serverUnreachable()) << "no false conflict: " << ERRCODE() << " " << FILEERRORMSG();
    apprt::rollbackTransaction();
    return false;
  };
  apprt::beginTransaction(2, {&CODES, &ITEMS});
  if (ERRCODE() != 0) return failed();
  CODES.buffer().CODE = to;
  CODES.put();
  if (ERRCODE() != 0) return failed();
  ITEMS.clear();
  ITEMS.buffer().CODE = from;
  ITEMS.setOnKeyValue(ITEM_KEY);
  for (ITEMS.next(); ERRCODE() == 0 && ITEMS.buffer().CODE.text() == from; ITEMS.next()) {
    ITEMS.buffer().CODE = to;
    ITEMS.put();
    if (ERRCODE() != 0) return failed();
  }
  if (ERRCODE() != 0 && ERRCODE() != apprt::kNoMoreRecords) return failed();
  apprt::commitTransaction();
  return ERRCODE() == 0 || failed();
}

// The server is stopped and started at random moments of saves; each save
// that fails is tried again once the server is back, as the user does.
TEST(PgConnectionLoss, ARestartAtAnyMomentOfASaveLosesNoSaveAndFakesNoConflict) {
  fesk::test::PrivateServer server;
  fesk::postgres::PgDriver driver(server.conninfo(), "fesk");
  CODES.bindDriver(driver);
  ITEMS.bindDriver(driver);
  openTestFiles();
  CODES.clear();
  CODES.buffer().CODE = "C0";
  CODES.add();
  for (int i = 0; i < 20; ++i) {
    ITEMS.clear();
    ITEMS.buffer().CODE = "C0";
    ITEMS.buffer().NUMBER = std::to_string(i);
    ITEMS.add();
  }
  const std::string position = CODES.positionByFile();
  CODES.watch();
  CODES.reget(position);
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();

  std::mt19937 random(20);
  int saved = 0;
  int failed = 0;
  for (int trial = 0; trial < 20; ++trial) {
    std::atomic<bool> restarted = false;
    // Joined on the way out too: a save that throws fails the test instead of
    // aborting the whole run.
    std::jthread restart([&, pause = std::uniform_int_distribution<int>(0, 40)(random)] {
      std::this_thread::sleep_for(std::chrono::milliseconds(pause));
      server.stop();
      server.start();
      restarted = true;
    });
    // Saves until the restart is over and one more has been saved after it.
    bool savedAfter = false;
    for (int attempts = 0; !savedAfter; ++attempts) {
      if (attempts == 2000) {
        ADD_FAILURE() << "no save gets through after the restart, trial " << trial;
        break;
      }
      const bool over = restarted;
      const std::string from = "C" + std::to_string(saved);
      const std::string to = "C" + std::to_string(saved + 1);
      if (saveCode(from, to)) {
        ++saved;
        savedAfter = over;
      } else {
        ++failed;
        CODES.buffer().CODE = from;  // the form still shows what the user typed
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    restart.join();
    std::string items;
    ITEMS.setOnKey(ITEM_KEY);
    int count = 0;
    for (ITEMS.next(); ERRCODE() == 0; ITEMS.next())
      count += ITEMS.buffer().CODE.text() == "C" + std::to_string(saved);
    EXPECT_EQ(count, 20) << "every item went with its code, trial " << trial;
    EXPECT_EQ(codesOnServer(), "C" + std::to_string(saved) + " ") << "trial " << trial;
    CODES.reget(position);
  }
  EXPECT_GT(failed, 0) << "the restarts met saves";
  closeTestFiles();
}

}  // namespace
}  // namespace filetest
