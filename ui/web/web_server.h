#pragma once
// The serve process: HTTP (the page, sign-in), the page's WebSocket, and a
// session (web_session.h) per signed-in browser.

#include <QHttpServer>
#include <QObject>
#include <QProcessEnvironment>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "ui/web/listen_address.h"
#include "ui/web/sign_in_throttle.h"
#include "ui/web/web_session.h"

namespace fesk::web {

// Who may sign in, and what the session's program of that person is given.
// `accepts` may take long (a server's connect, a memory-hard hash): it runs
// on a worker thread, never holding up the server's other requests.
struct SignIn {
  std::function<bool(const std::string& name, const std::string& password)> accepts;
  // The environment of the session's program (on a server, the person's
  // credentials, so that it connects as them).
  std::function<QProcessEnvironment(const std::string& name, const std::string& password)>
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
  void signIn(const QHttpServerRequest& request, QHttpServerResponder&& responder);
  QHttpServerResponse answerSignIn(const std::string& address, bool accepted,
                                   const std::string& name, const std::string& password);
  QHttpServerResponse signOut(const QHttpServerRequest& request);
  void webSocket();
  void endIdleSessions();
  void endSession(const QString& token, const QString& reason);
  QString sessionOf(const QHttpServerRequest& request) const;
  QHttpServerResponse signInPage(const QString& message,
                                 QHttpServerResponse::StatusCode status) const;
  bool tls() const { return !settings_.certificate.empty(); }

  ServeSettings settings_;
  QHttpServer http_;
  quint16 port_ = 0;
  SignInThrottle throttle_;
  // Addresses whose sign-in is being checked: one at a time each, so that
  // the throttle sees every failure before the next attempt.
  std::set<std::string> checking_;
  QThreadPool checks_;
  std::map<QString, std::unique_ptr<WebSession>> sessions_;
  QTimer idleCheck_;
};

}  // namespace fesk::web
