// The parts of fesk serve that decide who gets in and where it listens.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <atomic>
#include <fstream>
#include <future>

#include "support/temporary_directory.h"
#include "ui/web/listen_address.h"
#include "ui/web/page_assets.h"
#include "ui/web/session_run.h"
#include "ui/web/sign_in_throttle.h"
#include "ui/web/user_passwords.h"
#include "ui/web/web_server.h"

namespace fesk::web {
namespace {

TEST(ListenAddress, ReadsHostAndPortAndRefusesTheRest) {
  ListenAddress a;
  std::string why;
  ASSERT_TRUE(parseListenAddress("0.0.0.0:8443", a, why));
  EXPECT_EQ(a.host, "0.0.0.0");
  EXPECT_EQ(a.port, 8443);
  ASSERT_TRUE(parseListenAddress("[::1]:9000", a, why));
  EXPECT_EQ(a.host, "::1");
  for (const char* wrong : {"8080", "host:", ":80", "127.0.0.1:0", "127.0.0.1:65536",
                            "127.0.0.1:80x", "example.org:80"}) {
    EXPECT_FALSE(parseListenAddress(wrong, a, why)) << wrong;
    EXPECT_FALSE(why.empty());
  }
}

TEST(ListenAddress, OnlyLoopbackAddressesGoWithoutTls) {
  EXPECT_TRUE(isLoopback("127.0.0.1"));
  EXPECT_TRUE(isLoopback("127.3.2.1"));
  EXPECT_TRUE(isLoopback("::1"));
  EXPECT_TRUE(isLoopback("localhost"));
  EXPECT_FALSE(isLoopback("0.0.0.0"));
  EXPECT_FALSE(isLoopback("::"));
  EXPECT_FALSE(isLoopback("192.168.1.5"));
}

TEST(SignInThrottle, EachFailureDoublesTheWaitUpToAMinute) {
  SignInThrottle throttle;
  const auto start = SignInThrottle::Clock::now();
  EXPECT_EQ(throttle.wait("10.0.0.1", "ann", start).count(), 0);
  throttle.failed("10.0.0.1", "ann", start);
  EXPECT_EQ(throttle.wait("10.0.0.1", "bob", start).count(), 1);
  throttle.failed("10.0.0.1", "bob", start);
  EXPECT_EQ(throttle.wait("10.0.0.1", "carl", start).count(), 2);
  for (int i = 0; i < 10; ++i) throttle.failed("10.0.0.1", "carl", start);
  EXPECT_EQ(throttle.wait("10.0.0.1", "dora", start).count(), 60);
  EXPECT_EQ(throttle.wait("10.0.0.1", "dora", start + std::chrono::seconds(61)).count(), 0);
  // Other stations are not held up for other names, and success clears
  // the station.
  EXPECT_EQ(throttle.wait("10.0.0.2", "dora", start).count(), 0);
  throttle.succeeded("10.0.0.1", "dora");
  EXPECT_EQ(throttle.wait("10.0.0.1", "dora", start).count(), 0);
}

TEST(SignInThrottle, ANameIsSlowedFromEveryStationButItsOwn) {
  SignInThrottle throttle;
  const auto start = SignInThrottle::Clock::now();
  throttle.succeeded("10.0.0.9", "ann");  // ann's own desk
  // Guesses at ann's password from ever new stations slow every station...
  for (int i = 0; i < 8; ++i) throttle.failed("192.0.2." + std::to_string(i), "ann", start);
  EXPECT_EQ(throttle.wait("192.0.2.100", "ann", start).count(), 60);
  EXPECT_EQ(throttle.wait("192.0.2.100", "bob", start).count(), 0);
  // ... for a minute at most, never locking ann out; and her own desk,
  // where she signed in before, is not held up at all.
  EXPECT_EQ(throttle.wait("192.0.2.100", "ann", start + std::chrono::seconds(60)).count(), 0);
  EXPECT_EQ(throttle.wait("10.0.0.9", "ann", start).count(), 0);
  // Her signing in does not reset the guessers' count.
  throttle.succeeded("10.0.0.9", "ann");
  EXPECT_EQ(throttle.wait("192.0.2.100", "ann", start).count(), 60);
}

TEST(SignInThrottle, ForgetsQuietStationsAndHoldsBoundedlyMany) {
  SignInThrottle throttle;
  const auto start = SignInThrottle::Clock::now();
  for (int i = 0; i < 7; ++i) throttle.failed("10.0.0.1", "ann", start);
  // A quarter of an hour later the station starts afresh: its next failure
  // waits a second, not a minute.
  const auto later = start + SignInThrottle::kForgetAfter;
  throttle.failed("10.0.0.2", "bob", later);
  EXPECT_EQ(throttle.stationsHeld(), 1u);
  throttle.failed("10.0.0.1", "ann", later);
  EXPECT_EQ(throttle.wait("10.0.0.1", "ann", later).count(), 1);
  // Failures from ever more stations push out the oldest, never the newest.
  for (size_t i = 0; i < SignInThrottle::kMostEntries + 50; ++i)
    throttle.failed("192.0.2." + std::to_string(i), "n" + std::to_string(i),
                    later + std::chrono::milliseconds(i));
  EXPECT_EQ(throttle.stationsHeld(), SignInThrottle::kMostEntries);
  const auto end = later + std::chrono::milliseconds(SignInThrottle::kMostEntries + 50);
  EXPECT_EQ(throttle.wait("10.0.0.1", "ann", end).count(), 0);
  const std::string newest = std::to_string(SignInThrottle::kMostEntries + 49);
  EXPECT_EQ(throttle.wait("192.0.2." + newest, "n" + newest, end).count(), 1);
}

// The server's answer to `reply`, once it came, the event loop running meanwhile.
int statusOf(QNetworkReply* reply) {
  while (!reply->isFinished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

TEST(WebServer, ServesOtherRequestsWhileASignInIsChecked) {
  int argc = 1;
  char name[] = "serve";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  // A check that waits until the test lets it answer, as a server's connect
  // may wait for its timeout.
  std::promise<void> letAnswer;
  std::shared_future<void> answering = letAnswer.get_future().share();
  std::atomic<int> checks{0};
  ServeSettings settings;
  settings.listen = {"127.0.0.1", 0};
  settings.signIn.accepts = [&](const std::string&, const std::string&) {
    ++checks;
    answering.wait();
    return false;
  };
  WebServer server(settings);
  std::string why;
  ASSERT_TRUE(server.start(why)) << why;
  const QString base = QString("http://127.0.0.1:%1/").arg(server.port());
  QNetworkAccessManager network;
  auto post = [&] {
    QNetworkRequest request(QUrl(base + "sign-in"));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/x-www-form-urlencoded");
    request.setRawHeader("Origin", base.chopped(1).toLatin1());
    return network.post(request, QByteArray("name=ann&password=wrong"));
  };

  QNetworkReply* signIn = post();
  while (checks == 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  // The page is served meanwhile, and a second try from the same station
  // waits for the first one's verdict instead of being checked beside it.
  EXPECT_EQ(statusOf(network.get(QNetworkRequest(QUrl(base)))), 200);
  EXPECT_EQ(statusOf(post()), 429);
  EXPECT_FALSE(signIn->isFinished());
  letAnswer.set_value();
  EXPECT_EQ(statusOf(signIn), 403);
  EXPECT_EQ(checks, 1);
  // The failure counts: the station now waits before its next try.
  EXPECT_EQ(statusOf(post()), 429);
  EXPECT_EQ(checks, 1);
}

TEST(PageAssets, AChangedFileGivesItsAssetANewNameThatThePagesName) {
  std::vector<PageFile> files = pageFiles();
  const PageAssets before(files);
  const std::string changed = std::string(pageFile("dialogs")) + "// changed\n";
  for (PageFile& file : files)
    if (file.name == "dialogs") file.text = changed;
  const PageAssets after(files);
  ASSERT_EQ(before.all().size(), 2U);  // the page's script and its style sheet
  ASSERT_EQ(after.all().size(), 2U);
  const PageAsset &oldScript = before.all()[0], &newScript = after.all()[0];
  EXPECT_EQ(newScript.plainPath, "/page.js");
  EXPECT_NE(oldScript.servedPath, newScript.servedPath);
  EXPECT_TRUE(newScript.servedPath.starts_with("/page.") && newScript.servedPath.ends_with(".js"))
      << newScript.servedPath;
  // The script joins the page's scripts in the order they run, the one
  // that begins the page last.
  EXPECT_TRUE(newScript.text.contains(QByteArray::fromStdString(changed)));
  EXPECT_LT(newScript.text.indexOf("function receive("), newScript.text.indexOf("function begin("));
  EXPECT_TRUE(newScript.text.endsWith(QByteArray::fromStdString(std::string(pageFile("sign_in")))));
  // What did not change keeps its name.
  EXPECT_EQ(before.all()[1].servedPath, after.all()[1].servedPath);
  // The page names the new script, and so does the sign-in page, which
  // loads it too.
  for (const char* page : {"index", "signin"}) {
    const QByteArray html = after.linked(pageFile(page));
    EXPECT_TRUE(html.contains(QByteArray::fromStdString('"' + newScript.servedPath + '"'))) << page;
    EXPECT_FALSE(html.contains(QByteArray::fromStdString(oldScript.servedPath))) << page;
    EXPECT_FALSE(html.contains("\"/page.js\"")) << page;
  }
}

TEST(SessionIdentity, TheProgramTakesItsLineAloneAndSetsItsEnvironmentByIt) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  setenv("FESK_TEST_GONE", "before", 1);  // NOLINT(concurrency-mt-unsafe)
  const QByteArray line =
      sessionIdentityLine({{"FESK_TEST_SET", "ann lee \"x\""}, {"FESK_TEST_GONE", std::nullopt}});
  ASSERT_EQ(write(ends[1], line.constData(), line.size()), line.size());
  const QByteArray after = "{\"t\":\"resend\"}\nnot json\n";
  ASSERT_EQ(write(ends[1], after.constData(), after.size()), after.size());
  EXPECT_TRUE(takeSessionIdentity(ends[0]));
  EXPECT_STREQ(getenv("FESK_TEST_SET"), "ann lee \"x\"");
  EXPECT_EQ(getenv("FESK_TEST_GONE"), nullptr);
  // What follows is left for the page's messages; a line that is no
  // identity, or none at all, is refused.
  char next[16] = {};
  ASSERT_EQ(read(ends[0], next, 15), 15);
  EXPECT_STREQ(next, "{\"t\":\"resend\"}\n");
  EXPECT_FALSE(takeSessionIdentity(ends[0]));
  close(ends[1]);
  EXPECT_FALSE(takeSessionIdentity(ends[0]));
  close(ends[0]);
  unsetenv("FESK_TEST_SET");  // NOLINT(concurrency-mt-unsafe)
}

TEST(UserPasswords, ChecksWhatWasSetAndKeepsTheFilePrivate) {
  test::TemporaryDirectory dir;
  const auto file = passwordFile(dir.path());
  std::string why;
  ASSERT_TRUE(setPassword(file, "ann", "correct horse", why)) << why;
  ASSERT_TRUE(setPassword(file, "bob", "battery", why)) << why;
  EXPECT_TRUE(checkPassword(file, "ann", "correct horse"));
  EXPECT_TRUE(checkPassword(file, "bob", "battery"));
  EXPECT_FALSE(checkPassword(file, "ann", "battery"));
  EXPECT_FALSE(checkPassword(file, "carl", "battery"));
  EXPECT_FALSE(checkPassword(file, "", ""));
  // A new password replaces the old one; the other user keeps theirs.
  ASSERT_TRUE(setPassword(file, "ann", "staple", why));
  EXPECT_FALSE(checkPassword(file, "ann", "correct horse"));
  EXPECT_TRUE(checkPassword(file, "ann", "staple"));
  EXPECT_TRUE(checkPassword(file, "bob", "battery"));
  // Hashes only, and only for the owner.
  std::ifstream in(file);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text.find("staple"), std::string::npos);
  EXPECT_NE(text.find("$argon2id$"), std::string::npos);
  struct stat s {};
  ASSERT_EQ(stat(file.c_str(), &s), 0);
  EXPECT_EQ(s.st_mode & 077, 0u);
}

TEST(UserPasswords, RefusesNamesThatBreakTheFileAndEmptyPasswords) {
  test::TemporaryDirectory dir;
  const auto file = passwordFile(dir.path());
  std::string why;
  EXPECT_FALSE(setPassword(file, "a:b", "x", why));
  EXPECT_FALSE(setPassword(file, "a b", "x", why));
  EXPECT_FALSE(setPassword(file, "", "x", why));
  EXPECT_FALSE(setPassword(file, "ann", "", why));
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace fesk::web
