// fesk serve on an open network: what a station may hold and send, who may
// post, how failed sign-ins are slowed, and how sessions begin and end.
// Every connection goes to the loopback, from its addresses 127.0.0.x, each
// standing for a station; the limits are shortened so that each case takes
// a few seconds.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QWebSocket>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>
#include <vector>

#include "support/temporary_directory.h"
#include "ui/web/web_server.h"

namespace fesk::web {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until `condition` holds; false if it did not within
// `patience`.
template <typename Condition>
bool waitFor(Condition condition, std::chrono::milliseconds patience = 10s) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() >= patience.count()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

struct Answer {
  int status = 0;  // 0: no answer, the connection closed or silent
  QByteArray head, body;
  QByteArray cookie() const {  // the session cookie set, "name=value"
    const qsizetype at = head.indexOf("fesk_session=");
    return at < 0 ? QByteArray() : head.mid(at, head.indexOf(';', at) - at);
  }
};

// A connection from `station`, one of the loopback's addresses.
std::unique_ptr<QTcpSocket> connectFrom(const char* station, quint16 port) {
  auto socket = std::make_unique<QTcpSocket>();
  socket->bind(QHostAddress(QString::fromLatin1(station)));
  socket->connectToHost(QHostAddress::LocalHost, port);
  waitFor(
      [&] {
        return socket->state() == QAbstractSocket::ConnectedState ||
               socket->state() == QAbstractSocket::UnconnectedState;
      },
      5s);
  return socket;
}

// Reads one whole answer (its head and its Content-Length of body).
Answer readAnswer(QTcpSocket& socket) {
  QByteArray bytes;
  Answer answer;
  waitFor([&] {
    bytes += socket.readAll();
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0) return socket.state() == QAbstractSocket::UnconnectedState;
    const qsizetype at = bytes.toLower().indexOf("content-length:");
    const qsizetype length =
        at < 0 ? 0 : bytes.mid(at + 15, bytes.indexOf('\r', at) - at - 15).trimmed().toLongLong();
    if (bytes.size() < end + 4 + length) return socket.state() == QAbstractSocket::UnconnectedState;
    answer.status = bytes.mid(9, 3).toInt();
    answer.head = bytes.left(end);
    answer.body = bytes.mid(end + 4, length);
    return true;
  });
  return answer;
}

bool cut(QTcpSocket& socket, std::chrono::milliseconds patience = 10s) {
  return waitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, patience);
}

