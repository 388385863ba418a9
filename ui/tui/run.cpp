#include "ui/tui/run.h"

#include <curses.h>
#include <poll.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>

#include "ui/tui/choices_file.h"
#include "ui/tui/desktop.h"
#include "ui/tui/terminal.h"
#include "ui/tui/tui_frontend.h"

namespace fesk::tui {
namespace {

// How often the screen is painted again while something on it moves.
constexpr int kAnimationMs = 150;

std::optional<TerminalKey> readKey() {
  wint_t value = 0;
  int kind = get_wch(&value);
  if (kind == ERR) return std::nullopt;
  return TerminalKey{kind == KEY_CODE_YES, static_cast<int>(value), false};
}

bool isEvent(const TerminalKey& key) {
  return key.function && (key.value == KEY_RESIZE || key.value == KEY_MOUSE);
}

void mouse(Desktop& desktop) {
  MEVENT event;
  if (getmouse(&event) != OK) return;
  if (event.bstate & BUTTON4_PRESSED)
    desktop.wheel(event.x, event.y, true);
  else if (event.bstate & BUTTON5_PRESSED)
    desktop.wheel(event.x, event.y, false);
  else if (event.bstate & BUTTON1_DOUBLE_CLICKED)
    desktop.click(event.x, event.y, true);
  else if (event.bstate & BUTTON1_CLICKED)
    desktop.click(event.x, event.y, false);
}

// Reads every key and mouse report waiting and hands it to the desktop.
void readTerminal(Desktop& desktop) {
  std::optional<TerminalKey> next;
  for (;;) {
    std::optional<TerminalKey> key = next ? next : readKey();
    next.reset();
    if (!key) return;
    if (key->function && key->value == KEY_RESIZE) {
      desktop.resize(COLS, LINES);
      continue;
    }
    if (key->function && key->value == KEY_MOUSE) {
      mouse(desktop);
      continue;
    }
    // Alt+key arrives as Esc and the key together; Esc before anything else
    // is Esc alone.
    if (!key->function && key->value == 27) {
      next = readKey();
      if (next && !isEvent(*next) && !(!next->function && next->value == 27)) {
        key = next;
        key->alt = true;
        next.reset();
      }
    }
    desktop.key(*key);
  }
}

}  // namespace

int run(apprt::Procedure firstProcedure) {
  if (std::string why = missingTerminal(); !why.empty()) {
    std::cerr << why << "\n";
    return 2;
  }
  int exitCode = 0;
  std::string haltMessage;
  {
    TerminalSession terminal;
    Mailbox mailbox;
    Desktop desktop(apprt::deliverInput, COLS, LINES);
    TuiFrontEnd frontEnd(mailbox);
    ChoicesFile choices;
    apprt::keepChoicesIn(&choices);
    apprt::ProgramRun program(frontEnd);
    std::atomic<bool> ended{false};
    program.start(std::move(firstProcedure));
    std::thread waiter([&] {
      program.wait();
      ended = true;
      mailbox.post([](Desktop&) {});
    });

    bool endAsked = false;
    auto askToEnd = [&] {
      endAsked = true;
      frontEnd.stop();
      desktop.answerWaitingBoxes();
      if (auto frame = desktop.frameHandle()) apprt::deliverInput(apprt::Input::endProgram(*frame));
    };
    while (!ended) {
      for (auto& work : mailbox.take()) work(desktop);
      readTerminal(desktop);
      if (int requests = terminal.takeEndRequests()) {
        // A signal asked the program to end: it closes as the frame's close
        // box would close it, its boxes answering their defaults. Asked again,
        // it ends at once.
        if (endAsked || requests > 1) break;
        askToEnd();
      }
      Canvas canvas;
      desktop.paint(canvas);
      refresh();
      pollfd waits[] = {{0, POLLIN, 0},
                        {mailbox.wakeDescriptor(), POLLIN, 0},
                        {terminal.endRequestDescriptor(), POLLIN, 0}};
      poll(waits, 3, desktop.animating() ? kAnimationMs : -1);
      // A terminal that hung up asks for the end as a signal would.
      if (waits[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
        if (endAsked) break;
        askToEnd();
      }
    }
    frontEnd.stop();
    desktop.answerWaitingBoxes();
    if (!ended) {
      TerminalSession::restore();
      std::cerr << "fesk: ended by a signal before the program had closed\n";
      std::_Exit(128 + SIGTERM);
    }
    waiter.join();
    apprt::keepChoicesIn(nullptr);
    exitCode = program.exitCode();
    haltMessage = frontEnd.haltMessage();
  }
  // The screen is the user's again: a halt's reason is left on it.
  if (!haltMessage.empty()) std::cerr << "fesk: " << haltMessage << "\n";
  return exitCode;
}

}  // namespace fesk::tui
