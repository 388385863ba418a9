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

// Changes saved in place across a server restart and while the server is
// stopped (each save opens FESK2, whose records move with a changed code).
// After a restart the save just goes through; while the server is stopped it
// is reported, never ends the program, leaves what the user typed on screen,
// and goes through once the server is back, with no talk of another station.
TEST_F(ServerLoss, InPlaceSavesCarryOnAfterARestartAndWaitOutAStoppedServer) {
  constexpr int kNameEdit = 202;
  PrivateServer server;
  postgres::PgDriver driver(server.conninfo(), "fesk");
  FESK1.bindDriver(driver);
  FESK2.bindDriver(driver);
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}}, {{"A1", "n1"}, {"A1", "n2"}, {"B2", "n3"}});
  std::vector<std::string> told;
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    user.key("Enter");
    user.key("Tab");
    user.type("Beta");
    server.stop();
    server.start();
    user.key("Ctrl+Enter");
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty()) << "reconnected without a word";

    user.row(1);
    user.key("Enter");
    user.type("Z9");
    user.key("Tab");
    user.type("Zulu");
    server.stop();
    user.key("Ctrl+Enter");
    const auto browse = user.current();
    EXPECT_EQ(browse.focus, kNameEdit);
    EXPECT_EQ(control(browse, kNameEdit).text, "Zulu") << "the user's input stays";
    server.start();
    user.key("Ctrl+Enter");
    for (const auto& box : user.frontEnd().messageBoxes()) told.push_back(box.request.text);
  });
  EXPECT_EQ(exitCode, 0);
  ASSERT_FALSE(told.empty());
  EXPECT_NE(told.front().find("cannot be reached"), std::string::npos) << told.front();
  for (const std::string& text : told) {
    EXPECT_EQ(text.find("another station"), std::string::npos) << text;
    EXPECT_EQ(text.find("could not be opened"), std::string::npos) << text;
  }
  EXPECT_EQ(storedFesk1(), (Records{{"B2", "Beta"}, {"Z9", "Zulu"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"B2", "n3"}, {"Z9", "n1"}, {"Z9", "n2"}}));
}

}  // namespace
}  // namespace fesk::test
