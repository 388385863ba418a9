// fesk serve on the web: the program as a web front-end, a session (a
// program of its own) per signed-in browser; and the two forms it takes
// besides: `serve --add-user NAME` writes a password, and `serve --session`
// is the program of one session, started by the serve process.
#include "app/serving/web_serving.h"

#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <charconv>
#include <cmath>
#include <iostream>

#include "app/commands/command_support.h"
#include "app/data_sets/data_set.h"
#include "app/serving/serve_sign_in.h"
#include "app/start/program_entry.h"
#include "ui/web/listen_address.h"
#include "ui/web/session_run.h"
#include "ui/web/user_passwords.h"
#include "ui/web/web_server.h"

namespace fesk {
namespace {

constexpr std::string_view kCommand = "serve";

struct ServeOptions {
  DataSetOptions dataSet;
  std::optional<std::string> listen, certificate, key, addUser, idleMinutes, publicUrl,
      trustedProxy, sessionsPerUser;
  bool session = false;
};

// A password from the terminal without echo, or a line of standard input.
std::string readPassword() {
  if (!isatty(STDIN_FILENO)) {
    std::string line;
    std::getline(std::cin, line);
    return line;
  }
  std::cerr << "Password: " << std::flush;
  termios saved{};
  tcgetattr(STDIN_FILENO, &saved);
  termios silent = saved;
  silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  std::string line;
  std::getline(std::cin, line);
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::cerr << "\n";
  return line;
}

int addUser(const DataSetChoice& choice, const std::string& name) {
  std::string why;
  std::filesystem::path folder;
  if (!choice.kind->passwordFolder(choice, folder, why)) return usageMistake(kCommand, why);
  if (std::string mistake = dataSetMistake(choice, DataSetUse::kRead); !mistake.empty())
    return refuse(kCommand, kUsageError, mistake);
  if (!web::setPassword(web::passwordFile(folder), name, readPassword(), why))
    return commandFailure(kCommand, why);
  std::cerr << "fesk serve: " << name << " may sign in\n";
  return kDone;
}

// The program of one session: once told whose session it is, the data set
// as a desktop start uses it, its windows sent over standard output, the
// page's input read from standard input. Whatever else would write to
// standard output goes to standard error.
int runSessionProgram(const DataSetOptions& dataSet) {
  const int messages = dup(STDOUT_FILENO);
  dup2(STDERR_FILENO, STDOUT_FILENO);
  // Waiting for a sign-in that never came (the server ended) is no failure.
  if (!web::takeSessionIdentity(STDIN_FILENO)) return kDone;
  std::string why;
  if (!useDataSet(dataSet, why)) return refuse(kCommand, kUsageError, why);
  return ProgramEntry([messages](apprt::Procedure first) {
    return web::runSession(std::move(first), STDIN_FILENO, messages);
  });
}

}  // namespace

int serveOnWeb(ArgumentReader& arguments) {
  ServeOptions o;
  const auto rest = readCommandArguments(arguments, [&] {
    if (arguments.flag("--session")) return o.session = true;
    return readDataSetOption(arguments, o.dataSet) || arguments.option("--listen", o.listen) ||
           arguments.option("--certificate", o.certificate) || arguments.option("--key", o.key) ||
           arguments.option("--add-user", o.addUser) ||
           arguments.option("--idle-minutes", o.idleMinutes) ||
           arguments.option("--public-url", o.publicUrl) ||
           arguments.option("--trusted-proxy", o.trustedProxy) ||
           arguments.option("--sessions-per-user", o.sessionsPerUser);
  });
  if (!arguments.failed() && !rest.empty()) arguments.fail("unexpected argument " + rest.front());
  web::ServeSettings settings;
  std::string why;
  if (!arguments.failed() && o.listen && !web::parseListenAddress(*o.listen, settings.listen, why))
    arguments.fail(why);
  if (!arguments.failed() && o.certificate.has_value() != o.key.has_value())
    arguments.fail("--certificate and --key go together");
  if (!arguments.failed() && !o.certificate && !web::isLoopback(settings.listen.host))
    arguments.fail("listening on " + settings.listen.host +
                   ", which other stations reach, needs TLS: give --certificate FILE --key FILE");
  if (!arguments.failed() && o.publicUrl && !web::checkPublicUrl(*o.publicUrl, why))
    arguments.fail(why);
  if (!arguments.failed() && !o.publicUrl && !web::isLoopback(settings.listen.host))
    arguments.fail("listening on " + settings.listen.host +
                   ", which other stations reach, needs the address people open: give "
                   "--public-url https://HOST[:PORT]/");
  if (!arguments.failed() && o.trustedProxy && !web::isIpAddress(*o.trustedProxy))
    arguments.fail("--trusted-proxy wants the proxy's IP address, not \"" + *o.trustedProxy + "\"");
  if (!arguments.failed() && o.sessionsPerUser) {
    const std::string& text = *o.sessionsPerUser;
    int most = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), most);
    if (error != std::errc() || end != text.data() + text.size() || most < 1 || most > 1000)
      arguments.fail("--sessions-per-user wants a number from 1 to 1000");
    settings.sessionsPerUser = most;
  }
  if (!arguments.failed() && o.idleMinutes) {
    const std::string& text = *o.idleMinutes;
    double minutes = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), minutes);
    // At most a year: beyond it the milliseconds would overflow.
    if (error != std::errc() || end != text.data() + text.size() || !(minutes > 0) ||
        minutes > 525600)
      arguments.fail("--idle-minutes wants a number of minutes above 0 (0.5 is half a minute)");
    settings.idleLimit = std::chrono::milliseconds(std::llround(minutes * 60000));
  }
  if (arguments.failed()) return usageMistake(kCommand, arguments.error());
  if (o.session) return runSessionProgram(o.dataSet);

  DataSetChoice choice;
  if (!chooseDataSet(o.dataSet, choice, why)) return refuse(kCommand, kUsageError, why);
  if (o.addUser) return addUser(choice, *o.addUser);
  if (std::string mistake = dataSetMistake(choice, DataSetUse::kWrite); !mistake.empty())
    return refuse(kCommand, kUsageError, mistake);
  if (!servedSignIn(choice, settings.signIn, why)) return usageMistake(kCommand, why);
  if (o.certificate) {
    settings.certificate = *o.certificate;
    settings.key = *o.key;
  }
  settings.publicUrl = o.publicUrl.value_or("");
  settings.trustedProxy = o.trustedProxy.value_or("");

  int argc = 1;
  char name[] = "fesk";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  settings.program = QCoreApplication::applicationFilePath();
  settings.sessionArguments = {"serve", "--session"};
  for (const std::string& argument : choice.kind->arguments(choice))
    settings.sessionArguments << QString::fromStdString(argument);
  web::WebServer server(settings);
  if (!server.start(why)) return commandFailure(kCommand, why);
  std::cerr << "fesk serve: serving " << choice.name << " at "
            << (o.certificate ? "https://" : "http://") << settings.listen.host << ":"
            << server.port() << "/";
  if (o.publicUrl) std::cerr << ", opened as " << *o.publicUrl;
  std::cerr << "\n";
  return application.exec();
}

}  // namespace fesk
