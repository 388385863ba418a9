#pragma once
// A browse the way a procedure drives it, for the engine's benchmarks: a list
// window of 15 rows opened in a procedure thread of a headless program run,
// the engine called until it answers 12 with a row filled on every action 1,
// and the events a user's keys give.

#include <functional>
#include <string>

#include "browse/browse_engine.h"
#include "runtime/files/file_declaration.h"
#include "runtime/windows/queue.h"

namespace fesk::bench {

// What one browse shows: the file, the key, and for a child browse the
// parent code that bounds it.
struct Browsed {
  const apprt::FileDeclaration* file;
  const apprt::KeyDeclaration* key;
  std::string parent;  // empty: no range
};

// Runs `benchmarks` in the procedure thread of a headless program, with the
// list window open and its browse registered. Answers the program's exit code.
int runInBrowseWindow(const std::function<void()>& benchmarks);

// One run of engine calls until it answers 12.
void drive(const Browsed& browse);
// Hands the list the next event, as the window's event loop would, and serves it.
void serveEvent(const Browsed& browse, int event);
// Loads the page that starts at the key value now in the record buffer.
void locate(const Browsed& browse);
// Loads the page around the record with this identity (made the file's current record).
void repositionOn(const Browsed& browse, apprt::RecordIdentity identity);
// Opens the list's search line (Ctrl+F), empty, as the user's next key reaches it.
void startFind();
// Types `character` (a letter or digit) into the search line as a key of the
// user's, through the runtime's input, and serves the Find it gives.
void typeIntoFind(const Browsed& browse, char character);
// Selects the first or the last row, as a click would.
void selectEdgeRow(bool last);

}  // namespace fesk::bench
