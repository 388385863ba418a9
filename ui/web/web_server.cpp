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
constexpr quint64 kMostMessageBytes = quint64{1024} * 1024;
// After a sign-in, the next one's program waits this long before it starts,
// leaving the machine to the session just begun.
constexpr std::chrono::seconds kNextProgramDelay{2};

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

// Whether two addresses have the same scheme, host and port.
bool sameOrigin(const QUrl& a, const QUrl& b) {
  auto port = [](const QUrl& url) { return url.port(url.scheme() == "https" ? 443 : 80); };
  return a.isValid() && !a.host().isEmpty() && a.scheme() == b.scheme() && a.host() == b.host() &&
         port(a) == port(b);
}

}  // namespace

WebServer::WebServer(ServeSettings settings)
    : settings_(std::move(settings)),
      assets_(pageFiles()),
      indexPage_(assets_.linked(pageFile("index"))),
      signInPage_(assets_.linked(pageFile("signin"))) {
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
  std::optional<QSslConfiguration> tlsSettings;
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
    tlsSettings = QSslConfiguration::defaultConfiguration();
    tlsSettings->setLocalCertificate(certificate);
    tlsSettings->setPrivateKey(key);
  }
  if (!settings_.trustedProxy.empty()) {
    proxy_ = QHostAddress(QString::fromStdString(settings_.trustedProxy));
    if (proxy_->isNull()) {
      why = "the trusted proxy " + settings_.trustedProxy + " is not an IP address";
      return false;
    }
  }
  const QString host = QString::fromStdString(settings_.listen.host);
  const QHostAddress address =
      host == "localhost" ? QHostAddress(QHostAddress::LocalHost) : QHostAddress(host);
  auto* listener = new GuardedListener(
      settings_.limits, tlsSettings, [this](const RequestHead& head) { return judge(head); },
      proxy_, &http_);
  if (!listener->listen(address, static_cast<quint16>(settings_.listen.port))) {
    delete listener;
    why = "cannot listen on " + settings_.listen.host + ":" +
          std::to_string(settings_.listen.port) + " (in use, or not an address of this station)";
    return false;
  }
  port_ = listener->serverPort();
  http_.bind(listener);
  startWaitingProgram();
  if (!settings_.publicUrl.empty()) {
    origins_ = {QUrl(QString::fromStdString(settings_.publicUrl))};
  } else {
    QStringList hosts{host};
    if (isLoopback(settings_.listen.host))
      hosts << "localhost"
            << "127.0.0.1"
            << "::1";
    for (const QString& served : hosts) {
      QUrl origin;
      origin.setScheme(tls() ? "https" : "http");
      origin.setHost(served);
      origin.setPort(port_);
      origins_.push_back(origin);
    }
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
  // What a session's program wrote for its page (an exported or a printed
  // list), downloaded by that session's page alone.
  http_.route(
      "/files/<arg>", Method::Get,
      [this](const QString& name, const QHttpServerRequest& r, QHttpServerResponder&& responder) {
        sendWrittenFile(r, name, std::move(responder));
      });
  // A script or the style sheet never changes under its name: the browser
  // keeps it for good, and asks for it again only under a new name.
  for (const PageAsset& asset : assets_.all())
    http_.route(QString::fromStdString(asset.servedPath), Method::Get, [&asset] {
      QHttpServerResponse response(asset.type, asset.text);
      secure(response);
      response.setHeader("Cache-Control", "public, max-age=31536000, immutable");
      return response;
    });
}

QString WebServer::sessionOf(const QHttpServerRequest& request) const {
  const QString token = cookie(request.value("Cookie"), kCookieName);
  return sessions_.count(token) ? token : QString();
}

bool WebServer::secureOrigin() const {
  return tls() || origins_.front().scheme() == "https";
}

HeadVerdict WebServer::judge(const RequestHead& head) const {
  const QString host = QString::fromLatin1(head.field("host"));
  if (std::none_of(origins_.begin(), origins_.end(), [&](const QUrl& origin) {
        return sameOrigin(QUrl(origin.scheme() + "://" + host), origin);
      }))
    return {421, "This server does not answer for that host name.", false};
  // Every form this server takes comes from its own pages: a post from
  // another site's page (signing the browser in as someone else, or out)
  // is refused. Browsers say where a post comes from in Origin, or at
  // least in Referer.
  if (head.method == "POST") {
    QByteArray origin = head.field("origin");
    if (origin.isEmpty())
      origin = QUrl(QString::fromLatin1(head.field("referer")))
                   .adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
                   .toEncoded();
    if (!servesOrigin(origin))
      return {403, "A form is taken only from this server's pages.", false};
  }
  const QString token = cookie(head.field("cookie"), kCookieName);
  return {0, {}, !token.isEmpty() && sessions_.count(token) > 0};
}

