// The link's failures tell what became of the work under way first, then the
// server, then the reason; a link lost while a transaction is at stake is not
// opened anew behind the transaction's back, and otherwise is at the next use.
#include "drivers/postgres/pg_server_link.h"

#include <gtest/gtest.h>

#include "support/tcp_relay.h"
#include "support/test_server.h"

namespace {

using apprt::DriverStatus;
using fesk::postgres::AtStake;

TEST(PgServerLink, ALossTellsWhatBecameOfTheTransactionThenTheServerThenTheReason) {
  fesk::test::TcpRelay relay(fesk::test::serverSocket(fesk::test::sharedTestServer()));
  fesk::postgres::ServerLink link(relay.address() + " user=fesk dbname=postgres");
  const std::string server =
      "the database server at 127.0.0.1:" + std::to_string(relay.port()) + ", database postgres";
  const struct {
    AtStake stake;
    std::string told;
  } losses[] = {
      {AtStake::kNothing, ""},
      {AtStake::kTransaction, "the transaction was rolled back: "},
      {AtStake::kCommit, "the server kept all of the transaction or none of it: "},
  };
  for (const auto& loss : losses) {
    ASSERT_TRUE(link.ready().ok()) << "opened anew while nothing is at stake";
    EXPECT_EQ(link.server(), server);
    link.stake(loss.stake);
    relay.cutAll();
    DriverStatus status;
    link.exchange("SELECT 1", status);
    EXPECT_EQ(status.driverCode, std::string(apprt::kUnreachableDriverCode));
    EXPECT_EQ(status.driverMessage.rfind(loss.told + server + " cannot be reached: ", 0), 0u)
        << status.driverMessage;
    EXPECT_EQ(link.libpq(), nullptr);
    EXPECT_EQ(link.server(), server) << "named after it is gone";
    if (loss.stake != AtStake::kNothing) {
      EXPECT_EQ(link.firstFailure(), status.driverMessage);
      const DriverStatus again = link.ready();
      EXPECT_EQ(again.driverMessage.rfind(loss.told, 0), 0u) << again.driverMessage;
      EXPECT_EQ(link.libpq(), nullptr) << "not opened behind the transaction's back";
    }
    link.stake(AtStake::kNothing);
  }
}

TEST(PgServerLink, AFailureOfTheServerKeepsTheLinkAndOnlyATransactionsFirstIsRemembered) {
  fesk::postgres::ServerLink link(fesk::test::sharedTestServer());
  ASSERT_TRUE(link.ready().ok());
  DriverStatus status;
  link.exchange("SELECT 1/0", status);
  EXPECT_EQ(status.driverCode, "22012");
  EXPECT_TRUE(link.firstFailure().empty());
  link.stake(AtStake::kTransaction);
  link.exchange("SELECT 1/0", status);
  link.told({apprt::kRecordNotFound, "", "a later failure"});
  EXPECT_EQ(link.firstFailure(), "division by zero");
  link.stake(AtStake::kCommit);
  EXPECT_EQ(link.firstFailure(), "division by zero") << "the same transaction";
  link.stake(AtStake::kNothing);
  link.stake(AtStake::kTransaction);
  EXPECT_TRUE(link.firstFailure().empty()) << "a new transaction";
  EXPECT_NE(link.libpq(), nullptr);
  // A string literal for a definition.
  EXPECT_EQ(link.literal("it's"), "'it''s'");
}

}  // namespace
