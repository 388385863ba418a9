#include "runtime/files/data_set_kind.h"

namespace apprt {

const std::string* DataSetOptions::value(std::string_view option) const {
  const auto given = given_.find(option);
  return given == given_.end() ? nullptr : &given->second;
}

void DataSetOptions::set(std::string_view option, std::string value) {
  given_.insert_or_assign(std::string(option), std::move(value));
}

}  // namespace apprt