bool WebServer::servesOrigin(const QByteArray& origin) const {
  const QUrl url(QString::fromLatin1(origin));
  return std::any_of(origins_.begin(), origins_.end(),
                     [&](const QUrl& served) { return sameOrigin(url, served); });
}

std::string WebServer::stationOf(const QHttpServerRequest& request) const {
  const QHostAddress peer = request.remoteAddress();
  if (proxy_ && peer.isEqual(*proxy_, QHostAddress::ConvertV4MappedToIPv4)) {
    // The proxy appends the station it was reached from: the last entry is
    // the one it vouches for, the ones before are what the station claimed.
    const QHostAddress station(
        QString::fromLatin1(request.value("X-Forwarded-For").split(',').last().trimmed()));
    if (!station.isNull()) return station.toString().toStdString();
  }
  return peer.toString().toStdString();
}

int WebServer::sessionsOf(const std::string& user) const {
  return static_cast<int>(std::count_if(sessions_.begin(), sessions_.end(), [&](const auto& held) {
    return held.second->user() == user;
  }));
}

QHttpServerResponse WebServer::signInPage(const QString& message,
                                          QHttpServerResponse::StatusCode status,
                                          const std::string& name) const {
  QByteArray html = signInPage_;
  html.replace("<!--message-->", message.toHtmlEscaped().toUtf8());
  html.replace("<!--name-->", QString::fromStdString(name).toHtmlEscaped().toUtf8());
  QHttpServerResponse response("text/html; charset=utf-8", html, status);
  secure(response);
  return response;
}

QHttpServerResponse WebServer::page(const QHttpServerRequest& request) {
  if (sessionOf(request).isEmpty()) return signInPage({}, QHttpServerResponse::StatusCode::Ok);
  QHttpServerResponse response("text/html; charset=utf-8", indexPage_);
  secure(response);
  return response;
}

void WebServer::signIn(const QHttpServerRequest& request, QHttpServerResponder&& responder) {
  using Status = QHttpServerResponse::StatusCode;
  const std::string station = stationOf(request);
  // A form's body writes a space as '+', which QUrlQuery leaves as it is.
  const QUrlQuery form(QString::fromUtf8(request.body()).replace('+', "%20"));
  const std::string name = form.queryItemValue("name", QUrl::FullyDecoded).toStdString();
  const std::string password = form.queryItemValue("password", QUrl::FullyDecoded).toStdString();
  if (auto wait = throttle_.wait(station, name); wait.count() > 0)
    return signInPage(QString("Too many failed sign-ins: try again in %1 s.").arg(wait.count()),
                      Status::TooManyRequests, name)
        .write(std::move(responder));
  const std::string stationKey = "station " + station, nameKey = "name " + name;
  if (checking_.count(stationKey) || checking_.count(nameKey))
    return signInPage(
               "A sign-in from this station or with this name is being checked: try "
               "again in a moment.",
               Status::TooManyRequests, name)
        .write(std::move(responder));
  checking_.insert(stationKey);
  checking_.insert(nameKey);
  // The answer is written once the check is done, unless the browser has
  // gone meanwhile (its socket with it).
  QPointer<QTcpSocket> socket = responder.socket();
  auto waiting = std::make_shared<QHttpServerResponder>(std::move(responder));
  QtConcurrent::run(&checks_, settings_.signIn.accepts, name, password)
      .then(this, [=, this](bool accepted) {
        checking_.erase(stationKey);
        checking_.erase(nameKey);
        if (socket) {
          answerSignIn(station, accepted, name, password).write(std::move(*waiting));
        } else if (!accepted) {
          throttle_.failed(station, name);  // nobody reads the answer, but the failure counts
        }
      });
}

