#pragma once
// Carrying a file's history from one data set into another beside its
// records, so that the copy's history is the original's: every entry, in
// its order, with when, who, the station, the saved change and the fields
// before and after as they were. The records get new identities in the
// target, so the caller maps the identities the entries name (a record that
// was gone before the move is given one the target never gave). The driver's
// side is HistoryCarry (file_history.h).

#include <functional>
#include <memory>
#include <vector>

#include "runtime/files/file_history.h"

namespace apprt {

class FileDeclaration;

// Every entry of the open `file`'s history, oldest first, to `each` (false
// from it stops the read; it may move from the entry). Sets the thread's
// error state (errors.h). False, reading nothing, when the driver keeps no
// history of it.
bool readWholeHistory(const FileDeclaration& file, const std::function<bool(HistoryEntry&)>& each);

// The identities of the records of the open `file`, in the order they were
// added. Sets the thread's error state. False when the driver keeps no
// history of it (nothing then asks for them).
bool storedIdentities(const FileDeclaration& file, std::vector<RecordIdentity>& identities);

// Entries written into the history of the open `file` in the calling thread's
// transaction: from its making until finish() the file's own adds write no
// entries. Each step sets the thread's error state.
class CarriedHistory {
 public:
  // With `replace` the entries the file holds are removed first. No error
  // when the driver keeps no history of the file: nothing is offered then.
  CarriedHistory(const FileDeclaration& file, bool replace);
  ~CarriedHistory();

  // The file keeps a history to carry into.
  bool offered() const { return carry_ != nullptr; }
  // The first identity the file has never given.
  RecordIdentity nextIdentity() const;
  void write(const HistoryEntry& entry) const;
  // The file gives identities from `next` on.
  void finish(RecordIdentity next) const;

 private:
  const FileDeclaration& file_;
  std::unique_ptr<HistoryCarry> carry_;
};

}  // namespace apprt
