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
#include <optional>
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
// then the identity, as key_order.h compares them. ASCII letters compare
// without regard to case by folding them to lower case: that is the form the
// stored keys already hold (SQLite's NOCASE collation folds A-Z to a-z, and
// the server's index expressions translate A-Z to a-z under collation "C"),
// so every order computed on this side of a driver is the order of the
// indexes in users' files, also for the six signs between 'Z' and 'a' ('_'
// sorts before 'a', so before every letter). Folding to upper case instead
// would put them after every letter. With no fields
// the order is by identity alone. `key` names the declared key whose index
// serves the order (-1: none). `filter` is a condition in the driver's query
// language over the fields, named by their column names (key_order.h).
struct ReadOrder {
  std::vector<int> fields;
  int key = -1;
  std::string filter;
};

// What a read starts from.
enum class BoundKind {
  // An edge of the file: before the first record for a forward read, after
  // the last for a backward one.
  kEdge,
  // Values of the order's fields alone: a forward read answers the first
  // record at or beyond them, a backward one the last record before them.
  kValues,
  // A record's place: its values and identity. With `inclusive` the record
  // itself is the answer; otherwise the first one beyond it.
  kRecord,
};

struct ReadBound {
  BoundKind kind = BoundKind::kEdge;
  std::vector<std::string> values;  // kValues and kRecord
  RecordIdentity identity = 0;      // kRecord
  bool inclusive = false;           // kRecord
};

// A record must name a stored record of `parent`: the value of its field
// `field` equal, as keys compare values, to that of `parentField` of one of
// `parent`'s records (fields 0-based).
struct ParentRule {
  const FileDeclaration* parent;
  int field;
  int parentField;
};

// A sent record that was not stored, and why.
struct BulkRefusal {
  // Numbered from 1: a driver may tell a record it stored by 0.
  enum class Reason { kStoredDuplicate = 1, kEarlierDuplicate, kNoParent };
  std::uint64_t place;      // what the caller sent it with (a line of the input)
  std::uint64_t lastPlace;  // the same
  Reason reason;
  // For kEarlierDuplicate, the place of the record sent before it that holds the value.
  std::uint64_t earlierPlace;
  std::string record;  // the record as sent
};

// Records added at once (bulk_add.h), the driver's side. Nothing sent is stored until
// `finish` succeeds; a failure ends the transaction (it must be rolled back).
class DriverBulkAdd {
 public:
  virtual ~DriverBulkAdd() = default;
  virtual DriverStatus send(std::span<const char> record, std::uint64_t place,
                            std::uint64_t lastPlace) = 0;
  // Stores the records sent that are not refused; the refused ones in the
  // order sent. That may take long: `goOn`, when given, is asked every little
  // while meanwhile, and once it answers false the work is cut short and
  // fails, having stored nothing the transaction's rollback would keep.
  virtual DriverStatus finish(std::vector<BulkRefusal>& refused,
                              const std::function<bool()>& goOn) = 0;
  // Told before the first record is sent when the caller rolls the
  // transaction back once any record is refused: the driver may then store
  // the records as they come, and leave the file as it is after a refusal.
  virtual void endedByARefusal() {}
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
  // record still equals it byte for byte (89 otherwise, nothing written; 89
  // too when the record is gone: another station deleted what was watched).
  // Without `expected`, 35 when the record is gone; 40 on a duplicate unique
  // key.
  virtual DriverStatus put(RecordIdentity identity, std::span<const char> record,
                           const std::string* expected) = 0;
  // Removes the record (35 when it is gone).
  virtual DriverStatus remove(RecordIdentity identity) = 0;
  // Whether a record other than `except` has the same value of key `key`.
  virtual DriverStatus hasDuplicate(int key, std::span<const char> record, RecordIdentity except,
                                    bool& found) = 0;
  // Records added at once, each with a parent by `parent`; null
  // when the driver adds records one at a time only.
  virtual std::unique_ptr<DriverBulkAdd> addInBulk(const std::optional<ParentRule>& /*parent*/) {
    return nullptr;
  }
  // Every record in `order`, read at once (a database server's bulk unload)
  // so that the requests do not grow with the number of records, handed to
  // `take` one by one (false from it stops the read). False, doing nothing,
  // when the driver reads record by record only (bulk_read.h).
  virtual bool readAll(const ReadOrder& /*order*/,
                       const std::function<bool(std::span<const char> record)>& /*take*/,
                       DriverStatus& /*status*/) {
    return false;
  }
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
