// A program costs the server one connection whatever its windows: the
// data-set lock, the lists of every browse window, a form and the changes
// heard from other programs all ride on it, before a restart of the server
// and after it, when the lock is held again on the connection opened anew.

#include <libpq-fe.h>

#include "acceptance_support.h"
#include "data/data_files.h"
#include "drivers/postgres/pg_driver.h"
#include "drivers/postgres/pg_schema_lock.h"
#include "support/test_server.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

using headless::Session;

class OneConnection : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    std::string why;
    ASSERT_TRUE(lock_.share(server_.conninfo(), "fesk", why)) << why;
    driver_.workUnder(lock_);
    FESK1.bindDriver(driver_);
    FESK2.bindDriver(driver_);
    Records codes;
    for (int i = 1; i <= 40; ++i) codes.emplace_back(numbered('C', i), "name");
    seed(codes);
  }
  void TearDown() override {
    lock_.release();
    AcceptanceTest::TearDown();
  }

  // The program's sessions on the server (their names start with fesk), asked
  // over a session of the test's own; -1 when it cannot ask.
  int programSessions() const {
    PGconn* admin = PQconnectdb((server_.conninfo() + " application_name=counting").c_str());
    PGresult* counted =
        PQexec(admin, "SELECT count(*) FROM pg_stat_activity WHERE application_name LIKE 'fesk%'");
    const int sessions =
        PQresultStatus(counted) == PGRES_TUPLES_OK ? std::stoi(PQgetvalue(counted, 0, 0)) : -1;
    PQclear(counted);
    PQfinish(admin);
    return sessions;
  }
  // Whether the program's sessions come to one: a session that the test's
  // own restore check closed is still listed for a moment after its close,
  // while the server ends it.
  bool oneProgramSession() const {
    return waitUntil([&] { return programSessions() == 1; });
  }
  // Whether a restore (which takes the lock alone, on a connection of its
  // own as `fesk restore` does) is kept out.
  bool restoreKeptOut() const {
    postgres::SchemaLock restore;
    std::string why;
    return !restore.takeAlone(server_.conninfo(), "fesk", why) &&
           why.find("another fesk is using") != std::string::npos;
  }

  PrivateServer server_;
  postgres::PgDriver driver_{server_.conninfo(), "fesk"};
  postgres::SchemaLock lock_;
};

TEST_F(OneConnection, ThreeBrowseWindowsAndAFormHoldOneConnectionAndTheLockAfterARestart) {
  runProgram([&](Session& user) {
    std::vector<int> browses;
    for (int window = 0; window < 3; ++window) {
      openBrowseWithForms(user);
      browses.push_back(user.current().handle);
      user.key("Ctrl+PgDn");
      ASSERT_EQ(codesOf(user.current()).back(), "C040");
    }
    user.click("&Insert");
    ASSERT_EQ(user.current().title, kAddFesk1Title);
    EXPECT_TRUE(oneProgramSession())
        << "three windows and a form, one connection; " << programSessions() << " found";
    EXPECT_TRUE(restoreKeptOut());

    server_.stop();
    server_.start();
    // Every list reads again once the lock is held on the new connection;
    // the first window's paging is what opens it.
    user.useWindow(browses[0]);
    user.key("Ctrl+PgUp");
    EXPECT_EQ(codesOf(user.current()).front(), "C001");
    user.waitIdle();
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty()) << "nothing was at stake";
    EXPECT_TRUE(oneProgramSession())
        << "one connection again, not one a window; " << programSessions() << " found";
    EXPECT_TRUE(restoreKeptOut()) << "the lock is held on it";
    user.useWindow(browses[1]);
    user.key("Ctrl+PgUp");
    EXPECT_EQ(codesOf(user.current()).front(), "C001");
    EXPECT_TRUE(oneProgramSession()) << programSessions() << " found";
    user.useWindow(kAddFesk1Title);
    user.close();
  });
}

}  // namespace
}  // namespace fesk::test
