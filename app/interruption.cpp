#include "app/interruption.h"

#include <signal.h>

namespace fesk {
namespace {

volatile sig_atomic_t gInterrupted = 0;
struct sigaction gPreviousInt;
struct sigaction gPreviousTerm;

void onSignal(int) {
  gInterrupted = 1;
}

}  // namespace

InterruptionGuard::InterruptionGuard() {
  gInterrupted = 0;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // The next signal gets the default handling again: a second Ctrl+C ends
  // the program.
  // Reads under way go on (SA_RESTART): a read cut short would look like the
  // end of the input.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, &gPreviousInt);
  sigaction(SIGTERM, &action, &gPreviousTerm);
}

InterruptionGuard::~InterruptionGuard() {
  sigaction(SIGINT, &gPreviousInt, nullptr);
  sigaction(SIGTERM, &gPreviousTerm, nullptr);
}

bool InterruptionGuard::interrupted() {
  return gInterrupted != 0;
}

}  // namespace fesk
