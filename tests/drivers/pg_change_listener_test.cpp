// The data-set lock's session hears the commits of other programs: each
// transaction once per table it changed, never this program's own, and after
// its connection was lost and came back, once for everything (what was
// committed meanwhile was not heard).
#include "drivers/postgres/pg_change_listener.h"

#include <algorithm>
#include <mutex>

#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "file_test_support.h"
#include "runtime/files/data_set_change.h"
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
  bool has(const std::string& file) const {
    const auto all = files();
    return std::find(all.begin(), all.end(), file) != all.end();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> files_;
};

class PgChangeListener : public FileTest {
 protected:
  void TearDown() override {
    lock_.release();
    FileTest::TearDown();
  }
  void listenOn(const std::string& conninfo) {
    std::string why;
    ASSERT_TRUE(lock_.share(conninfo, dataSet_.schema(), why)) << why;
    static_cast<fesk::postgres::PgDriver&>(dataSet_.driver()).workUnder(lock_);
  }

  fesk::postgres::SchemaLock lock_;
};

TEST_P(PgChangeListener, HearsEachOtherTransactionOnceAndNotItsOwn) {
  Heard heard;
  listenOn(dataSet_.conninfo());
  addCode("A1", "own");  // through the driver: this program's own
  dataSet_.sql("ITEMS",
               "BEGIN; INSERT INTO items (code, number) VALUES ('A1', '1'); "
               "INSERT INTO items (code, number) VALUES ('A1', '2'); "
               "UPDATE items SET number = '3'; DELETE FROM items WHERE number = '3'; COMMIT");
  // Told in the order committed: the own commit would have come first.
  ASSERT_TRUE(waitUntil([&] { return heard.has("items"); }));
  EXPECT_EQ(heard.files(), std::vector<std::string>{"items"});
}

TEST_P(PgChangeListener, ALostSessionIsMadeUpForOnceItIsBack) {
  Heard heard;
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::test::sharedTestServer()));
  listenOn(relay.address() + " user=fesk dbname=postgres");
  relay.cutAll();
  // Committed while the listener's session is cut off: it cannot be heard.
  dataSet_.sql("CODES", "INSERT INTO codes (code, name) VALUES ('B1', 'missed')");
  ASSERT_TRUE(waitUntil([&] { return heard.has(apprt::kAnyDataFile); }))
      << "the session taken again reads everything once";
  const std::vector<std::string> files = heard.files();
  EXPECT_EQ(std::count(files.begin(), files.end(), apprt::kAnyDataFile), 1);
}

INSTANTIATE_TEST_SUITE_P(Server, PgChangeListener, ::testing::Values(Store::kPostgres),
                         fesk::test::storeName);

}  // namespace
}  // namespace filetest
