#pragma once
// The skeleton every window procedure follows: a prologue that loads the
// window and takes the caller's request, OpenProcWindow, an event loop, and
// one epilogue (ReturnFromProc) that closes the window and leaves the answer
// in ResponseCode. Procedures add their own steps around these.

#include <cstdint>

#include "data/thread_block.h"
#include "procedures/request_codes.h"
#include "runtime/frontend/constants.h"
#include "runtime/windows/windows.h"

namespace fesk {

// The procedure-local state that the skeleton steps share.
struct ProcedureLocals {
  int ProcWindow = 0;             // the loaded window's handle
  std::int32_t EntryRequest = 0;  // RequestCode on entry
  std::int32_t LocalRequest = 0;
  std::int32_t LocalResponse = kResponseCancelled;  // the answer to leave in ResponseCode
  std::int32_t WindowOpenRequested = 0;
  std::int32_t WindowOpened = 0;
  std::int32_t Initialised = 0;  // the window's initial display has been done
  std::int32_t RefreshNeeded = 0;
};

// The procedure's single exit point: however the procedure leaves, its event
// loops end and its loaded window is freed.
class ProcedureExit {
 public:
  ProcedureExit() = default;
  ProcedureExit(const ProcedureExit&) = delete;
  ProcedureExit& operator=(const ProcedureExit&) = delete;
  ~ProcedureExit() {
    apprt::endEventLoops();
    apprt::freeWindow();
  }
};

// Prologue steps common to the procedures: take the caller's request and
// clear RequestCode and ResponseCode.
inline void TakeRequest(ProcedureLocals& l) {
  ThreadBlock& t = threadBlock();
  l.EntryRequest = t.RequestCode;
  l.LocalRequest = t.RequestCode;
  l.LocalResponse = kResponseCancelled;
  l.RefreshNeeded = 0;
  t.RequestCode = 0;
  t.ResponseCode = 0;
}

// A right click still pending from the caller's event must not reach the
// procedure's window.
inline void DiscardPendingRightClick() {
  if (apprt::KEYCODE() == apprt::kKeyMouseRight) apprt::SETKEYCODE(0);
}

// Shows the loaded window; from then on ReturnFromProc closes it.
inline void ShowProcWindow(ProcedureLocals& l) {
  apprt::openWindow();
  l.WindowOpened = 1;
}

inline void OpenProcWindow(ProcedureLocals& l) {
  l.WindowOpenRequested = 1;
  ShowProcWindow(l);
}

// Redisplays every control unless a completion is checking them.
inline void RefreshWindow(ProcedureLocals& l) {
  if (apprt::getProp(0, apprt::kPropAcceptAll) != 0) return;
  apprt::DISPLAY(0);
  l.RefreshNeeded = 0;
}

// The epilogue's common steps; the caller returns right after.
inline void ReturnFromProc(ProcedureLocals& l) {
  if (l.WindowOpened) apprt::closeWindow();
  threadBlock().ResponseCode = l.LocalResponse != 0 ? l.LocalResponse : kResponseCancelled;
}

}  // namespace fesk
