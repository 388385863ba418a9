#pragma once
// The order a run of reads goes in, kept by a driver that answers reads from
// rows it already holds (a live statement, rows read ahead): whether a read
// goes on in the same order, and where a record the thread writes lies among
// the rows held, as the stored keys order them (key_order.h).

#include <span>
#include <string>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::drivers {

class RunOrder {
 public:
  explicit RunOrder(const apprt::FileDeclaration& file) : file_(&file) {}

  void start(const apprt::ReadOrder& order);
  // Whether a read in `order` reads in the run's order (fields and filter).
  bool isOf(const apprt::ReadOrder& order) const;
  const std::vector<int>& fields() const { return fields_; }
  bool filtered() const { return !filter_.empty(); }

  // The values of the record `image` that the order compares, as keys compare them.
  std::vector<std::string> keyOf(std::span<const char> image) const;
  // Two records (image and identity) in the order: below 0, 0 or above 0.
  int compare(std::span<const char> a, apprt::RecordIdentity aIdentity, std::span<const char> b,
              apprt::RecordIdentity bIdentity) const;

 private:
  const apprt::FileDeclaration* file_;
  std::vector<int> fields_;
  std::string filter_;
};

// Whether what compared as `comparison` with a place lies beyond it when read
// in `direction`.
constexpr bool liesBeyond(int comparison, apprt::Direction direction) {
  return direction == apprt::Direction::kForward ? comparison > 0 : comparison < 0;
}

}  // namespace fesk::drivers
