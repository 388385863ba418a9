// Round trips are what a workstation pays over a network: the server driver is
// held to its budget by counting them in the session's own trace (counts, not
// times). A write inside a transaction is sent without waiting for its answer,
// so a run over many records costs a few round trips, not one per record; its
// failure, found when the answers come, still fails the whole transaction.
#include "drivers/postgres/pg_round_trips.h"

#include <functional>

#include "drivers/postgres/pg_driver.h"
#include "file_test_support.h"
#include "runtime/files/bulk_read.h"
#include "runtime/files/file_history.h"
#include "runtime/files/thread_wait.h"
#include "support/tcp_relay.h"
#include "support/wait_until.h"

namespace filetest {
namespace {

using apprt::ERRCODE;
using apprt::FILEERRORMSG;

class PgRoundTripsTest : public FileTest {
 protected:
  PGconn* session() {
    return static_cast<fesk::postgres::PgDriver&>(dataSet_.driver()).session()->libpq();
  }
  // The round trips of opening `file` on a new, connected session and of
  // `firstPage` reading its first page.
  int tripsToOpen(apprt::FileDeclaration& file, const std::function<void()>& firstPage) {
    fesk::postgres::PgDriver fresh(dataSet_.conninfo(), dataSet_.schema());
    EXPECT_TRUE(fresh.session()->ready().ok());
    const fesk::postgres::RoundTripCounter trips(fresh.session()->libpq());
    file.bindDriver(fresh);
    file.open(apprt::kOpenSharedReadWrite);
    EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
    firstPage();
    const int count = trips.count();
    file.close();
    return count;
  }
  // `count` codes c00000, c00001, ... named "n", stored behind the driver's back.
  void seedCodes(int count) {
    dataSet_.sql("",
                 "INSERT INTO codes (code, name) SELECT 'c' || lpad(n::text, 5, '0'), 'n' "
                 "FROM generate_series(0, " +
                     std::to_string(count - 1) + ") n");
  }
  // `count` items numbered 00000, 00001, ... under the code "A".
  void seedItems(int count) {
    dataSet_.sql("",
                 "INSERT INTO items (code, number) SELECT 'A', lpad(n::text, 5, '0') "
                 "FROM generate_series(0, " +
                     std::to_string(count - 1) + ") n");
  }
  // Files every item of "A" under "B", record by record in one transaction,
  // as a cascade writes, calling `afterPut` after each put: "" when every
  // step and the commit succeeded, else the error code and the driver's
  // message of the failure.
  static std::string refileAll(const std::function<void()>& afterPut = [] {}) {
    apprt::beginTransaction(5, {&ITEMS});
    if (ERRCODE() != 0) return std::to_string(ERRCODE()) + " " + FILEERRORMSG();
    ITEMS.clear();
    ITEMS.buffer().CODE = "A";
    ITEMS.setOnKeyValue(ITEM_KEY);
    for (ITEMS.next(); ERRCODE() == 0 && ITEMS.buffer().CODE.text() == "A"; ITEMS.next()) {
      ITEMS.buffer().CODE = "B";
      ITEMS.put();
      if (ERRCODE() != 0) break;
      afterPut();
    }
    if (ERRCODE() != 0 && ERRCODE() != apprt::kNoMoreRecords) {
      std::string failure = std::to_string(ERRCODE()) + " " + FILEERRORMSG();
      apprt::rollbackTransaction();
      return failure;
    }
    apprt::commitTransaction();
    return ERRCODE() == 0 ? "" : std::to_string(ERRCODE()) + " " + FILEERRORMSG();
  }
  // How many stored items are filed under `code`, asked in a session of its own.
  long long itemsOf(const std::string& code) {
    PGconn* other = PQconnectdb(dataSet_.conninfo().c_str());
    const std::string sql =
        "SELECT count(*) FROM \"" + dataSet_.schema() + "\".items WHERE code = '" + code + "'";
    PGresult* result = PQexec(other, sql.c_str());
    const long long count = PQntuples(result) == 1 ? std::stoll(PQgetvalue(result, 0, 0)) : -1;
    PQclear(result);
    PQfinish(other);
    return count;
  }
};

// A page of 15 rows read down from the row a browse stands on, as a page
// down reads it after the user's key: one round trip; the last page, read up
// from the end: one more.
TEST_P(PgRoundTripsTest, APageIsOneRoundTripAndAJumpAtMostTwo) {
  seedCodes(3000);
  CODES.buffer().CODE = "c01000";
  CODES.setOnKeyValue(CODE_KEY);
  CODES.next();
  const std::string row = CODES.positionByKey(CODE_KEY);
  apprt::threadWillWait();
  fesk::postgres::RoundTripCounter trips(session());
  for (int page = 0; page < 5; ++page) {
    const int before = trips.count();
    CODES.resetToPosition(CODE_KEY, row);
    for (int i = 0; i < 16; ++i) CODES.next();
    EXPECT_EQ(currentCode(), "c01015");
    apprt::threadWillWait();
    EXPECT_EQ(trips.count() - before, 1) << "page " << page;
  }
  const int before = trips.count();
  CODES.setOnKey(CODE_KEY);
  for (int i = 0; i < 16; ++i) CODES.previous();
  EXPECT_EQ(currentCode(), "c02984");
  EXPECT_LE(trips.count() - before, 2);
}

// Once connected, opening a file (its layout checked) and reading its first
// page: two round trips.
TEST_P(PgRoundTripsTest, AnOpenAndItsFirstPageTakeTwoRoundTripsOnceConnected) {
  seedCodes(100);
  closeTestFiles();
  EXPECT_LE(tripsToOpen(CODES,
                        [] {
                          CODES.setOnKey(CODE_KEY);
                          for (int i = 0; i < 16; ++i) CODES.next();
                          EXPECT_EQ(currentCode(), "c00015");
                        }),
            2);
}

// A whole file read at once (an export, a backup) is one round trip however
// many records it holds, every record in the order asked for; stopped, it
// leaves the file to be read on as before.
TEST_P(PgRoundTripsTest, AWholeFileReadAtOnceIsOneRoundTripForAnyNumberOfRecords) {
  seedCodes(3000);
  std::vector<std::string> codes;
  const auto keep = [&] {
    codes.push_back(currentCode());
    return true;
  };
  {
    fesk::postgres::RoundTripCounter trips(session());
    ASSERT_TRUE(apprt::readInBulk(CODES, &CODE_KEY, keep));
    EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
    EXPECT_EQ(trips.count(), 1);
  }
  ASSERT_EQ(codes.size(), 3000u);
  EXPECT_EQ(codes[0], "c00000");
  EXPECT_EQ(codes[1234], "c01234");
  EXPECT_EQ(codes.back(), "c02999");

  codes.clear();
  ASSERT_TRUE(apprt::readInBulk(CODES, &CODE_KEY, [&] { return keep() && codes.size() < 10; }));
  EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  EXPECT_EQ(codes.size(), 10u);
  CODES.setOnKey(CODE_KEY);
  CODES.previous();
  EXPECT_EQ(currentCode(), "c02999");
}

TEST_P(PgRoundTripsTest, ACascadeOverThousandsOfRecordsCostsAFewRoundTrips) {
  seedItems(10000);
  fesk::postgres::RoundTripCounter trips(session());
  ASSERT_EQ(refileAll(), "");
  EXPECT_LE(trips.count(), 10);
  EXPECT_EQ(itemsOf("B"), 10000);
  EXPECT_EQ(itemsOf("A"), 0);
}

// A cascade reads its parent's records and little more, however many other
// records follow them: the file's size would show in every re-code. A run of
// records longer than the largest block the driver reads at once is still
// read whole, each record once.
TEST_P(PgRoundTripsTest, ACascadeReadsItsParentsRecordsAndNotTheRestOfTheFile) {
  seedItems(100);
  dataSet_.sql("",
               "INSERT INTO items (code, number) SELECT 'C', n::text "
               "FROM generate_series(1, 20000) n; ANALYZE items");
  {
    fesk::postgres::RoundTripCounter trips(session());
    ASSERT_EQ(refileAll(), "");
    EXPECT_LE(trips.rowsReceived(), 1000);
    EXPECT_GE(trips.rowsReceived(), 100);
    EXPECT_LE(trips.count(), 6);
  }
  EXPECT_EQ(itemsOf("B"), 100);

  apprt::threadWillWait();
  seedItems(17000);
  fesk::postgres::RoundTripCounter trips(session());
  ASSERT_EQ(refileAll(), "");
  EXPECT_LE(trips.count(), 10);
  EXPECT_EQ(itemsOf("A"), 0);
  EXPECT_EQ(itemsOf("B"), 17100);
  EXPECT_EQ(itemsOf("C"), 20000);
}

// The server refuses one write in the middle of the run, or silently leaves
// it out (another tool's rules on the table): its answer comes after the
// writes that followed it were sent, and still nothing of the run is kept.
TEST_P(PgRoundTripsTest, AWriteRefusedOrLeftOutInTheMiddleOfACascadeFailsItAndWritesNothing) {
  seedItems(3000);
  const struct {
    const char* body;
    const char* told;
  } rules[] = {
      {"RAISE EXCEPTION 'item % may not move', NEW.number;", "90 item 01500 may not move"},
      {"RETURN NULL;", "35 ITEMS record B is no longer stored"},
  };
  for (const auto& rule : rules) {
    dataSet_.sql("", std::string("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ "
                                 "BEGIN ") +
                         rule.body +
                         " END $$; CREATE TRIGGER refuse BEFORE UPDATE ON items FOR EACH ROW "
                         "WHEN (NEW.number = '01500') EXECUTE FUNCTION refuse()");
    const std::string failure = refileAll();
    EXPECT_TRUE(failure.starts_with(rule.told)) << failure;
    EXPECT_EQ(itemsOf("A"), 3000) << "nothing of the cascade was kept";
    dataSet_.sql("", "DROP TRIGGER refuse ON items; DROP FUNCTION refuse()");
    apprt::threadWillWait();
  }
  // The session goes on: the next transaction is saved.
  EXPECT_EQ(refileAll(), "");
  EXPECT_EQ(itemsOf("B"), 3000);
}

// A long cascade's first writes are on the server while the client still
// reads and writes the rest: another session finds the first records locked
// before the cascade asked the server for anything more. When the thread
// waits in the middle, the server has answered all that was sent, so that
// its time-out for a transaction left idle counts.
TEST_P(PgRoundTripsTest, ACascadesFirstWritesReachTheServerBeforeItsNextRead) {
  seedItems(3000);
  int puts = 0;
  bool lockedEarly = false;
  std::string stateWhileWaiting;
  const auto askOther = [&](const std::string& sql) {
    PGconn* other = PQconnectdb(dataSet_.conninfo().c_str());
    fesk::postgres::Result result(PQexec(other, sql.c_str()));
    PQfinish(other);
    return result;
  };
  EXPECT_EQ(refileAll([&] {
              if (++puts != 1100) return;
              // Item 00100 went with the first thousand writes sent ahead.
              lockedEarly = fesk::test::waitUntil([&] {
                return askOther("SELECT 1 FROM \"" + dataSet_.schema() +
                                "\".items WHERE number = '00100' FOR UPDATE NOWAIT")
                           .sqlState() == "55P03";  // the row is locked
              });
              apprt::threadWillWait();
              const fesk::postgres::Result state =
                  askOther("SELECT state FROM pg_stat_activity WHERE pid = " +
                           std::to_string(PQbackendPID(session())));
              if (state.rows() == 1) stateWhileWaiting = state.text(0, 0);
            }),
            "");
  EXPECT_TRUE(lockedEarly);
  EXPECT_EQ(stateWhileWaiting, "idle in transaction");
  EXPECT_EQ(itemsOf("B"), 3000);
}

// The network drops the session while a cascade's writes are on their way
// to the server (just after the first thousand went, or well after) and the
// rest are still queued: none of them is kept, the failure says so, and the
// next try keeps them all.
TEST_P(PgRoundTripsTest, ASessionLostUnderWritesSentAheadKeepsNoneOfTheCascade) {
  seedItems(3000);
  fesk::test::TcpRelay relay(fesk::test::serverSocket(dataSet_.conninfo()));
  fesk::postgres::PgDriver driver(relay.address() + " user=fesk dbname=postgres",
                                  dataSet_.schema());
  closeTestFiles();
  ITEMS.bindDriver(driver);
  openTestFiles();
  for (const int cutAfter : {1060, 2000}) {
    int puts = 0;
    const std::string failure = refileAll([&] {
      if (++puts == cutAfter) relay.cutAll();
    });
    EXPECT_NE(failure.find("the transaction was rolled back"), std::string::npos) << failure;
    EXPECT_EQ(itemsOf("A"), 3000);
  }
  EXPECT_EQ(refileAll(), "");
  EXPECT_EQ(itemsOf("B"), 3000);
  closeTestFiles();
  ITEMS.bindDriver(dataSet_.driver());
  openTestFiles();
}

// A file that keeps a history (as the program's do) is asked at its open
// whether the data set has the history's definitions: in the same round trip
// as its layout, so its open and first page cost what another file's do.
TEST_P(PgRoundTripsTest, AFileThatKeepsAHistoryOpensInTheSameRoundTrips) {
  static apprt::File<CodeRecord> kept("KEPT", {{"KEP:CODE", 20}, {"KEP:NAME", 20}},
                                      {{"KEP:KEYCODE", 6, {1}, "KEP:Keycode"}});
  apprt::keepHistory(kept);
  kept.bindDriver(dataSet_.driver());
  kept.create();
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  EXPECT_LE(tripsToOpen(kept,
                        [] {
                          kept.setOnKey(kept.key(0));
                          kept.next();
                          EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords);
                        }),
            2);
}

// A program takes the data set's lock before it opens a file, and the lock's
// round trip brings the layout of the data set's tables: a file's first open
// and its first page then cost one round trip past the session's start and
// the lock (four through a network, where a client's start and one query take
// three). That answer vouches only for a file it finds fit: one changed
// behind the program is refused at its open as ever, and a later open of a
// file asks the server again.
TEST_P(PgRoundTripsTest, UnderTheDataSetLockAFileOpensWithItsFirstPageInOneRoundTrip) {
  static apprt::File<CodeRecord> altered("ALTERED", {{"ALT:CODE", 20}, {"ALT:NAME", 20}},
                                         {{"ALT:KEYCODE", 6, {1}, "ALT:Keycode"}});
  altered.bindDriver(dataSet_.driver());
  altered.create();
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  dataSet_.sql("", "ALTER TABLE altered ADD COLUMN extra integer");
  closeTestFiles();
  const fesk::test::TcpRelay relay(fesk::test::serverSocket(dataSet_.conninfo()));
  const std::string through = relay.address() + " user=fesk dbname=postgres";
  fesk::postgres::PgDriver driver(through, dataSet_.schema());
  fesk::postgres::SchemaLock lock;
  std::string why;
  ASSERT_TRUE(lock.share(through, dataSet_.schema(), why)) << why;
  driver.workUnder(lock);
  CODES.bindDriver(driver);
  altered.bindDriver(driver);
  CODES.open(apprt::kOpenSharedReadWrite);
  ASSERT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  CODES.setOnKey(CODE_KEY);
  CODES.next();
  EXPECT_EQ(ERRCODE(), apprt::kNoMoreRecords);
  EXPECT_LE(relay.roundTrips(), 4);

  altered.open(apprt::kOpenSharedReadWrite);
  EXPECT_EQ(ERRCODE(), apprt::kFileInvalid) << FILEERRORMSG();
  CODES.close();
  const int reopening = relay.roundTrips();
  CODES.open(apprt::kOpenSharedReadWrite);
  EXPECT_EQ(ERRCODE(), 0) << FILEERRORMSG();
  EXPECT_EQ(relay.roundTrips() - reopening, 1);
  CODES.close();
  CODES.bindDriver(dataSet_.driver());
  altered.bindDriver(dataSet_.driver());
  lock.release();
  openTestFiles();
}

INSTANTIATE_TEST_SUITE_P(Drivers, PgRoundTripsTest, ::testing::Values(Store::kPostgres),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
