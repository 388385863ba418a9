#include "runtime/frontend/printed_list.h"

namespace apprt {

bool PrintedItemsSource::read(std::vector<PrintedItem>& items) {
  items.clear();
  if (handedOut_) return false;
  handedOut_ = true;
  items = items_;
  return !items.empty();
}

}  // namespace apprt
