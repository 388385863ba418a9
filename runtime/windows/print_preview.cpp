#include "runtime/windows/print_preview.h"

#include "runtime/frontend/frontend.h"
#include "runtime/threads/program.h"
#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {

bool hasPrintPreview() {
  return frontEnd().showsPrintPreview();
}

void printPreview(const PrintedListHeader& header, PrintedListSource& source) {
  PrintedList list{header, {}};
  {
    BusyCursor busy;
    // The preview lays the pages out again whenever the page set-up changes,
    // so it keeps every item.
    for (std::vector<PrintedItem> block; source.read(block);)
      list.items.insert(list.items.end(), block.begin(), block.end());
  }
  const int window = newestOpenWindow();
  whileUnlocked([&] { frontEnd().printPreview(list, window); });
}

}  // namespace apprt
