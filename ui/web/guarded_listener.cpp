#include "ui/web/guarded_listener.h"

#include <QPointer>
#include <QSslSocket>
#include <QTimer>

namespace fesk::web {

QByteArray RequestHead::field(const QByteArray& lowerName) const {
  auto found = fields.find(lowerName);
  return found == fields.end() ? QByteArray() : found->second;
}

namespace {

// The station a connection comes from, an IPv4 address the same however
// the socket was opened.
QString stationOf(const QHostAddress& address) {
  bool v4 = false;
  const quint32 ipv4 = address.toIPv4Address(&v4);
  return v4 ? QHostAddress(ipv4).toString() : address.toString();
}

// The request line and the fields of a head (without its closing blank
// line); nullopt when it is not one.
std::optional<RequestHead> readHead(const QByteArray& text) {
  const QList<QByteArray> lines = text.split('\n');
  const QList<QByteArray> request = lines.front().trimmed().split(' ');
  if (request.size() != 3 || !request[2].startsWith("HTTP/1.")) return std::nullopt;
  RequestHead head{request[0], request[1], {}};
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const qsizetype colon = lines[i].indexOf(':');
    if (colon <= 0) return std::nullopt;
    const QByteArray name = lines[i].left(colon).trimmed().toLower();
    // A field given twice would be read one way here and another by the
    // server: refused, as it has no use.
    if (!head.fields.emplace(name, lines[i].mid(colon + 1).trimmed()).second) return std::nullopt;
  }
  return head;
}

QByteArray statusText(int status) {
  switch (status) {
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 411:
      return "Length Required";
    case 413:
      return "Content Too Large";
    case 421:
      return "Misdirected Request";
    case 431:
      return "Request Header Fields Too Large";
    default:
      return "Refused";
  }
}

}  // namespace

