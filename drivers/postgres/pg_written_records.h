#pragma once
// What one transaction wrote, record by record, with the server's number for
// the transaction. When the answer to its commit is lost, the server can be
// asked later whether it kept it (txid_status); until then a stored record
// that holds exactly what it wrote may be its own write, not another
// station's change.

#include <map>
#include <string>
#include <utility>

#include "runtime/files/driver.h"

namespace fesk::postgres {

class WrittenRecords {
 public:
  // A new transaction, numbered `transaction` by the server ("" unknown).
  void begin(std::string transaction) {
    transaction_ = std::move(transaction);
    images_.clear();
  }
  void clear() { begin(""); }
  void wrote(const std::string& table, apprt::RecordIdentity identity, std::string image) {
    images_[{table, identity}] = std::move(image);
  }

  const std::string& transaction() const { return transaction_; }
  bool empty() const { return transaction_.empty(); }
  // Whether the transaction left the record `identity` of `table` as `image`.
  bool wroteAs(const std::string& table, apprt::RecordIdentity identity,
               const std::string& image) const {
    const auto it = images_.find({table, identity});
    return it != images_.end() && it->second == image;
  }

 private:
  std::string transaction_;
  std::map<std::pair<std::string, apprt::RecordIdentity>, std::string> images_;
};

}  // namespace fesk::postgres
