// fesk serve, as the command table lists it: its usage, and the web front-end
// that the whole program installed to do its work.
#include "app/serving/serve_command.h"

#include <atomic>
#include <iostream>

#include "app/commands/exit_status.h"
#include "app/commands/record_commands.h"

namespace fesk {
namespace {

std::atomic<ServeRunner> gRunner{nullptr};

int runServe(ArgumentReader& arguments) {
  const ServeRunner runner = gRunner;
  if (runner) return runner(arguments);
  std::cerr << "fesk serve: this build has no web front-end (Qt 6 was not found).\n";
  return kUsageError;
}

}  // namespace

void installServeRunner(ServeRunner runner) {
  gRunner = runner;
}

const Command kServeCommand{
    "serve",
    "  fesk serve [--listen HOST:PORT] [--certificate FILE --key FILE] [--idle-minutes N]\n"
    "             [--public-url URL] [--trusted-proxy ADDRESS] [--sessions-per-user N]\n"
    "                     serves the data set to web browsers (default 127.0.0.1:8080); an\n"
    "                     address other stations reach needs TLS (--certificate, --key)\n"
    "                     and the address people open (--public-url https://HOST[:PORT]/),\n"
    "                     the one host name served; a session ends after N idle minutes\n"
    "                     (default 30; 0.5 is half a minute), typing not saved left\n"
    "                     unsaved; a person holds at most N sessions (default 3: another\n"
    "                     sign-in is refused); behind a reverse proxy at ADDRESS, its\n"
    "                     X-Forwarded-For names the station a sign-in comes from\n"
    "  fesk serve --add-user NAME\n"
    "                     sets NAME's password for signing in to the data directory (read\n"
    "                     from the terminal, or a line of standard input)\n",
    runServe, true};

}  // namespace fesk
