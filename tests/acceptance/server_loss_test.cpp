// The server goes away under a running program: the user is told which
// server and why, nothing hangs or crashes, and the program works again once
// the server is back.

#include "acceptance_support.h"
#include "app/commands/exit_status.h"
#include "app/data_sets/data_set_at_startup.h"
#include "app/start/program_entry.h"
#include "data/data_files.h"
#include "drivers/postgres/pg_driver.h"
#include "support/test_server.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kFormCodeEntry = 3;

class ServerLoss : public AcceptanceTest {
 protected:
  // FESK1 on a server of the test's own holding C001..C040.
  void seedOnServer() {
    FESK1.bindDriver(driver_);
    FESK2.bindDriver(driver_);
    Records codes;
    for (int i = 1; i <= 40; ++i) codes.emplace_back(numbered('C', i), "name");
    seed(codes);
  }
  // The server as the messages name it: the directory of its socket.
  std::string serverName() const {
    const std::string& conninfo = server_.conninfo();
    return conninfo.substr(5, conninfo.find(' ') - 5);
  }
  // Every box shown so far: the server named, never a record "no longer
  // available"; answers their count.
  size_t expectOnlyServerBoxes(headless::Session& user) const {
    const auto boxes = user.frontEnd().messageBoxes();
    for (const auto& box : boxes) {
      EXPECT_EQ(box.request.title, "Database Server Unavailable") << box.request.text;
      EXPECT_NE(box.request.text.find(serverName()), std::string::npos) << box.request.text;
    }
    return boxes.size();
  }

  PrivateServer server_;
  postgres::PgDriver driver_{server_.conninfo(), "fesk"};
};

TEST_F(ServerLoss, AStoppedServerIsReportedAndTheProgramWorksAgainWhenItIsBack) {
  seedOnServer();
  std::vector<std::string> told;
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    ASSERT_EQ(codesOf(user.current()).front(), "C001");
    server_.stop();
    user.answer(apprt::kButtonOk);
    user.key("Ctrl+PgDn");
    user.key("Ctrl+PgUp");
    for (const auto& box : user.frontEnd().messageBoxes()) {
      EXPECT_EQ(box.request.title, "Database Server Unavailable");
      told.push_back(box.request.text);
    }

    server_.start();
    if (user.window(kBrowseTitle)) user.close();
    openBrowseWithForms(user);
    user.key("Ctrl+PgDn");
    EXPECT_EQ(codesOf(user.current()).back(), "C040") << "the browse reads again";
  });
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(told.size(), 1u) << "the user is told, once";
  EXPECT_NE(told[0].find("cannot be reached"), std::string::npos) << told[0];
  EXPECT_NE(told[0].find(serverName()), std::string::npos) << told[0];
}

TEST_F(ServerLoss, PagingAndChangeKeepTheRowsTellTheServerAndCarryOnWhenItIsBack) {
  seedOnServer();
  runProgram([&](Session& user) {
    openBrowseWithForms(user);
    const auto firstPage = codesOf(user.current());
    ASSERT_EQ(firstPage.front(), "C001");
    server_.stop();

    user.answer(apprt::kButtonOk);
    user.key("Ctrl+PgDn");
    EXPECT_EQ(codesOf(user.current()), firstPage) << "the list keeps its rows";
    EXPECT_EQ(expectOnlyServerBoxes(user), 1u);

    user.row(3);
    user.answer(apprt::kButtonRetry);  // still gone: asked again
    user.answer(apprt::kButtonCancel);
    user.click("Change");
    EXPECT_EQ(user.current().title, kBrowseTitle) << "no form for a record that was not read";
    EXPECT_EQ(codesOf(user.current()), firstPage);
    EXPECT_EQ(expectOnlyServerBoxes(user), 3u);
    EXPECT_TRUE(user.frontEnd().errors().empty());

    server_.start();
    user.click("Change");
    ASSERT_EQ(user.current().title, kChangeFesk1Title) << "the record is read again";
    EXPECT_EQ(control(user.current(), kFormCodeEntry).text, "C003");
    user.close();
    user.row(3);
    user.key("Ctrl+PgDn");
    EXPECT_EQ(codesOf(user.current()).back(), "C040") << "paging goes on";
  });
  EXPECT_EQ(storedFesk1().size(), 40u);
}

