#pragma once
// One signed-in browser: its own fesk program (a child process, so that the
// runtime's process-wide state is its alone), and the page's WebSocket that
// the serve process relays to and from that program, one message a line.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QWebSocket>
#include <functional>
#include <memory>

namespace fesk::web {

class WebSession : public QObject {
  Q_OBJECT
 public:
  // `program` and `arguments` start the session's program; `environment` is
  // its environment.
  WebSession(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment);
  ~WebSession() override;

  // The page's WebSocket; one that was attached before is closed (the page
  // was loaded again), and the program shows its windows anew.
  void attach(std::unique_ptr<QWebSocket> socket);
  // Ends the program as its frame's close box would, telling the page
  // `reason` ("idle", "signed out"); it is killed if it has not ended after
  // a while.
  void end(const QString& reason);
  qint64 idleMilliseconds() const { return lastUse_.elapsed(); }

 signals:
  void ended();

 private:
  void fromProgram();
  void toProgram(const QString& message);

  QProcess program_;
  std::unique_ptr<QWebSocket> socket_;
  QByteArray partLine_;
  QElapsedTimer lastUse_;
};

}  // namespace fesk::web
