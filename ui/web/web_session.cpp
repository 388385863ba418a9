#include "ui/web/web_session.h"

#include <QFileInfo>
#include <QTimer>

#include "ui/web/served_files.h"
#include "ui/web/session_run.h"

namespace fesk::web {

namespace {
// How long an ending program may take to close its windows.
constexpr int kEndWaitMs = 10000;
}  // namespace

WebSession::WebSession(const QString& program, const QStringList& arguments,
                       std::chrono::milliseconds comeBack) {
  lastUse_.start();
  gone_.setSingleShot(true);
  gone_.setInterval(comeBack);
  connect(&gone_, &QTimer::timeout, this, &WebSession::abandoned);
  program_.setProgram(program);
  program_.setArguments(arguments);
  QProcessEnvironment withFiles = QProcessEnvironment::systemEnvironment();
  if (files_.isValid()) withFiles.insert(kSessionFilesVariable, files_.path());
  program_.setProcessEnvironment(withFiles);
  program_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  connect(&program_, &QProcess::readyReadStandardOutput, this, &WebSession::fromProgram);
  connect(&program_, &QProcess::finished, this, [this] {
    if (socket_) socket_->close();
    emit ended();
  });
  program_.start();
}

WebSession::~WebSession() {
  // Killed while its owner lets it go: nobody is told it ended.
  disconnect(&program_, nullptr, this, nullptr);
  if (program_.state() != QProcess::NotRunning) {
    program_.kill();
    program_.waitForFinished(1000);
  }
}

void WebSession::begin(std::string user, const apprt::SignInCheck::Environment& environment) {
  user_ = std::move(user);
  lastUse_.restart();
  program_.write(sessionIdentityLine(environment));
}

void WebSession::attach(std::unique_ptr<QWebSocket> socket) {
  if (socket_) socket_->close(QWebSocketProtocol::CloseCodeNormal, "opened in another page");
  socket_ = std::move(socket);
  gone_.stop();
  lastUse_.restart();
  warned_ = false;
  connect(socket_.get(), &QWebSocket::textMessageReceived, this, &WebSession::toProgram);
  connect(socket_.get(), &QWebSocket::disconnected, this, [this, page = socket_.get()] {
    if (socket_.get() == page) gone_.start();
  });
  // The program sends every window it shows as the page needs it whole.
  program_.write("{\"t\":\"resend\"}\n");
}

void WebSession::end(const QString& reason) {
  if (program_.state() == QProcess::NotRunning) return;
  if (socket_ && socket_->isValid())
    socket_->sendTextMessage(QString(R"({"t":"ending","reason":"%1"})").arg(reason));
  program_.closeWriteChannel();
  QTimer::singleShot(kEndWaitMs, this, [this] {
    if (program_.state() != QProcess::NotRunning) program_.kill();
  });
}

void WebSession::warnIdle(qint64 seconds) {
  warned_ = true;
  if (socket_ && socket_->isValid())
    socket_->sendTextMessage(QString(R"({"t":"idle","seconds":%1})").arg(seconds));
}

QString WebSession::writtenFile(const QString& name) const {
  if (!files_.isValid() || name.isEmpty() ||
      QString::fromStdString(servedFileName(name.toStdString())) != name)
    return {};
  const QString path = files_.filePath(name);
  return QFileInfo(path).isFile() ? path : QString();
}

void WebSession::fromProgram() {
  partLine_ += program_.readAllStandardOutput();
  qsizetype end;
  while ((end = partLine_.indexOf('\n')) >= 0) {
    const QByteArray line = partLine_.left(end);
    partLine_.remove(0, end + 1);
    if (socket_ && socket_->isValid()) socket_->sendTextMessage(QString::fromUtf8(line));
  }
}

void WebSession::toProgram(const QString& message) {
  lastUse_.restart();
  warned_ = false;
  // The page's answer to the idle warning keeps the session and is all it says.
  if (message == R"({"t":"keep"})") return;
  // One message a line: a line break inside one would split it, and JSON
  // never needs one.
  if (message.contains('\n')) return;
  program_.write(message.toUtf8() + '\n');
}

}  // namespace fesk::web
