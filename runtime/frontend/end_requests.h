#pragma once
// The signals that ask a program to end (SIGTERM, SIGHUP when its terminal is
// gone, SIGINT, SIGQUIT), turned into something a front-end's loop waits on:
// a descriptor that becomes readable. The front-end then closes the program
// in order, so that nothing is left half-written and every file is closed.

namespace apprt {

class EndRequests {
 public:
  EndRequests();   // catches the signals
  ~EndRequests();  // gives them back their default action
  EndRequests(const EndRequests&) = delete;
  EndRequests& operator=(const EndRequests&) = delete;

  // Readable once a signal has arrived; -1 when no pipe could be made.
  int descriptor() const;
  // How many signals arrived since the last call.
  int take();
};

}  // namespace apprt
