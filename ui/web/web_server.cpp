#include "ui/web/web_server.h"

#include <sodium.h>

#include <QFile>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QtConcurrent>
#include <algorithm>
#include <vector>

#include "ui/web/page_files.h"

namespace fesk::web {

namespace {

const QByteArray kCookieName = "fesk_session";

QByteArray pageText(std::string_view name) {
  const std::string_view text = pageFile(name);
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

QString randomToken() {
  unsigned char bytes[32];
  randombytes_buf(bytes, sizeof bytes);
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes).toHex());
}

// The value of cookie `name` in a Cookie header.
QString cookie(const QByteArray& header, const QByteArray& name) {
  for (const QByteArray& part : header.split(';')) {
    const QByteArray trimmed = part.trimmed();
    if (trimmed.startsWith(name + '=')) return QString::fromLatin1(trimmed.mid(name.size() + 1));
  }
  return {};
}

// Pages that must not be framed by other sites, nor load anything from
// anywhere else.
void secure(QHttpServerResponse& response) {
  response.setHeader("Content-Security-Policy",
                     "default-src 'self'; connect-src 'self'; frame-ancestors 'none'");
  response.setHeader("X-Content-Type-Options", "nosniff");
  response.setHeader("Cache-Control", "no-store");
}

QHttpServerResponse file(std::string_view name, const QByteArray& type) {
  QHttpServerResponse response(type, pageText(name));
  secure(response);
  return response;
}

}  // namespace

namespace {
std::string_view fileNamed(const std::vector<PageFile>& files, std::string_view name) {
  for (const PageFile& f : files)
    if (f.name == name) return f.text;
  return {};
}
}  // namespace

std::string_view pageFile(std::string_view name) {
  return fileNamed(pageFiles(), name);
}

std::string_view helpPage(std::string_view helpId) {
  const std::string_view page = fileNamed(helpPages(), helpId);
  return page.empty() ? fileNamed(helpPages(), "index") : page;
}

WebServer::WebServer(ServeSettings settings) : settings_(std::move(settings)) {
  // Each check may wait on the database server for its connect timeout, or
  // hold a hash's memory: a few at once, the rest queued.
  checks_.setMaxThreadCount(4);
  addRoutes();
  connect(&http_, &QAbstractHttpServer::newWebSocketConnection, this, &WebServer::webSocket);
  connect(&idleCheck_, &QTimer::timeout, this, &WebServer::endIdleSessions);
  // Often enough that a session ends within a quarter of its limit late.
  idleCheck_.start(std::clamp<std::chrono::milliseconds>(
      settings_.idleLimit / 4, std::chrono::milliseconds(100), std::chrono::seconds(15)));
}

WebServer::~WebServer() = default;

bool WebServer::start(std::string& why) {
  if (tls()) {
    QFile certificateFile(QString::fromStdString(settings_.certificate));
    QFile keyFile(QString::fromStdString(settings_.key));
    if (!certificateFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly)) {
      why = "cannot read the certificate " + settings_.certificate + " or the key " + settings_.key;
      return false;
    }
    QSslCertificate certificate(&certificateFile, QSsl::Pem);
    QSslKey key(&keyFile, QSsl::Rsa, QSsl::Pem);
    if (key.isNull()) {
      keyFile.seek(0);
      key = QSslKey(&keyFile, QSsl::Ec, QSsl::Pem);
    }
    if (certificate.isNull() || key.isNull()) {
      why = "the certificate or the key is not a PEM file of the kind expected (RSA or EC key)";
      return false;
    }
    http_.sslSetup(certificate, key);
  }
  const QString host = QString::fromStdString(settings_.listen.host);
  const QHostAddress address =
      host == "localhost" ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(host);
  port_ = http_.listen(address, static_cast<quint16>(settings_.listen.port));
  if (port_ == 0) {
    why = "cannot listen on " + settings_.listen.host + ":" +
          std::to_string(settings_.listen.port) + " (in use, or not an address of this station)";
    return false;
  }
  return true;
}

void WebServer::addRoutes() {
  using Method = QHttpServerRequest::Method;
  http_.route("/", Method::Get, [this](const QHttpServerRequest& r) { return page(r); });
  http_.route("/sign-in", Method::Post,
              [this](const QHttpServerRequest& r, QHttpServerResponder&& responder) {
                signIn(r, std::move(responder));
              });
  http_.route("/sign-out", Method::Post,
              [this](const QHttpServerRequest& r) { return signOut(r); });
  // The page's WebSocket: the server upgrades a request only when a route
  // takes it, and answers nothing itself (webSocket() checks it then).
  http_.route("/session", Method::Get, [](QHttpServerResponder&&) {});
  http_.route("/favicon.ico", Method::Get,
              [] { return QHttpServerResponse(QHttpServerResponse::StatusCode::NoContent); });
  // Help pages are shown in a frame of the program's page, and link each
  // other by file name.
  http_.route("/help/<arg>", Method::Get, [](const QString& file) {
    const std::string id = file.endsWith(".html") ? file.chopped(5).toStdString() : std::string();
    const std::string_view page = helpPage(id);
    QHttpServerResponse response("text/html; charset=utf-8",
                                 QByteArray(page.data(), static_cast<qsizetype>(page.size())));
    secure(response);
    response.setHeader("Content-Security-Policy", "default-src 'self'; frame-ancestors 'self'");
    return response;
  });
  http_.route("/app.js", Method::Get, [] { return file("app", "text/javascript"); });
  http_.route("/windows.js", Method::Get, [] { return file("windows", "text/javascript"); });
  http_.route("/dialogs.js", Method::Get, [] { return file("dialogs", "text/javascript"); });
  http_.route("/style.css", Method::Get, [] { return file("style", "text/css"); });
}

