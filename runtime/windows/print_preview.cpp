#include "runtime/windows/print_preview.h"

#include <memory>

#include "runtime/frontend/frontend.h"
#include "runtime/threads/program.h"
#include "runtime/windows/served_list.h"
#include "runtime/windows/window_model.h"

namespace apprt {
namespace {

// How often a procedure waiting on its preview looks whether the program is
// ending.
constexpr std::chrono::milliseconds kHaltCheck{100};

// The list ends with the procedure that reads it, however it leaves.
struct EndedWithProcedure {
  ServedList& list;
  ~EndedWithProcedure() { list.end(); }
};

}  // namespace

bool hasPrintPreview() {
  return frontEnd().showsPrintPreview();
}

void printPreview(const PrintedListHeader& header, PlacedListSource& source) {
  auto list = std::make_shared<ServedList>(header, source);
  EndedWithProcedure ended{*list};
  frontEnd().printPreview(list, newestOpenWindow());
  // The front-end lets go of the list when its screen goes without closing it.
  do {
    whileUnlocked([&] { list->awaitWork(kHaltCheck); });
  } while (list->serve() && list.use_count() > 1);
}

}  // namespace apprt