// One connection, from its start until it is a signed-in page's WebSocket
// or gone. It reads what came (before the server takes it) to know where
// each request is, and ends the connection when a limit is passed.
class ConnectionWatch : public QObject {
 public:
  ConnectionWatch(GuardedListener& listener, QTcpSocket& socket, QString station, bool counted)
      : QObject(&socket),
        listener_(&listener),
        socket_(socket),
        limits_(listener.limits_),
        station_(std::move(station)),
        counted_(counted) {
    if (counted_) listener.count(station_, +1);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
      socket_.abort();
      socket_.deleteLater();
    });
    // Connected before the server's own reading, so this sees each byte first.
    connect(&socket_, &QIODevice::readyRead, this, &ConnectionWatch::read);
    connect(&socket_, &QIODevice::bytesWritten, this, [this] {
      if (state_ == State::Answer || state_ == State::Quiet) enter(State::Quiet, limits_.quiet);
    });
    enter(State::Head, limits_.header);
  }
  ~ConnectionWatch() override { stopCounting(); }

 private:
  enum class State { Head, Body, Answer, Quiet, Upgraded, Refused };

  void enter(State state, std::chrono::milliseconds limit) {
    state_ = state;
    timer_.start(limit);
  }

  void stopCounting() {
    if (counted_ && listener_) listener_->count(station_, -1);
    counted_ = false;
  }

  void read() {
    if (state_ == State::Refused) {
      socket_.readAll();
      return;
    }
    if (state_ == State::Upgraded) return;
    const QByteArray bytes = socket_.peek(socket_.bytesAvailable());
    qsizetype at = 0;
    while (at < bytes.size()) {
      if (state_ == State::Answer || state_ == State::Quiet) {
        head_.clear();
        enter(State::Head, limits_.header);
      }
      if (state_ == State::Head) {
        const qsizetype before = head_.size();
        head_ += bytes.mid(at);
        const qsizetype end = head_.indexOf("\r\n\r\n");
        if (end < 0 ? head_.size() > limits_.headerBytes : end > limits_.headerBytes)
          return refuse(431, "The request's header is too long.");
        if (end < 0) return;
        at += end + 4 - before;
        head_.truncate(end);
        if (!startRequest()) return;
      } else if (state_ == State::Body) {
        const qsizetype taken = std::min(bodyLeft_, bytes.size() - at);
        at += taken;
        bodyLeft_ -= taken;
        if (bodyLeft_ == 0) enter(State::Answer, limits_.answer);
      } else {
        return;
      }
    }
  }

  // The head just read: false when the connection goes no further.
  bool startRequest() {
    const std::optional<RequestHead> head = readHead(head_);
    if (!head) return refuse(400, "The request is not one this server reads."), false;
    if (!head->field("transfer-encoding").isEmpty())
      return refuse(411, "A request's body must give its length."), false;
    bool lengthRead = true;
    const QByteArray lengthText = head->field("content-length");
    bodyLeft_ = lengthText.isEmpty() ? 0 : lengthText.toLongLong(&lengthRead);
    if (!lengthRead || bodyLeft_ < 0)
      return refuse(400, "The body's length is not a number."), false;
    if (bodyLeft_ > limits_.bodyBytes) return refuse(413, "The request's body is too long."), false;
    const HeadVerdict verdict = listener_ ? listener_->judge_(*head) : HeadVerdict{};
    if (verdict.refusal != 0) return refuse(verdict.refusal, verdict.reason), false;
    if (verdict.signedIn) stopCounting();
    if (head->field("upgrade").compare("websocket", Qt::CaseInsensitive) == 0) {
      // A signed-in page's socket stays as long as its session; any other
      // is closed by the server, and cut here if it lingers.
      state_ = State::Upgraded;
      if (verdict.signedIn) timer_.stop();
      return false;
    }
    if (bodyLeft_ == 0)
      enter(State::Answer, limits_.answer);
    else
      enter(State::Body, limits_.body);
    return true;
  }

  // Answers the request here, the server never seeing it, and closes.
  void refuse(int status, const QByteArray& reason) {
    socket_.readAll();
    enter(State::Refused, limits_.quiet);
    const QByteArray text = reason + '\n';
    socket_.write("HTTP/1.1 " + QByteArray::number(status) + ' ' + statusText(status) +
                  "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                  QByteArray::number(text.size()) + "\r\nConnection: close\r\n\r\n" + text);
    socket_.disconnectFromHost();
  }

  QPointer<GuardedListener> listener_;
  QTcpSocket& socket_;
  const ConnectionLimits limits_;
  const QString station_;
  bool counted_;
  State state_ = State::Head;
  QByteArray head_;
  qsizetype bodyLeft_ = 0;
  QTimer timer_;
};

GuardedListener::GuardedListener(ConnectionLimits limits, std::optional<QSslConfiguration> tls,
                                 Judge judge, std::optional<QHostAddress> unlimited,
                                 QObject* parent)
    : QTcpServer(parent),
      limits_(limits),
      tls_(std::move(tls)),
      judge_(std::move(judge)),
      unlimited_(std::move(unlimited)) {}

int GuardedListener::strangersFrom(const QString& address) const {
  auto found = strangers_.find(address);
  return found == strangers_.end() ? 0 : found->second;
}

void GuardedListener::count(const QString& address, int change) {
  if ((strangers_[address] += change) <= 0) strangers_.erase(address);
}

void GuardedListener::incomingConnection(qintptr descriptor) {
  QTcpSocket* socket = tls_ ? new QSslSocket(this) : new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  const QString station = stationOf(socket->peerAddress());
  const bool counted = !unlimited_ || stationOf(*unlimited_) != station;
  if (counted && strangersFrom(station) >= limits_.perAddress) {
    socket->abort();
    delete socket;
    return;
  }
  new ConnectionWatch(*this, *socket, station, counted);
  connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
  if (!tls_) {
    addPendingConnection(socket);
    return;
  }
  // The server gets the connection once its TLS handshake is done; the
  // watch's time for the first head covers the handshake.
  auto* secure = static_cast<QSslSocket*>(socket);
  secure->setSslConfiguration(*tls_);
  connect(secure, &QSslSocket::encrypted, this, [this, secure] { addPendingConnection(secure); });
  connect(secure, &QSslSocket::sslErrors, secure, [secure] { secure->abort(); });
  secure->startServerEncryption();
}

}  // namespace fesk::web
