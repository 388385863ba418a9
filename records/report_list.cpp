#include "records/report_list.h"

#include <ctime>

#include "data/data_files.h"
#include "data/fesk2_children.h"
#include "records/file_failure.h"
#include "runtime/files/errors.h"

namespace fesk::records {
namespace {

const apprt::KeyDeclaration& keyOf(ListOrder order) {
  return order == ListOrder::kName ? FES_KEYNAME : FES_KEYCODE;
}

// Whether the last read of `file` gave a record; an error other than the end
// of the file ends the list.
bool readSucceeded(const apprt::FileDeclaration& file) {
  const int code = apprt::ERRCODE();
  if (code == apprt::kNoError) return true;
  if (code == apprt::kNoMoreRecords) return false;
  throw apprt::PrintError(fileFailure("read", file));
}

}  // namespace

std::optional<ListOrder> listOrderNamed(std::string_view word) {
  if (word == "code") return ListOrder::kCode;
  if (word == "name") return ListOrder::kName;
  return std::nullopt;
}

apprt::PrintedListHeader recordListHeader(ListOrder order, std::string dataSet, std::string date) {
  return {std::string(kFesk1Label) + (order == ListOrder::kName ? " by name" : " by code"),
          std::move(dataSet),
          std::move(date),
          {"Code", "Name"}};
}

std::string printDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

RecordListSource::RecordListSource(ListOrder order, std::size_t recordsPerBlock)
    : order_(order), recordsPerBlock_(recordsPerBlock) {}

bool RecordListSource::read(std::vector<apprt::PrintedItem>& items) {
  items.clear();
  places_.clear();
  if (ended_ || !FESK1.isOpen()) return false;
  if (!started_) {
    if (from_.empty())
      FESK1.setOnKey(keyOf(order_));
    else
      FESK1.resetToPosition(keyOf(order_), from_);
    started_ = true;
  }
  while (items.size() < recordsPerBlock_) {
    FESK1.next();
    if (!readSucceeded(FESK1)) {
      ended_ = true;
      break;
    }
    const Fesk1Record record = FESK1.buffer();
    places_.push_back(FESK1.positionByKey(keyOf(order_)));
    items.push_back({{record.CODE.text(), record.NAME.text()}, numbersOf(record.CODE.view())});
  }
  return !items.empty();
}

void RecordListSource::readFrom(const std::string& place) {
  from_ = place;
  started_ = false;
  ended_ = false;
}

std::vector<std::string> RecordListSource::numbersOf(std::string_view code) const {
  std::vector<std::string> numbers;
  if (!FESK2.isOpen()) return numbers;
  const bool read = ForEachFesk2Of(code, [&] {
    numbers.push_back(FESK2.buffer().NUMBER.text());
    return true;
  });
  if (!read) throw apprt::PrintError(fileFailure("read", FESK2));
  return numbers;
}

}  // namespace fesk::records