QString WebServer::sessionOf(const QHttpServerRequest& request) const {
  const QString token = cookie(request.value("Cookie"), kCookieName);
  return sessions_.count(token) ? token : QString();
}

QHttpServerResponse WebServer::signInPage(const QString& message,
                                          QHttpServerResponse::StatusCode status) const {
  QByteArray html = pageText("signin");
  html.replace("<!--message-->", message.toHtmlEscaped().toUtf8());
  QHttpServerResponse response("text/html; charset=utf-8", html, status);
  secure(response);
  return response;
}

QHttpServerResponse WebServer::page(const QHttpServerRequest& request) {
  if (sessionOf(request).isEmpty()) return signInPage({}, QHttpServerResponse::StatusCode::Ok);
  return file("index", "text/html; charset=utf-8");
}

void WebServer::signIn(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
  using Status = QHttpServerResponse::StatusCode;
  const std::string address = request.remoteAddress().toString().toStdString();
  if (auto wait = throttle_.wait(address); wait.count() > 0)
    return signInPage(QString("Too many failed sign-ins: try again in %1 s.").arg(wait.count()),
                      Status::TooManyRequests)
        .write(std::move(responder));
  if (!checking_.insert(address).second)
    return signInPage("A sign-in from this station is being checked: try again in a moment.",
                      Status::TooManyRequests)
        .write(std::move(responder));
  // A form's body writes a space as '+', which QUrlQuery leaves as it is.
  const QUrlQuery form(QString::fromUtf8(request.body()).replace('+', "%20"));
  const std::string name = form.queryItemValue("name", QUrl::FullyDecoded).toStdString();
  const std::string password = form.queryItemValue("password", QUrl::FullyDecoded).toStdString();
  // The answer is written once the check is done, unless the browser has
  // gone meanwhile (its socket with it).
  QPointer<QTcpSocket> socket = responder.socket();
  auto waiting = std::make_shared<QHttpServerResponder>(std::move(responder));
  QtConcurrent::run(&checks_, settings_.signIn.accepts, name, password)
      .then(this, [this, address, name, password, socket, waiting](bool accepted) {
        checking_.erase(address);
        if (socket) {
          answerSignIn(address, accepted, name, password).write(std::move(*waiting));
        } else if (!accepted) {
          throttle_.failed(address);  // nobody reads the answer, but the failure counts
        }
      });
}

QHttpServerResponse WebServer::answerSignIn(const std::string& address, bool accepted,
                                            const std::string& name, const std::string& password) {
  using Status = QHttpServerResponse::StatusCode;
  if (!accepted) {
    throttle_.failed(address);
    return signInPage("The name or the password is wrong.", Status::Forbidden);
  }
  throttle_.succeeded(address);
  const QString token = randomToken();
  auto session = std::make_unique<WebSession>(settings_.program, settings_.sessionArguments,
                                              settings_.signIn.environment(name, password));
  connect(session.get(), &WebSession::ended, this, [this, token] {
    auto found = sessions_.find(token);
    if (found == sessions_.end()) return;
    found->second.release()->deleteLater();
    sessions_.erase(found);
  });
  sessions_[token] = std::move(session);
  QHttpServerResponse response(Status::SeeOther);
  response.setHeader("Location", "/");
  response.setHeader("Set-Cookie", kCookieName + '=' + token.toLatin1() +
                                       "; Path=/; HttpOnly; SameSite=Strict" +
                                       (tls() ? "; Secure" : ""));
  return response;
}

QHttpServerResponse WebServer::signOut(const QHttpServerRequest& request) {
  if (const QString token = sessionOf(request); !token.isEmpty()) endSession(token, "signed out");
  QHttpServerResponse response(QHttpServerResponse::StatusCode::SeeOther);
  response.setHeader("Location", "/");
  response.setHeader("Set-Cookie", kCookieName + "=; Path=/; Max-Age=0");
  return response;
}

void WebServer::webSocket() {
  while (http_.hasPendingWebSocketConnections()) {
    std::unique_ptr<QWebSocket> socket = http_.nextPendingWebSocketConnection();
    const QNetworkRequest request = socket->request();
    // Only the page this server sent may open a session's socket: its Origin
    // is this server, and it carries the session's cookie.
    const QString expected =
        QString(tls() ? "https://" : "http://") + QString::fromLatin1(request.rawHeader("Host"));
    const QString token = cookie(request.rawHeader("Cookie"), kCookieName);
    auto session = sessions_.find(token);
    if (socket->origin() != expected) {
      socket->close(QWebSocketProtocol::CloseCodePolicyViolated, "foreign origin");
    } else if (token.isEmpty() || session == sessions_.end()) {
      socket->close(QWebSocketProtocol::CloseCodePolicyViolated, "not signed in");
    } else {
      session->second->attach(std::move(socket));
      continue;
    }
    // Closed: it goes once its closing is done.
    QWebSocket* closing = socket.release();
    connect(closing, &QWebSocket::disconnected, closing, &QObject::deleteLater);
  }
}

void WebServer::endIdleSessions() {
  const qint64 limit = settings_.idleLimit.count();
  std::vector<QString> idle;
  for (const auto& [token, session] : sessions_)
    if (session->idleMilliseconds() > limit) idle.push_back(token);
  for (const QString& token : idle) endSession(token, "idle");
}

void WebServer::endSession(const QString& token, const QString& reason) {
  // The token opens nothing from now on, while the program still closes.
  auto found = sessions_.find(token);
  if (found == sessions_.end()) return;
  WebSession* ending = found->second.release();
  sessions_.erase(found);
  connect(ending, &WebSession::ended, ending, &QObject::deleteLater);
  ending->end(reason);
}

}  // namespace fesk::web
