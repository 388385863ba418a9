#pragma once
// The serve process: HTTP (the page, sign-in), the page's WebSocket, and a
// session (web_session.h) per signed-in browser.

#include <QHttpServer>
#include <QObject>
#include <QProcessEnvironment>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/web/listen_address.h"
#include "ui/web/sign_in_throttle.h"
#include "ui/web/web_session.h"

namespace fesk::web {

// Who may sign in, and what the session's program of that person is given.
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
  std::chrono::minutes idleLimit{30};
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
  QHttpServerResponse signIn(const QHttpServerRequest& request);
  QHttpServerResponse signOut(const QHttpServerRequest& request);
  void webSocket();
  void endIdleSessions();
  void endSession(const QString& token);
  QString sessionOf(const QHttpServerRequest& request) const;
  QHttpServerResponse signInPage(const QString& message,
                                 QHttpServerResponse::StatusCode status) const;
  bool tls() const { return !settings_.certificate.empty(); }

  ServeSettings settings_;
  QHttpServer http_;
  quint16 port_ = 0;
  SignInThrottle throttle_;
  std::map<QString, std::unique_ptr<WebSession>> sessions_;
  QTimer idleCheck_;
};

}  // namespace fesk::web
