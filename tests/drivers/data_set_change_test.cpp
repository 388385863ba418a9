// Commits of other programs to the data set are told, once per transaction
// and file, and this program's own never: SQLite's watch of the files and the
// server's notifications alike. On the server, a session that was lost and
// came back is made up for once, for everything (what was committed meanwhile
// was not heard).
#include "runtime/files/data_set_change.h"

#include <algorithm>
#include <mutex>

#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "file_test_support.h"
#include "support/tcp_relay.h"
#include "support/test_server.h"
#include "support/wait_until.h"

namespace filetest {
namespace {

using fesk::test::waitUntil;

// What the runtime is told, in order.
class Heard {
 public:
  Heard() {
    apprt::hearDataSetChanges([this](const std::string& file) {
      std::lock_guard lock(mutex_);
      files_.push_back(file);
    });
  }
  ~Heard() { apprt::hearDataSetChanges({}); }
  Heard(const Heard&) = delete;
  Heard& operator=(const Heard&) = delete;

  std::vector<std::string> files() const {
    std::lock_guard lock(mutex_);
    return files_;
  }
  // Files as the drivers name them: SQLite by the file, the server by its table.
  std::vector<std::string> lowerCaseFiles() const {
    std::vector<std::string> all = files();
    for (std::string& file : all)
      std::transform(file.begin(), file.end(), file.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return all;
  }
  bool has(const std::string& file) const {
    const auto all = lowerCaseFiles();
    return std::find(all.begin(), all.end(), file) != all.end();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> files_;
};

class DataSetChanges : public FileTest {
 protected:
  void TearDown() override {
    lock_.release();
    FileTest::TearDown();
  }
  // On the server the data-set lock's session listens; SQLite's files are
  // watched from their open on.
  void listenOn(const std::string& conninfo) {
    auto* server = dynamic_cast<fesk::postgres::PgDriver*>(&dataSet_.driver());
    if (!server) return;
    std::string why;
    ASSERT_TRUE(lock_.share(conninfo, dataSet_.schema(), why)) << why;
    server->workUnder(lock_);
  }

  fesk::postgres::SchemaLock lock_;
};
using ServerSessionLoss = DataSetChanges;

TEST_P(DataSetChanges, EachOtherTransactionIsToldOnceAndOwnCommitsNever) {
  Heard heard;
  if (GetParam() == Store::kPostgres) listenOn(dataSet_.conninfo());
  addCode("A1", "own");  // through the driver: this program's own
  dataSet_.sql("ITEMS",
               "BEGIN; INSERT INTO items (code, number) VALUES ('A1', '1'); "
               "INSERT INTO items (code, number) VALUES ('A1', '2'); "
               "UPDATE items SET number = '3'; DELETE FROM items WHERE number = '3'; COMMIT");
  // Told in the order committed: the own commit would have come first.
  ASSERT_TRUE(waitUntil([&] { return heard.has("items"); }));
  EXPECT_EQ(heard.lowerCaseFiles(), std::vector<std::string>{"items"});
}

TEST_P(ServerSessionLoss, ALostSessionIsMadeUpForOnceItIsBack) {
  Heard heard;
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::test::sharedTestServer()));
  listenOn(relay.address() + " user=fesk dbname=postgres");
  // Sessions opened from now on make sure of the lock before they work.
  closeTestFiles();
  openTestFiles();
  relay.cutAll();
  // Committed while the listener's session is cut off: it cannot be heard.
  dataSet_.sql("CODES", "INSERT INTO codes (code, name) VALUES ('B1', 'missed')");
  // The program's first work once the loss was noticed takes the lock again.
  ASSERT_TRUE(waitUntil([&] {
    readAll(CODE_KEY);
    return heard.has(apprt::kAnyDataFile);
  })) << "the session taken again reads everything once";
  const std::vector<std::string> files = heard.files();
  EXPECT_EQ(std::count(files.begin(), files.end(), apprt::kAnyDataFile), 1);
}

INSTANTIATE_TEST_SUITE_P(Drivers, DataSetChanges, driversThatCan(Capability::kOutsideStatements),
                         fesk::test::storeName);
INSTANTIATE_TEST_SUITE_P(Server, ServerSessionLoss, ::testing::Values(Store::kPostgres),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
