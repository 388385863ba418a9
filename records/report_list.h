#pragma once
// The printed list of records: FESK1 in the order of one of its keys, each
// record followed by the numbers FESK2 files under its code. It is read a
// block of records at a time through the file layer, so that a list of any
// length is printed in bounded memory. The calling thread's instances of both
// files are read; a file it does not have open (one that does not exist yet)
// is printed as empty.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/frontend/printed_list.h"

namespace fesk::records {

// The orders the list can be printed in: those of FESK1's keys.
enum class ListOrder { kCode, kName };

// "code" or "name"; nothing for any other word.
std::optional<ListOrder> listOrderNamed(std::string_view word);

// The header of the list; `dataSet` names the data set for the reader, `date`
// is the day it is printed on.
apprt::PrintedListHeader recordListHeader(ListOrder order, std::string dataSet, std::string date);

// Today as the list prints it: 2024-03-09, read alike in every country.
std::string printDate();

// Each record's place is its position in the list's order.
class RecordListSource : public apprt::PlacedListSource {
 public:
  explicit RecordListSource(ListOrder order, std::size_t recordsPerBlock = 50);
  // Throws PrintError ("cannot read FESK2: ...") when a read fails.
  bool read(std::vector<apprt::PrintedItem>& items) override;
  const std::vector<std::string>& places() const override { return places_; }
  void readFrom(const std::string& place) override;

 private:
  std::vector<std::string> numbersOf(std::string_view code) const;

  ListOrder order_;
  std::size_t recordsPerBlock_;
  std::string from_;  // where the next read starts ("" the first record)
  bool started_ = false;
  bool ended_ = false;
  std::vector<std::string> places_;
};

}  // namespace fesk::records
