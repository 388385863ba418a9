#include "runtime/frontend/printed_list.h"

namespace apprt {

bool PreviewedListReading::read(std::vector<PrintedItem>& items) {
  if (!list_.read(last_, !last_.empty(), items, places_)) return false;
  last_ = places_.back();
  return true;
}

PrintedList readWhole(PreviewedList& list) {
  PrintedList whole{list.header(), {}};
  PreviewedListReading reading(list);
  for (std::vector<PrintedItem> block; reading.read(block);)
    whole.items.insert(whole.items.end(), block.begin(), block.end());
  return whole;
}

}  // namespace apprt
