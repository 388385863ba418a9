#pragma once
// What procedures do with windows, controls and events. Every call works on
// the calling thread's current window: the newest one it loaded and has not
// freed. Fields are the control numbers of the window's definition (0 = the
// window itself); menu items have negative numbers.

#include <string>
#include <utility>
#include <vector>

#include "runtime/frontend/constants.h"
#include "runtime/windows/binding.h"

namespace apprt {

class QueueBase;

// ---- Window life ----------------------------------------------------------------
// Loads a definition into a new, not yet shown window; answers its handle.
// Throws DefinitionError when there is no such definition.
int loadWindow(const std::string& module, const std::string& label);
void bindEntry(int field, Binding variable);
void bindList(int field, QueueBase& queue);
void openWindow();   // shows it; kEventOpenWindow and then kEventGainFocus follow
void closeWindow();  // hides and destroys it (kMsgNcDestroy to its controls and itself)
void freeWindow();   // forgets the loaded window; the window loaded before it is current again
// Creates a control at run time in the current window (in-line edit controls).
void createControl(int field, int type, int parentField = 0);

// ---- The event loop -------------------------------------------------------------
// A loop is: startEventLoop(); while (!endEventLoop(step)) { handle EVENT() }.
// endEventLoop first finishes the previous event as `step` says, then waits
// for the next event. Loops nest.
inline constexpr int kLoopStepDefault = 0;   // the runtime's default handling runs
                                             // (kEventCloseWindow, kEventCloseDown end the loop)
inline constexpr int kLoopStepConsumed = 1;  // the handler dealt with the event
inline constexpr int kLoopStepEnd = -1;      // the loop ends
void startEventLoop();
bool endEventLoop(int step = kLoopStepDefault);
void endEventLoops();  // ends every loop of the current window

int EVENT();
int FIELD();
int ACCEPTED();  // the field a kEventAccepted accepted, 0 for any other event
int KEYCODE();
void SETKEYCODE(int key);
std::string KEYCHAR();  // the character of a kKeyCharacter key; empty for any other
int SELECTED();         // the focused field
int FIRSTFIELD();       // the first control in tab order
int CHOICE(int field);  // list: selected row; sheet: chosen tab

// Queues an event for a field of the current window (0 = the window).
void POST(int event, int field = 0);
// Queues an event for a field of a window of another thread.
void POST(int event, int field, int windowHandle);

// ---- Other threads' windows -------------------------------------------------------
// The open window of that definition that was active most recently (0 = none).
int frontWindow(const std::string& module, const std::string& label);
// The same, of the windows of any of these definitions (module, label).
int frontWindowOf(const std::vector<std::pair<std::string, std::string>>& definitions);
// CHOICE of a control of any open window (0 when there is no such control).
int CHOICE(int field, int windowHandle);
// The open windows that hold typing not yet saved (an entry typed into: a
// form's, an in-line row's), the one the user worked in last first.
std::vector<int> windowsHoldingUnsavedTyping();
// Whether the program is ending over such typing (the user chose to exit
// anyway, or the end could not be asked about): it is then let go unasked.
bool unsavedTypingDiscarded();

// ---- Controls -------------------------------------------------------------------
// SELECT(field): focus it (kEventSelected follows); SELECT(list, row): select
// a row; SELECT(sheet, tab): choose a tab; SELECT(0): completion, which checks
// every entry in tab order and posts kEventCompleted when all pass.
void SELECT(int field = 0, int rowOrTab = 0);
void DISPLAY(int field = 0);  // variable -> what the control shows (0: all)
void UPDATE(int field = 0);   // what the control shows -> variable (0: all)
void ENABLE(int field);
void DISABLE(int field);
void HIDE(int field);
void UNHIDE(int field);

// Numbered properties (see constants.h). Numbers with no behaviour of their own
// are kept and answered as set.
long getProp(int field, int prop);
std::string getPropText(int field, int prop);
void setProp(int field, int prop, long value);
void setPropText(int field, int prop, const std::string& value);
// Properties of one column (1-based) of a list.
std::string getColumnProp(int field, int column, int prop);
void setColumnProp(int field, int column, int prop, const std::string& value);

// Keys that arrive as kEventAlertKey wherever the focus is; alert(0) clears them all.
void alert(int key);

// ---- Feedback ---------------------------------------------------------------------
void setBusyCursor(bool busy);
// The busy cursor of the current window, shown while the object lives.
class BusyCursor {
 public:
  BusyCursor() { setBusyCursor(true); }
  ~BusyCursor() { setBusyCursor(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};
void beep();
// Shows a message box and waits for the answer (a button value).
int messageBox(const std::string& text, const std::string& title, Icon icon, int buttons,
               int defaultButton);

}  // namespace apprt
