#include "ui/tui/terminal.h"

#include "ui/tui/canvas.h"
#include "ui/tui/key_decoding.h"

// After the program's own headers: term.h defines macros with common names
// (lines, columns, buttons).
#include <curses.h>
#include <signal.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace fesk::tui {
namespace {

// Short enough that Esc reacts at once, long enough for a sequence over SSH.
constexpr int kEscapeDelayMs = 25;

std::atomic<bool> gActive{false};
termios gSavedModes{};
bool gHaveSavedModes = false;
// What puts the screen back, written straight to the terminal when a crash
// leaves no room for ncurses: leave the alternate screen, show the cursor,
// plain attributes, no mouse reports.
char gResetSequence[256] = "";
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void appendCapability(const char* name) {
  char* value = tigetstr(const_cast<char*>(name));
  // tigetstr answers (char*)-1 for a name that is no string capability.
  if (value && value != reinterpret_cast<char*>(-1) &&  // NOLINT(performance-no-int-to-ptr)
      std::strlen(gResetSequence) + std::strlen(value) + 1 < sizeof gResetSequence)
    std::strcat(gResetSequence, value);
}

void restoreFromSignal() {
  if (!gActive.exchange(false)) return;
  if (gResetSequence[0]) [[maybe_unused]]
    ssize_t written = write(STDOUT_FILENO, gResetSequence, std::strlen(gResetSequence));
  if (gHaveSavedModes) tcsetattr(STDIN_FILENO, TCSANOW, &gSavedModes);
}

void onFatalSignal(int signal) {
  restoreFromSignal();
  ::signal(signal, SIG_DFL);
  raise(signal);
}

}  // namespace

std::string missingTerminal() {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO))
    return "fesk: the terminal front-end needs a terminal for input and output";
  int status = 0;
  if (setupterm(nullptr, STDOUT_FILENO, &status) != OK)
    return std::string("fesk: the terminal type \"") +
           (std::getenv("TERM") ? std::getenv("TERM") : "") + "\" is not known here";
  del_curterm(cur_term);
  return "";
}

TerminalSession::TerminalSession() {
  // The session begins before the program's threads start, so nothing reads
  // the locale while it is set.
  std::setlocale(LC_ALL, "");  // NOLINT(concurrency-mt-unsafe)
  if (tcgetattr(STDIN_FILENO, &gSavedModes) == 0) gHaveSavedModes = true;
  set_escdelay(kEscapeDelayMs);
  initscr();
  gActive = true;
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  intrflush(stdscr, FALSE);
  Canvas::setUpColours();
  bindModifiedKeys();
  mousemask(BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON4_PRESSED | BUTTON5_PRESSED, nullptr);

  appendCapability("rmcup");
  appendCapability("cnorm");
  appendCapability("sgr0");
  // Mouse reports off, in the forms that terminals use.
  std::strcat(gResetSequence, "\033[?1000l\033[?1002l\033[?1006l");

  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = onFatalSignal;
  action.sa_flags = SA_RESETHAND;
  for (int s : kFatalSignals) sigaction(s, &action, nullptr);
  std::set_terminate([] {
    restore();
    std::abort();
  });
  std::atexit(restore);
}

TerminalSession::~TerminalSession() {
  restore();
  for (int s : kFatalSignals) signal(s, SIG_DFL);
}

int TerminalSession::endRequestDescriptor() const {
  return endRequests_.descriptor();
}

int TerminalSession::takeEndRequests() {
  return endRequests_.take();
}

void TerminalSession::restore() {
  if (!gActive.exchange(false)) return;
  mousemask(0, nullptr);
  endwin();
}

}  // namespace fesk::tui
