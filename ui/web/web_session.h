#pragma once
// One signed-in browser: its own fesk program (a child process, so that the
// runtime's process-wide state is its alone), and the page's WebSocket that
// the serve process relays to and from that program, one message a line.
// A page that goes (its tab closed) leaves the session waiting a while for
// the page to come back (loaded again) before it is given up. The program is
// started before anyone signs in, and serves the one person it is then
// given to (begin()), never another.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebSocket>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "runtime/files/data_set_kind.h"

namespace fesk::web {

class WebSession : public QObject {
  Q_OBJECT
 public:
  // `program` and `arguments` start the session's program, which waits to
  // be told whose session it is. A page gone for `comeBack` without another
  // attached makes the session abandoned().
  WebSession(const QString& program, const QStringList& arguments,
             std::chrono::milliseconds comeBack);
  ~WebSession() override;

  // The session is `user`'s, its program given `environment`; once only.
  void begin(std::string user, const apprt::SignInCheck::Environment& environment);
  // Whether its program is starting or running (not ended, nor failed).
  bool running() const { return program_.state() != QProcess::NotRunning; }

  // The page's WebSocket; one that was attached before is closed (the page
  // was loaded again), and the program shows its windows anew.
  void attach(std::unique_ptr<QWebSocket> socket);
  // Ends the program as its frame's close box would, telling the page
  // `reason` ("idle", "signed out"); it is killed if it has not ended after
  // a while.
  void end(const QString& reason);
  qint64 idleMilliseconds() const { return lastUse_.elapsed(); }
  const std::string& user() const { return user_; }
  // Tells the page the session ends after `seconds` more without input.
  void warnIdle(qint64 seconds);
  bool warned() const { return warned_; }
  // The file `name` that the program wrote for the page, as a path; "" when
  // it wrote none of that name.
  QString writtenFile(const QString& name) const;

 signals:
  void ended();
  void abandoned();

 private:
  void fromProgram();
  void toProgram(const QString& message);

  QTemporaryDir files_;  // what the program writes for the page; goes with the session
  QProcess program_;
  std::unique_ptr<QWebSocket> socket_;
  QByteArray partLine_;
  QElapsedTimer lastUse_;
  std::string user_;
  QTimer gone_;
  bool warned_ = false;
};

}  // namespace fesk::web