QHttpServerResponse WebServer::answerSignIn(const std::string& station, bool accepted,
                                            const std::string& name, const std::string& password) {
  using Status = QHttpServerResponse::StatusCode;
  if (!accepted) {
    throttle_.failed(station, name);
    return signInPage("The name or the password is wrong.", Status::Forbidden, name);
  }
  throttle_.succeeded(station, name);
  // The sessions held stay as they are, typing and all: the new one waits
  // until one of them ends.
  if (const int held = sessionsOf(name); held >= settings_.sessionsPerUser)
    return signInPage(QString("%1 has %2 sessions open, the most allowed: end one (File > Exit, "
                              "or Sign out) and sign in again. A closed page's session ends "
                              "within a minute.")
                          .arg(QString::fromStdString(name))
                          .arg(held),
                      Status::Forbidden, name);
  const QString token = randomToken();
  std::unique_ptr<WebSession> session = takeWaitingProgram();
  session->begin(name, settings_.signIn.environment(name, password));
  connect(session.get(), &WebSession::ended, this, [this, token] {
    auto found = sessions_.find(token);
    if (found == sessions_.end()) return;
    found->second.release()->deleteLater();
    sessions_.erase(found);
  });
  connect(session.get(), &WebSession::abandoned, this,
          [this, token] { endSession(token, "closed"); });
  sessions_[token] = std::move(session);
  QHttpServerResponse response(Status::SeeOther);
  response.setHeader("Location", "/");
  response.setHeader("Set-Cookie", kCookieName + '=' + token.toLatin1() +
                                       "; Path=/; HttpOnly; SameSite=Strict" +
                                       (secureOrigin() ? "; Secure" : ""));
  return response;
}

std::unique_ptr<WebSession> WebServer::takeWaitingProgram() {
  std::unique_ptr<WebSession> taken = std::move(waiting_);
  if (!taken || !taken->running())
    taken = std::make_unique<WebSession>(settings_.program, settings_.sessionArguments,
                                         settings_.comeBack);
  QTimer::singleShot(kNextProgramDelay, this, [this] {
    if (!waiting_) startWaitingProgram();
  });
  return taken;
}

void WebServer::startWaitingProgram() {
  waiting_ = std::make_unique<WebSession>(settings_.program, settings_.sessionArguments,
                                          settings_.comeBack);
}

void WebServer::sendWrittenFile(const QHttpServerRequest& request, const QString& name,
                                QHttpServerResponder&& responder) {
  const QString token = sessionOf(request);
  const QString path = token.isEmpty() ? QString() : sessions_.at(token)->writtenFile(name);
  auto* file = new QFile(path);
  if (path.isEmpty() || !file->open(QIODevice::ReadOnly)) {
    delete file;
    responder.write(QHttpServerResponder::StatusCode::NotFound);
    return;
  }
  const QByteArray type = name.endsWith(".pdf") ? "application/pdf" : "text/csv; charset=utf-8";
  // The name was made of a file name alone: it needs no quoting but its own.
  const QByteArray disposition = "attachment; filename=\"" + name.toUtf8() + '"';
  // The responder reads the file as the connection takes it, and deletes it.
  responder.write(file, {{"Content-Type", type},
                         {"Content-Disposition", disposition},
                         {"X-Content-Type-Options", "nosniff"},
                         {"Cache-Control", "no-store"}});
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
    // A message the page sends is a key or an answer: one being assembled
    // from fragments beyond this is no page's, and closes the socket.
    socket->setMaxAllowedIncomingMessageSize(kMostMessageBytes);
    socket->setMaxAllowedIncomingFrameSize(kMostMessageBytes);
    const QNetworkRequest request = socket->request();
    // Only the page this server sent may open a session's socket: its Origin
    // is this server, and it carries the session's cookie.
    const QString token = cookie(request.rawHeader("Cookie"), kCookieName);
    auto session = sessions_.find(token);
    if (!servesOrigin(socket->origin().toLatin1())) {
      socket->close(QWebSocketProtocol::CloseCodePolicyViolated, "foreign origin");
    } else if (token.isEmpty() || session == sessions_.end()) {
      socket->close(QWebSocketProtocol::CloseCodePolicyViolated, "not signed in");
    } else {
      session->second->attach(std::move(socket));
      continue;
    }
    // Closed: it goes once its closing is done, or cut if the other end
    // does not answer the close.
    QWebSocket* closing = socket.release();
    connect(closing, &QWebSocket::disconnected, closing, &QObject::deleteLater);
    QTimer::singleShot(settings_.limits.quiet, closing, [closing] { closing->abort(); });
  }
}

void WebServer::endIdleSessions() {
  const qint64 limit = settings_.idleLimit.count();
  const qint64 warnAt = limit - std::min<qint64>(settings_.idleWarning.count(), limit / 2);
  std::vector<QString> idle;
  for (const auto& [token, session] : sessions_) {
    const qint64 idleFor = session->idleMilliseconds();
    if (idleFor > limit)
      idle.push_back(token);
    else if (idleFor >= warnAt && !session->warned())
      session->warnIdle((limit - idleFor + 999) / 1000);
  }
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
