#include "drivers/common/run_order.h"

#include "runtime/files/file_declaration.h"
#include "runtime/text/key_text.h"

namespace fesk::drivers {

void RunOrder::start(const apprt::ReadOrder& order) {
  fields_ = order.fields;
  filter_ = order.filter;
}

bool RunOrder::isOf(const apprt::ReadOrder& order) const {
  return fields_ == order.fields && filter_ == order.filter;
}

std::vector<std::string> RunOrder::keyOf(std::span<const char> image) const {
  std::vector<std::string> key;
  key.reserve(fields_.size());
  for (int field : fields_) key.push_back(apprt::keyValue(file_->fieldBytesIn(image, field)));
  return key;
}

int RunOrder::compare(std::span<const char> a, apprt::RecordIdentity aIdentity,
                      std::span<const char> b, apprt::RecordIdentity bIdentity) const {
  for (int field : fields_) {
    const int order =
        apprt::compareKeyFields(file_->fieldBytesIn(a, field), file_->fieldBytesIn(b, field));
    if (order != 0) return order;
  }
  return aIdentity < bIdentity ? -1 : aIdentity > bIdentity;
}

}  // namespace fesk::drivers
