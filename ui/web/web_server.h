#pragma once
// The serve process: HTTP (the page, sign-in), the page's WebSocket, and a
// session (web_session.h) per signed-in browser.

#include <QHttpServer>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/web/guarded_listener.h"
#include "ui/web/listen_address.h"
#include "ui/web/page_assets.h"
#include "ui/web/sign_in_throttle.h"
#include "ui/web/web_session.h"

namespace fesk::web {

// Who may sign in, and what the session's program of that person is given.
// `accepts` may take long (a server's connect, a memory-hard hash): it runs
// on a worker thread, never holding up the server's other requests.
struct SignIn {
  std::function<bool(const std::string& name, const std::string& password)> accepts;
  // What the session's program has set in its environment (on a server, the
  // person's credentials, so that it connects as them).
  std::function<apprt::SignInCheck::Environment(const std::string& name,
                                                const std::string& password)>
      environment;
};

struct ServeSettings {
  ListenAddress listen;
  std::string certificate, key;  // PEM files; both empty: plain HTTP
  SignIn signIn;
  // What starts a session's program.
  QString program;
  QStringList sessionArguments;
  std::chrono::milliseconds idleLimit = std::chrono::minutes(30);
  // The page warns this long before the idle end (at most half the limit).
  std::chrono::milliseconds idleWarning = std::chrono::minutes(1);
  // A page gone (its tab closed) this long ends its session; loaded again
  // before, it gets the session back.
  std::chrono::milliseconds comeBack = std::chrono::minutes(1);
  // The address people open (scheme, host, port): the one host this server
  // answers for and whose pages may post to it. Empty: the listen address
  // (on the loopback, also "localhost").
  std::string publicUrl;
  // A reverse proxy in front of this server: the last station of its
  // X-Forwarded-For is the one a sign-in comes from. Nobody else's is
  // believed.
  std::string trustedProxy;
  // Sessions one person may hold at once; beyond them a sign-in is refused.
  int sessionsPerUser = 3;
  ConnectionLimits limits;
};

class WebServer : public QObject {
  Q_OBJECT
 public:
  explicit WebServer(ServeSettings settings);
  ~WebServer() override;
  // Listens; false, with the reason in `why`, when it cannot.
  bool start(std::string& why);
  quint16 port() const { return port_; }

 private:
  void addRoutes();
  QHttpServerResponse page(const QHttpServerRequest& request);
  HeadVerdict judge(const RequestHead& head) const;
  bool servesOrigin(const QByteArray& origin) const;
  std::string stationOf(const QHttpServerRequest& request) const;
  void signIn(const QHttpServerRequest& request, QHttpServerResponder&& responder);
  QHttpServerResponse answerSignIn(const std::string& station, bool accepted,
                                   const std::string& name, const std::string& password);
  int sessionsOf(const std::string& user) const;
  QHttpServerResponse signOut(const QHttpServerRequest& request);
  void sendWrittenFile(const QHttpServerRequest& request, const QString& name,
                       QHttpServerResponder&& responder);
  void webSocket();
  // The program that waits for the next sign-in, handed to it; another is
  // started a while after, so as not to slow the start of the one handed.
  std::unique_ptr<WebSession> takeWaitingProgram();
  void startWaitingProgram();
  void endIdleSessions();
  void endSession(const QString& token, const QString& reason);
  QString sessionOf(const QHttpServerRequest& request) const;
  QHttpServerResponse signInPage(const QString& message, QHttpServerResponse::StatusCode status,
                                 const std::string& name = {}) const;
  bool tls() const { return !settings_.certificate.empty(); }
  // Whether the pages are reached over TLS (here, or at the proxy in front).
  bool secureOrigin() const;

  ServeSettings settings_;
  PageAssets assets_;
  QByteArray indexPage_, signInPage_;  // naming the assets as served
  QHttpServer http_;
  quint16 port_ = 0;
  // The origins (scheme, host, port) of the pages this server serves.
  std::vector<QUrl> origins_;
  std::optional<QHostAddress> proxy_;
  SignInThrottle throttle_;
  // Stations and names whose sign-in is being checked: one at a time each,
  // so that the throttle sees every failure before the next attempt.
  std::set<std::string> checking_;
  QThreadPool checks_;
  std::map<QString, std::unique_ptr<WebSession>> sessions_;
  // A session's program started ahead, nobody's yet.
  std::unique_ptr<WebSession> waiting_;
  QTimer idleCheck_;
};

}  // namespace fesk::web