// The scripts and style sheets a page names, by their addresses.
std::set<QByteArray> assetsNamed(const QByteArray& html) {
  static const QRegularExpression named(R"re((?:src|href)="(/[^"/]+\.(?:js|css))")re");
  std::set<QByteArray> found;
  for (auto match = named.globalMatch(QString::fromUtf8(html)); match.hasNext();)
    found.insert(match.next().captured(1).toUtf8());
  return found;
}

class Serve : public ::testing::Test {
 protected:
  // The server answers for 127.0.0.1 at its port; ann's password is "right".
  void start(ServeSettings settings = {}) {
    settings.listen = {"127.0.0.1", 0};
    settings.signIn.accepts = [](const std::string& name, const std::string& password) {
      return password == "right" && !name.empty();
    };
    if (!settings.signIn.environment)
      settings.signIn.environment = [](const std::string&, const std::string&) {
        return apprt::SignInCheck::Environment{};
      };
    // Unless told otherwise, a session's program that says back what it is
    // sent.
    if (settings.program.isEmpty()) settings.program = "/bin/cat";
    server_ = std::make_unique<WebServer>(settings);
    std::string why;
    ASSERT_TRUE(server_->start(why)) << why;
    origin_ = "http://127.0.0.1:" + QByteArray::number(server_->port());
  }

  Answer request(const char* station, const QByteArray& method, const QByteArray& path,
                 const QByteArray& fields = {}, const QByteArray& body = {}) {
    auto socket = connectFrom(station, server_->port());
    socket->write(method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1:" +
                  QByteArray::number(server_->port()) + "\r\n" + fields +
                  "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    return readAnswer(*socket);
  }

  Answer signIn(const char* station, const QByteArray& name, const QByteArray& password,
                const QByteArray& fields = {}) {
    return request(
        station, "POST", "/sign-in",
        "Origin: " + origin_ + "\r\nContent-Type: application/x-www-form-urlencoded\r\n" + fields,
        "name=" + name + "&password=" + password);
  }

  // The page's WebSocket of the session `cookie`, once open.
  std::unique_ptr<QWebSocket> openPage(const QByteArray& cookie, std::vector<QString>& received) {
    auto page = std::make_unique<QWebSocket>(QString::fromLatin1(origin_));
    QObject::connect(page.get(), &QWebSocket::textMessageReceived,
                     [&received](const QString& m) { received.push_back(m); });
    QNetworkRequest opening(QUrl(QString("ws://127.0.0.1:%1/session").arg(server_->port())));
    opening.setRawHeader("Cookie", cookie);
    page->open(opening);
    waitFor([&] { return page->state() == QAbstractSocket::ConnectedState; }, 5s);
    return page;
  }

  bool signedIn(const QByteArray& cookie) {
    return !request("127.0.0.1", "GET", "/", "Cookie: " + cookie + "\r\n")
                .body.contains("action=\"/sign-in\"");
  }

  int argc_ = 1;
  char name_[6] = "serve";
  char* argv_[2] = {name_, nullptr};
  QCoreApplication application_{argc_, argv_};
  std::unique_ptr<WebServer> server_;
  QByteArray origin_;
};

TEST_F(Serve, HalfSentRequestsAreCutAndAStationHoldsFewConnections) {
  ServeSettings settings;
  settings.limits.header = 3s;
  settings.limits.body = 1s;
  settings.limits.quiet = 1s;
  settings.limits.perAddress = 4;
  start(settings);
  const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(server_->port()) + "\r\n";
  std::vector<std::unique_ptr<QTcpSocket>> held;
  for (int i = 0; i < 4; ++i) {
    held.push_back(connectFrom("127.0.0.1", server_->port()));
    held.back()->write("GET / HTTP/1.1\r\nHo");
  }
  // A fifth from the same station is refused at once; another station
  // is served meanwhile.
  auto fifth = connectFrom("127.0.0.1", server_->port());
  EXPECT_TRUE(cut(*fifth, 2s));
  for (auto& socket : held) EXPECT_EQ(socket->state(), QAbstractSocket::ConnectedState);
  EXPECT_EQ(request("127.0.0.2", "GET", "/").status, 200);

  // A body never finished, a connection quiet after its answer, a header
  // beyond its size: each is cut.
  auto halfBody = connectFrom("127.0.0.3", server_->port());
  halfBody->write("POST /sign-in HTTP/1.1\r\n" + host + "Origin: " + origin_ +
                  "\r\nContent-Length: 100\r\n\r\nname=ann");
  auto quiet = connectFrom("127.0.0.3", server_->port());
  quiet->write("GET / HTTP/1.1\r\n" + host + "\r\n");
  EXPECT_EQ(readAnswer(*quiet).status, 200);
  auto huge = connectFrom("127.0.0.3", server_->port());
  huge->write("GET / HTTP/1.1\r\n" + host + "X-Filler: " + QByteArray(20000, 'x') + "\r\n\r\n");
  EXPECT_EQ(readAnswer(*huge).status, 431);
  for (QTcpSocket* socket : {halfBody.get(), quiet.get(), huge.get()}) EXPECT_TRUE(cut(*socket));

  // The half-sent headers are cut in their turn, and the station may
  // connect again.
  for (auto& socket : held) EXPECT_TRUE(cut(*socket));
  EXPECT_EQ(request("127.0.0.1", "GET", "/").status, 200);
}

TEST_F(Serve, OnlyItsOwnHostNameAndItsOwnPagesFormsAreTaken) {
  start();
  auto foreignHost = connectFrom("127.0.0.1", server_->port());
  foreignHost->write("GET / HTTP/1.1\r\nHost: fesk.example.org\r\n\r\n");
  EXPECT_EQ(readAnswer(*foreignHost).status, 421);
  const QByteArray form = "Content-Type: application/x-www-form-urlencoded\r\n";
  const QByteArray right = "name=ann&password=right";
  // Another site's page signing the browser in (or out), or a post that
  // does not say where it comes from.
  EXPECT_EQ(
      request("127.0.0.1", "POST", "/sign-in", form + "Origin: http://evil.example\r\n", right)
          .status,
      403);
  EXPECT_EQ(request("127.0.0.1", "POST", "/sign-in", form, right).status, 403);
  EXPECT_EQ(request("127.0.0.1", "POST", "/sign-out", "Origin: null\r\n").status, 403);
  EXPECT_EQ(request("127.0.0.1", "POST", "/sign-in", form + "Referer: " + origin_ + "/\r\n", right)
                .status,
            303);
  // A wrong password keeps the name typed.
  const Answer wrong = signIn("127.0.0.1", "ann%20lee", "wrong");
  EXPECT_EQ(wrong.status, 403);
  EXPECT_TRUE(wrong.body.contains("value=\"ann lee\"")) << wrong.body.toStdString();
  EXPECT_EQ(signIn("127.0.0.2", "ann", "right").status, 303);
}

TEST_F(Serve, TheSignInPageLoadsThePagesScriptsWhichAreKeptForGood) {
  start();
  const std::set<QByteArray> atSignIn = assetsNamed(request("127.0.0.1", "GET", "/").body);
  const QByteArray cookie = signIn("127.0.0.1", "ann", "right").cookie();
  const std::set<QByteArray> loaded =
      assetsNamed(request("127.0.0.1", "GET", "/", "Cookie: " + cookie + "\r\n").body);
  EXPECT_EQ(loaded.size(), 2U);  // the page's script and its style sheet
  EXPECT_EQ(atSignIn, loaded);
  for (const QByteArray& address : loaded) {
    const Answer asset = request("127.0.0.1", "GET", address);
    EXPECT_EQ(asset.status, 200) << address.toStdString();
    EXPECT_TRUE(asset.head.toLower().contains("cache-control: public, max-age=31536000, immutable"))
        << asset.head.toStdString();
    EXPECT_TRUE(
        asset.head.toLower().contains(address.endsWith(".js") ? "text/javascript" : "text/css"));
    EXPECT_FALSE(asset.body.isEmpty());
  }
  // Under a name without the digest of its text, nothing is served.
  EXPECT_EQ(request("127.0.0.1", "GET", "/page.js").status, 404);
  EXPECT_EQ(request("127.0.0.1", "GET", "/app.js").status, 404);
}

TEST_F(Serve, EachSignInIsHandedAProgramStartedAheadThatIsToldWhoseItIs) {
  test::TemporaryDirectory dir;
  const std::filesystem::path starts = dir.path() / "starts";
  ServeSettings settings;
  // The program notes its start, waits to be told whose it is, and says
  // that to the page once the page is there.
  settings.program = "/bin/sh";
  settings.sessionArguments = {"-c", QString::fromStdString("echo >> '" + starts.string() +
                                                            "'; read who; read page; "
                                                            "echo \"$who\"; exec cat")};
  settings.signIn.environment = [](const std::string& name, const std::string&) {
    return apprt::SignInCheck::Environment{{"FESK_WHO", name}, {"HOME", std::nullopt}};
  };
  start(settings);
  auto started = [&] {
    std::ifstream file(starts);
    return std::count(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>(), '\n');
  };
  // One waits before anyone signs in.
  EXPECT_TRUE(waitFor([&] { return started() == 1; }));
  const QByteArray ann = signIn("127.0.0.1", "ann", "right").cookie();
  const QByteArray bob = signIn("127.0.0.2", "bob", "right").cookie();
  std::vector<QString> toAnn, toBob;
  auto annPage = openPage(ann, toAnn);
  auto bobPage = openPage(bob, toBob);
  ASSERT_TRUE(waitFor([&] { return !toAnn.empty() && !toBob.empty(); }));
  EXPECT_EQ(toAnn.front(), R"({"FESK_WHO":"ann","HOME":null})");
  EXPECT_EQ(toBob.front(), R"({"FESK_WHO":"bob","HOME":null})");
  // Bob's came before the next was started, and his own; then, a while
  // after, one more waits.
  EXPECT_TRUE(waitFor([&] { return started() == 3; }));
}

TEST_F(Serve, FailedSignInsSlowTheStationAndTheNameButNeverLockOut) {
  start();
  ASSERT_EQ(signIn("127.0.0.9", "ann", "right").status, 303);  // ann's own desk
  EXPECT_EQ(signIn("127.0.0.2", "ann", "guess1").status, 403);
  // The station waits, whatever name it tries; so does the name, from
  // any other station; others go on.
  EXPECT_EQ(signIn("127.0.0.2", "bob", "right").status, 429);
  EXPECT_EQ(signIn("127.0.0.3", "ann", "guess2").status, 429);
  EXPECT_EQ(signIn("127.0.0.3", "bob", "right").status, 303);
  // Ann at her own desk is not held up by the stranger's guesses.
  EXPECT_EQ(signIn("127.0.0.9", "ann", "right").status, 303);
  // A second later the name may be tried again.
  EXPECT_TRUE(waitFor([&] { return signIn("127.0.0.4", "ann", "right").status == 303; }, 5s));
}

TEST_F(Serve, BehindItsProxyTheForwardedStationIsSlowedAndNoOtherIsBelieved) {
  ServeSettings settings;
  settings.trustedProxy = "127.0.0.1";
  start(settings);
  EXPECT_EQ(signIn("127.0.0.1", "a", "x", "X-Forwarded-For: 198.51.100.1\r\n").status, 403);
  EXPECT_EQ(signIn("127.0.0.1", "b", "x", "X-Forwarded-For: 198.51.100.1\r\n").status, 429);
  // Another client of the proxy is not slowed by the first one's failures,
  // nor by what a client writes into the header before the proxy.
  EXPECT_EQ(signIn("127.0.0.1", "c", "x", "X-Forwarded-For: 198.51.100.1, 198.51.100.2\r\n").status,
            403);
  // A station that is not the proxy is slowed as itself, whatever it says.
  EXPECT_EQ(signIn("127.0.0.5", "d", "x", "X-Forwarded-For: 198.51.100.3\r\n").status, 403);
  EXPECT_EQ(signIn("127.0.0.5", "e", "x", "X-Forwarded-For: 198.51.100.4\r\n").status, 429);
}

TEST_F(Serve, AMessageBeyondItsCapClosesThePagesSocket) {
  start();
  const QByteArray cookie = signIn("127.0.0.1", "ann", "right").cookie();
  std::vector<QString> received;
  auto page = openPage(cookie, received);
  ASSERT_EQ(page->state(), QAbstractSocket::ConnectedState);
  page->setOutgoingFrameSize(quint64{64} * 1024);  // sent as fragments, assembled by the server
  page->sendTextMessage(QString(qsizetype{2} * 1024 * 1024, 'k'));
  EXPECT_TRUE(waitFor([&] { return page->state() == QAbstractSocket::UnconnectedState; }));
  EXPECT_EQ(page->closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
}

TEST_F(Serve, APersonHoldsAtMostTheSessionsAllowed) {
  ServeSettings settings;
  settings.sessionsPerUser = 2;
  start(settings);
  const QByteArray first = signIn("127.0.0.1", "ann", "right").cookie();
  EXPECT_EQ(signIn("127.0.0.1", "ann", "right").status, 303);
  const Answer third = signIn("127.0.0.1", "ann", "right");
  EXPECT_EQ(third.status, 403);
  EXPECT_TRUE(third.body.contains("sessions open")) << third.body.toStdString();
  EXPECT_EQ(signIn("127.0.0.1", "bob", "right").status, 303);
  // The sessions held were left as they were; ending one lets ann in again.
  EXPECT_TRUE(signedIn(first));
  EXPECT_EQ(request("127.0.0.1", "POST", "/sign-out",
                    "Origin: " + origin_ + "\r\nCookie: " + first + "\r\n")
                .status,
            303);
  EXPECT_EQ(signIn("127.0.0.1", "ann", "right").status, 303);
}

TEST_F(Serve, AClosedPageEndsItsSessionUnlessItComesBackInTime) {
  ServeSettings settings;
  settings.comeBack = 2s;
  start(settings);
  const QByteArray cookie = signIn("127.0.0.1", "ann", "right").cookie();
  std::vector<QString> received;
  auto page = openPage(cookie, received);
  ASSERT_EQ(page->state(), QAbstractSocket::ConnectedState);
  // Loaded again: the page goes and comes back, to the same session.
  page->close();
  page = openPage(cookie, received);
  ASSERT_EQ(page->state(), QAbstractSocket::ConnectedState);
  page->sendTextMessage(R"({"t":"still here"})");
  EXPECT_TRUE(waitFor([&] { return !received.empty() && received.back().contains("still here"); }));
  // Closed for good: the session ends soon after, not at its idle limit.
  page->close();
  EXPECT_TRUE(waitFor([&] { return !signedIn(cookie); }, 8s));
}

TEST_F(Serve, ThePageIsWarnedBeforeTheIdleEndAndAKeyKeepsTheSession) {
  ServeSettings settings;
  settings.idleLimit = 3s;
  settings.idleWarning = 1500ms;
  start(settings);
  const QByteArray cookie = signIn("127.0.0.1", "ann", "right").cookie();
  std::vector<QString> received;
  auto page = openPage(cookie, received);
  auto saw = [&](const char* text) {
    return std::any_of(received.begin(), received.end(),
                       [&](const QString& m) { return m.contains(text); });
  };
  ASSERT_TRUE(waitFor([&] { return saw(R"("t":"idle")"); }));
  EXPECT_FALSE(saw(R"("t":"ending")"));
  page->sendTextMessage(R"({"t":"keep"})");
  // Kept: the session outlives the end it was warned of, and is warned
  // again before its new end, which comes when nothing more is sent.
  received.clear();
  ASSERT_TRUE(waitFor([&] { return saw(R"("t":"idle")"); }));
  EXPECT_TRUE(signedIn(cookie));
  EXPECT_TRUE(waitFor([&] { return saw(R"("reason":"idle")"); }));
  EXPECT_FALSE(signedIn(cookie));
}

}  // namespace
}  // namespace fesk::web
