// The server goes away under a running program: the user is told which
// server and why, nothing hangs or crashes, and the program works again once
// the server is back.

#include "acceptance_support.h"
#include "data/data_files.h"
#include "drivers/postgres/pg_driver.h"
#include "support/test_server.h"

namespace fesk::test {
namespace {

using headless::Session;

class ServerLoss : public AcceptanceTest {};

TEST_F(ServerLoss, AStoppedServerIsReportedAndTheProgramWorksAgainWhenItIsBack) {
  PrivateServer server;
  postgres::PgDriver driver(server.conninfo(), "fesk");
  FESK1.bindDriver(driver);
  FESK2.bindDriver(driver);
  Records codes;
  for (int i = 1; i <= 40; ++i) codes.emplace_back(numbered('C', i), "name");
  seed(codes);
  std::vector<std::string> told;
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    ASSERT_EQ(codesOf(user.current()).front(), "C001");
    server.stop();
    user.answer(apprt::kButtonOk);
    user.key("Ctrl+PgDn");
    user.key("Ctrl+PgUp");
    for (const auto& box : user.frontEnd().messageBoxes()) {
      EXPECT_EQ(box.request.title, "Database Server Unavailable");
      told.push_back(box.request.text);
    }

    server.start();
    if (user.window(kBrowseTitle)) user.close();
    openBrowseWithForms(user);
    user.key("Ctrl+PgDn");
    EXPECT_EQ(codesOf(user.current()).back(), "C040") << "the browse reads again";
  });
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(told.size(), 1u) << "the user is told, once";
  EXPECT_NE(told[0].find("cannot be reached"), std::string::npos) << told[0];
  EXPECT_NE(told[0].find(server.conninfo().substr(5, server.conninfo().find(' ') - 5)),
            std::string::npos)
      << told[0];
}

}  // namespace
}  // namespace fesk::test
