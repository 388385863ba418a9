#pragma once
// Adding many records to a file at once, for a driver that takes them as one
// stream (a database server's bulk load, or one statement of an embedded
// database) instead of one request each, so that the requests do not grow
// with the number of records. The records are sent
// inside the thread's transaction and judged together at the end, as adding
// them one by one would judge them: a record that repeats a unique key's
// value (of a stored record or of one sent before it), or whose parent is
// missing, is refused; every other one is stored, in the order sent.
//
// A caller that rolls the transaction back at the first refusal says so
// (OnRefusal::kRollBack): the driver may then store the records as they
// come, and the refusals it tells leave the file to that rollback.
//
// A driver that cannot take records so offers nothing (BulkAdd::offered()
// answers false) and the caller adds them one by one. The driver's side is
// DriverBulkAdd (driver.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {

class FileDeclaration;

// What the caller does when a record is refused: stores the others, or rolls
// the whole transaction back (which lets the driver store them as they come).
enum class OnRefusal { kStoreTheRest, kRollBack };

// Records added to the open `file` at once, in the calling thread's
// transaction. Each step sets the thread's error state (errors.h).
class BulkAdd {
 public:
  BulkAdd(const FileDeclaration& file, std::optional<ParentRule> parent,
          OnRefusal onRefusal = OnRefusal::kStoreTheRest);
  ~BulkAdd();

  // The file's driver takes records at once.
  bool offered() const { return driverAdd_ != nullptr; }
  // Sends the file's record buffer.
  void send(std::uint64_t place, std::uint64_t lastPlace) const;
  // Stores what was sent (DriverBulkAdd::finish, `goOn` as there).
  std::vector<BulkRefusal> finish(const std::function<bool()>& goOn = nullptr) const;

 private:
  const FileDeclaration& file_;
  std::unique_ptr<DriverBulkAdd> driverAdd_;
};

}  // namespace apprt