TEST_F(ServerLoss, AnInsertInPlaceKeepsTheRowsAndWorksOnceTheServerIsBack) {
  seedOnServer();
  runProgram([&](Session& user) {
    user.menu("&fesk");
    const auto firstPage = codesOf(user.current());
    server_.stop();
    user.answer(apprt::kButtonOk);
    user.key("Ins");
    EXPECT_EQ(codesOf(user.current()), firstPage) << "no row emptied, no blank row";
    EXPECT_EQ(expectOnlyServerBoxes(user), 1u);

    server_.start();
    user.key("Ins");
    user.type("A1");
    user.key("Tab");
    user.type("Alpha");
    user.key("Ctrl+Enter");
    EXPECT_EQ(codesOf(user.current()).front(), "A1");
    EXPECT_EQ(expectOnlyServerBoxes(user), 1u) << "nothing more to tell";
  });
  EXPECT_EQ(storedFesk1().front(), (std::pair<std::string, std::string>{"A1", "Alpha"}));
}

TEST_F(ServerLoss, ASaveWhileTheServerIsAwaySaysWhyOnceAndSavesWhenItIsBack) {
  seedOnServer();
  runProgram([&](Session& user) {
    user.menu("&fesk");
    user.key("Ins");
    user.type("A1");
    user.key("Tab");
    user.type("Alpha");
    server_.stop();
    user.answer(apprt::kButtonOk);
    user.answer(apprt::kButtonCancel);  // back to the row
    user.key("Ctrl+Enter");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 2u) << "the reason, then the question; the loss is not told again";
    EXPECT_EQ(boxes[0].request.title, "Record Insert Error");
    EXPECT_NE(boxes[0].request.text.find(serverName()), std::string::npos);
    EXPECT_NE(boxes[0].request.text.find("cannot be reached"), std::string::npos);
    EXPECT_EQ(boxes[1].request.title, "Record Update Error");

    server_.start();
    user.key("Ctrl+Enter");
    EXPECT_EQ(user.frontEnd().messageBoxes().size(), 2u);
    EXPECT_EQ(codesOf(user.current()).front(), "A1");
  });
  EXPECT_EQ(storedFesk1().front(), (std::pair<std::string, std::string>{"A1", "Alpha"}));
}

// The program started as main() starts it, on a server that did not answer
// when its options were read, with these answers queued for what it asks.
struct StartUp {
  int exitCode = 0;
  std::vector<headless::ShownMessageBox> boxes;
  bool frameOpened = false;
};
StartUp startWithServerDown(PrivateServer& server, const std::function<void()>& meanwhile,
                            std::vector<int> answers) {
  DataSetOptions options;
  options.set("--database", server.conninfo());
  std::string why;
  server.stop();
  EXPECT_EQ(chooseProgramDataSet(options, why), kCommandFailed) << why;
  meanwhile();
  StartUp result;
  result.exitCode = ProgramEntry([&](const apprt::Procedure& first) {
    headless::Session session(first, {}, {.answers = std::move(answers)});
    result.boxes = session.frontEnd().messageBoxes();
    result.frameOpened = session.window("Application").has_value();
    return session.finish();
  });
  return result;
}

TEST_F(ServerLoss, AtStartUpTheServerIsNamedAndRetryStartsOnceItIsBack) {
  seedOnServer();
  const StartUp run = startWithServerDown(server_, [&] { server_.start(); }, {apprt::kButtonRetry});
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].request.title, "Database Server Unavailable");
  EXPECT_EQ(run.boxes[0].request.buttons, apprt::kButtonRetry + apprt::kButtonQuit);
  EXPECT_NE(run.boxes[0].request.text.find(serverName()), std::string::npos);
  EXPECT_NE(run.boxes[0].request.text.find("cannot be reached"), std::string::npos);
  EXPECT_EQ(run.boxes[0].request.text.find("?."), std::string::npos) << "one stop to a sentence";
  EXPECT_TRUE(run.frameOpened) << "the program runs once the server answers";
  EXPECT_EQ(run.exitCode, 0);
}

TEST_F(ServerLoss, AtStartUpQuitEndsAsAProgramThatCouldNotStart) {
  seedOnServer();
  const StartUp run =
      startWithServerDown(server_, [] {}, {apprt::kButtonRetry, apprt::kButtonQuit});
  EXPECT_EQ(run.boxes.size(), 2u) << "Retry while the server is still away asks again";
  EXPECT_FALSE(run.frameOpened);
  EXPECT_EQ(run.exitCode, kUsageError);
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
