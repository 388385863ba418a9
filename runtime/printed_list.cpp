#include "runtime/printed_list.h"

#include "runtime/frontend.h"
#include "runtime/program.h"
#include "runtime/window_model.h"
#include "runtime/windows.h"

namespace apprt {

bool PrintedItemsSource::read(std::vector<PrintedItem>& items) {
  items.clear();
  if (handedOut_) return false;
  handedOut_ = true;
  items = items_;
  return !items.empty();
}

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
