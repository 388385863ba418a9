#pragma once
// The terminal while the program runs on it: full-screen, keys one by one, the
// mouse where the terminal reports it, colours where it has them. The
// terminal is put back as it was in every way out: a normal end, an
// exception, an abort or a crash, and the signals that end a process.

#include <string>

#include "runtime/frontend/end_requests.h"

namespace fesk::tui {

// Why the program cannot run on this terminal ("" when it can): input or
// output is not a terminal, or the terminal's type is unknown.
std::string missingTerminal();

class TerminalSession {
 public:
  TerminalSession();   // takes the screen
  ~TerminalSession();  // gives it back
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  // Readable when a signal asked the program to end (SIGTERM, SIGHUP,
  // SIGINT, SIGQUIT); read it with takeEndRequests().
  int endRequestDescriptor() const;
  int takeEndRequests();

  // Puts the terminal back; safe to call more than once.
  static void restore();

 private:
  apprt::EndRequests endRequests_;
};

}  // namespace fesk::tui
