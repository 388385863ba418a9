#include "app/commands/interruption.h"

#include <signal.h>

namespace fesk {
namespace {

volatile sig_atomic_t gGuarded = 0;
volatile sig_atomic_t gInterrupted = 0;

void onSignal(int number) {
  if (gGuarded && !gInterrupted) {
    gInterrupted = 1;
    return;
  }
  // What the signal does uncaught: the program ends by it.
  signal(number, SIG_DFL);
  raise(number);
}

}  // namespace

void catchInterruptions() {
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  // Reads under way go on (SA_RESTART): a read cut short would look like the
  // end of the input.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

InterruptionGuard::InterruptionGuard() {
  catchInterruptions();  // a command run from within the program has no start of its own
  gInterrupted = 0;
  gGuarded = 1;
}

InterruptionGuard::~InterruptionGuard() {
  gGuarded = 0;
}

bool InterruptionGuard::interrupted() {
  return gInterrupted != 0;
}

}  // namespace fesk
