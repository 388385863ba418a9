#pragma once
// The keyed-file driver interface: the only place where the runtime meets
// storage. The file layer (file_declaration.h) keeps everything a thread sees
// of a file (record buffer, sequential position, current record, change
// detection) and asks a driver only for stored records: read the neighbour of
// a bound in an order, fetch by identity, write, check for duplicates, and
// frame transactions. Positions are built by the file layer from what the
// driver answers, so every driver reads and positions alike.
//
// A driver is process-wide; a DriverFile is one thread's open file and is used
// only by that thread. Transactions belong to the calling thread. A driver over
// a client/server database implements the same calls with keyset queries and
// its own sessions; nothing above this interface changes.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/files/errors.h"

namespace apprt {

class FileDeclaration;

// The answer of a driver operation: 0, or an error code of errors.h, with the
// driver's own code and message when it has them (always for 90).
struct DriverStatus {
  DriverStatus() = default;
  DriverStatus(int code, std::string driverCode = {}, std::string driverMessage = {})
      : code(code), driverCode(std::move(driverCode)), driverMessage(std::move(driverMessage)) {}

  int code = kNoError;
  std::string driverCode;
  std::string driverMessage;

  bool ok() const { return code == kNoError; }
};

// The driver code of a 90 that means the store cannot be reached (a server
// down or cut off): the runtime tells the user (unreachable_store.h).
inline constexpr std::string_view kUnreachableDriverCode = "08006";

// The driver code of a 47 that means pages of the file are damaged, not that
// it is a file of another kind: the records that can still be read can be
// saved into a new file (kSalvageOption, driver_options.h).
inline constexpr std::string_view kDamagedDriverCode = "damaged";

// A record's identity: assigned when it is added, never changed and never
// given to another record of the file.
using RecordIdentity = std::int64_t;

enum class Direction { kForward, kBackward };

// An order to read a file in: the values of `fields` (0-based field numbers),
// compared without regard to ASCII letter case, then the identity. With no
// fields the order is by identity alone. `key` names the declared key whose
// index serves the order (-1: none). `filter` is a condition in the driver's
// query language over the fields, named by their declared names without the
// prefix (CODE for FES:CODE); empty means every record.
struct ReadOrder {
  std::vector<int> fields;
  int key = -1;
  std::string filter;
};

// Where a read starts: at an edge of the file (before the first record for a
// forward read, after the last for a backward one), or at values of the
// order's fields and an identity. With `inclusive` a record exactly at the
// bound is the answer; otherwise the first one beyond it.
struct ReadBound {
  bool atEdge = true;
  std::vector<std::string> values;
  RecordIdentity identity = 0;
  bool inclusive = false;
};

// Operations that fill a record span write it only when they succeed.
class DriverFile {
 public:
  virtual ~DriverFile() = default;  // closes the file

  // The first record beyond `from` in `direction` of `order`: 33 when none.
  virtual DriverStatus read(const ReadOrder& order, const ReadBound& from, Direction direction,
                            std::span<char> record, RecordIdentity& identity) = 0;
  // The record with this identity: 35 when there is none.
  virtual DriverStatus fetch(RecordIdentity identity, std::span<char> record) = 0;
  // Stores a new record: 40 when it would duplicate a unique key.
  virtual DriverStatus add(std::span<const char> record, RecordIdentity& identity) = 0;
  // Writes `record` over the stored one. With `expected`, only when the stored
  // record still equals it byte for byte (89 otherwise, nothing written).
  // 35 when the record is gone, 40 on a duplicate unique key.
  virtual DriverStatus put(RecordIdentity identity, std::span<const char> record,
                           const std::string* expected) = 0;
  // Removes the record (35 when it is gone).
  virtual DriverStatus remove(RecordIdentity identity) = 0;
  // Whether a record other than `except` has the same value of key `key`.
  virtual DriverStatus hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                                    bool& found) = 0;
};

// What a copy of whole files (Driver::copyWholeFiles) is told and answers.
struct WholeFilesCopy {
  // How long the source waits for other stations' transactions to end.
  int waitSeconds = 10;
  // Told the records copied so far as the copy goes; false stops it.
  std::function<bool(std::uint64_t recordsCopied)> progress = nullptr;
  // Per file, in the order given, the records the copy holds (when done).
  std::vector<std::uint64_t> records;
};

class Driver {
 public:
  virtual ~Driver() = default;

  // Opens the file for the calling thread: 2 missing, 32 needs recovery,
  // 46 keys invalid, 47 file invalid.
  virtual DriverStatus open(const FileDeclaration& file, int mode,
                            std::unique_ptr<DriverFile>& opened) = 0;
  // Creates the file empty, replacing whatever was there.
  virtual DriverStatus create(const FileDeclaration& file) = 0;
  // Rebuilds every key of a file that is not open.
  virtual DriverStatus buildKeys(const FileDeclaration& file) = 0;
  // A driver option string (for instance "Recover=10"); `answer` is the
  // driver's reply.
  virtual DriverStatus send(const FileDeclaration& file, std::string_view option,
                            std::string& answer) = 0;

  // A transaction of the calling thread over the given files, which are open
  // in this thread through this driver. Waits at most `timeoutSeconds` for
  // other writers; a second begin without an end fails.
  virtual DriverStatus begin(std::span<DriverFile* const> files, int timeoutSeconds) = 0;
  virtual DriverStatus commit() = 0;
  // Harmless without a transaction.
  virtual DriverStatus rollback() = 0;

  // Copies `files` whole, as stored, into the same files of `target`, a store
  // that no other station uses meanwhile: read inside one transaction over all
  // of them, so that the copy never holds half of another station's
  // transaction, checked, and put in place of the target's files only once
  // all are copied (a failed or stopped copy leaves them as they were). False,
  // doing nothing, when this driver cannot copy whole files into `target`: the
  // caller then copies records.
  virtual bool copyWholeFiles(std::span<const FileDeclaration* const> /*files*/, Driver& /*target*/,
                              WholeFilesCopy& /*copy*/, DriverStatus& /*status*/) {
    return false;
  }
};

}  // namespace apprt
