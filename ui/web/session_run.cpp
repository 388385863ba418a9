#include "ui/web/session_run.h"

#include <poll.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "ui/web/session_frontend.h"

namespace fesk::web {
namespace {

// Writes all of `bytes`; false when the other end is gone.
bool writeAll(int fd, const QByteArray& bytes) {
  const char* at = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    ssize_t n = write(fd, at, static_cast<size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    left -= n;
  }
  return true;
}

// Reads lines from a descriptor until it ends or `stop` becomes readable.
class LineReader {
 public:
  LineReader(int fd, int stop) : fd_(fd), stop_(stop) {}
  std::optional<std::string> next() {
    for (;;) {
      if (auto end = buffer_.find('\n'); end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
      }
      pollfd waits[] = {{fd_, POLLIN, 0}, {stop_, POLLIN, 0}};
      if (poll(waits, 2, -1) < 0 && errno == EINTR) continue;
      if (waits[1].revents) return std::nullopt;
      char bytes[4096];
      ssize_t n = read(fd_, bytes, sizeof bytes);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return std::nullopt;
      buffer_.append(bytes, static_cast<size_t>(n));
    }
  }

 private:
  int fd_;
  int stop_;
  std::string buffer_;
};

}  // namespace

QByteArray sessionIdentityLine(const apprt::SignInCheck::Environment& environment) {
  QJsonObject variables;
  for (const auto& [variable, value] : environment)
    variables.insert(QString::fromStdString(variable),
                     value ? QJsonValue(QString::fromStdString(*value)) : QJsonValue());
  return QJsonDocument(variables).toJson(QJsonDocument::Compact) + '\n';
}

bool takeSessionIdentity(int input) {
  // Byte by byte, so that nothing after the line is taken from the page's
  // messages that follow it.
  QByteArray line;
  char byte = 0;
  for (;;) {
    const ssize_t n = read(input, &byte, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (byte == '\n') break;
    line.append(byte);
  }
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(line, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return false;
  // The program has no other thread yet, nor will it read its environment
  // on one before this is done.
  const QJsonObject variables = document.object();
  for (auto at = variables.begin(); at != variables.end(); ++at) {
    const QByteArray variable = at.key().toUtf8();
    if (at.value().isString())
      setenv(variable.constData(),  // NOLINT(concurrency-mt-unsafe)
             at.value().toString().toUtf8().constData(), 1);
    else
      unsetenv(variable.constData());  // NOLINT(concurrency-mt-unsafe)
  }
  return true;
}

int runSession(apprt::Procedure firstProcedure, int input, int output) {
  std::mutex writing;
  const char* files = std::getenv(kSessionFilesVariable);
  SessionFrontEnd frontEnd(
      [&](const QJsonObject& message) {
        QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact);
        line.append('\n');
        std::lock_guard lock(writing);
        writeAll(output, line);
      },
      files ? files : "");
  apprt::ProgramRun program(frontEnd);
  int stopPipe[2];
  if (pipe(stopPipe) != 0) return 1;
  program.start(std::move(firstProcedure));

  // The page's messages are read on a thread of their own; when they end,
  // the program is asked to end.
  std::atomic<bool> ended{false};
  std::thread reader([&] {
    LineReader lines(input, stopPipe[0]);
    while (auto line = lines.next()) {
      const QJsonObject message =
          QJsonDocument::fromJson(QByteArray::fromStdString(*line)).object();
      PageMessage m = readPageMessage(message);
      if (m.kind == PageMessage::Kind::Input)
        apprt::deliverInput(m.input);
      else if (m.kind == PageMessage::Kind::Answer)
        frontEnd.withScreen([&](SessionScreen& s) { s.answer(m.answerId, m.answer); });
      else if (m.kind == PageMessage::Kind::Resend)
        frontEnd.withScreen([](SessionScreen& s) { s.resend(); });
      else if (m.kind == PageMessage::Kind::Stop)
        frontEnd.withScreen([&](SessionScreen& s) { s.stopWork(m.progressId); });
    }
    if (ended) return;
    frontEnd.stop();
    frontEnd.withScreen([](SessionScreen& s) { s.answerWaitingBoxes(); });
    // The frame is the first window the program opens: closing it ends the
    // program in order. Nobody is there to answer whether typing not saved
    // may go, so it goes unsaved (nothing is stored that nobody confirmed),
    // as when the desktop's session ends under a running program.
    int frame = 0;
    frontEnd.withScreen([&](SessionScreen& s) { frame = s.frameHandle(); });
    apprt::deliverInput(apprt::Input::endProgram(frame));
  });
  const int exitCode = program.wait();
  ended = true;
  frontEnd.stop();
  [[maybe_unused]] ssize_t woken = write(stopPipe[1], "x", 1);
  reader.join();
  close(stopPipe[0]);
  close(stopPipe[1]);
  return exitCode;
}

}  // namespace fesk::web
