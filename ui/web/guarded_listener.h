#pragma once
// The listening socket of fesk serve, which keeps connections from holding
// the server's sockets without using them. Every request's header must come
// whole within a time of its first byte (of the connection's start, for the
// first), its body within a time of the header's end; a connection quiet
// between requests is closed; a station (an address) holds a bounded number
// of connections that are not signed in; headers and bodies are bounded in
// size. A signed-in page's WebSocket is left alone once upgraded: its
// session's idle limit governs it.
//
// The guard reads each request's head itself, before the HTTP server does,
// and asks its owner about it (`judge`): a request the owner refuses is
// answered here and never reaches the server.

#include <QSslConfiguration>
#include <QTcpServer>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace fesk::web {

struct ConnectionLimits {
  using ms = std::chrono::milliseconds;
  ms header = std::chrono::seconds(10);  // a request's head, from its first byte
  ms body = std::chrono::seconds(20);    // its body, from the head's end
  // The server's answer (a sign-in check may wait on the database server).
  ms answer = std::chrono::seconds(60);
  ms quiet = std::chrono::seconds(15);  // a connection between requests
  int perAddress = 16;                  // connections not signed in, per station
  qsizetype headerBytes = qsizetype{16} * 1024;
  qsizetype bodyBytes = qsizetype{64} * 1024;
};

// A request's head as the guard read it: field names in lower case.
struct RequestHead {
  QByteArray method, path;
  std::map<QByteArray, QByteArray> fields;
  QByteArray field(const QByteArray& lowerName) const;
};

// What the owner says of a request head: refused (with the status and the
// text of the answer), or let through, signed in or not.
struct HeadVerdict {
  int refusal = 0;  // an HTTP status; 0: let through
  QByteArray reason;
  bool signedIn = false;
};

class GuardedListener : public QTcpServer {
  Q_OBJECT
 public:
  using Judge = std::function<HeadVerdict(const RequestHead&)>;
  // `tls`: the TLS settings when the server speaks TLS. Connections from
  // `unlimited` (a reverse proxy that speaks for many stations) are not
  // counted per address.
  GuardedListener(ConnectionLimits limits, std::optional<QSslConfiguration> tls, Judge judge,
                  std::optional<QHostAddress> unlimited, QObject* parent = nullptr);

  // Connections from `address` that are not signed in.
  int strangersFrom(const QString& address) const;

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  friend class ConnectionWatch;
  void count(const QString& address, int change);

  ConnectionLimits limits_;
  std::optional<QSslConfiguration> tls_;
  Judge judge_;
  std::optional<QHostAddress> unlimited_;
  std::map<QString, int> strangers_;
};

}  // namespace fesk::web
