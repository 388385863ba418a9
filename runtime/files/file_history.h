#pragma once
// The history a driver keeps of the records of the files that ask for one:
// an entry for every record added, changed or deleted, written with the
// change itself, telling when, who, from which station and in which saved
// change (change_author.h), and the record's fields before and after.
//
// The program marks the files it wants a history of once, before it opens
// them. A driver that keeps histories gives its open files the
// HistoryKeepingFile interface beside DriverFile; a driver that keeps none
// offers nothing, and readHistory answers false.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/files/driver.h"

namespace apprt {

class FileDeclaration;

// Marks `file` as one whose changes are to be kept.
void keepHistory(const FileDeclaration& file);
bool keepsHistory(const FileDeclaration& file);
// Unmarks it, before its declaration goes away.
void keepNoHistory(const FileDeclaration& file);

struct HistoryEntry {
  std::int64_t id = 0;  // the entry's place in its file's history: a later entry has a greater one
  std::string at;       // UTC, "YYYY-MM-DDTHH:MM:SS.mmmZ"
  std::string who;
  std::string station;
  std::int64_t group = 0;  // the saved change
  std::string action;      // "add", "change", "delete"
  RecordIdentity record = 0;
  std::vector<std::string> before;  // the fields as declared; empty for "add"
  std::vector<std::string> after;   // empty for "delete"
};

// A read of part of a file's history: the entries from a moment on, of one
// record, or of one action, a page at a time, each page read by the
// history's indexes without passing over the entries before it. Moments are
// UTC, "YYYY-MM-DD" optionally followed by "THH:MM" or "THH:MM:SS".
struct HistoryRead {
  std::string since;          // only the entries of this moment or later ("": every one)
  RecordIdentity record = 0;  // only this record's entries (0: every record's)
  bool deletesOnly = false;   // only the entries of deletes
  std::int64_t from = 0;      // the entries beyond this one (0: from the newest or the oldest)
  bool older = true;          // newest first, older than `from`; else oldest first, newer
  std::size_t limit = 0;      // at most this many (0: every one)
};

// Entries carried into a file's history from another data set's, the
// driver's side (history_carry.h): written inside the thread's transaction,
// and while it lasts the file's own adds write no entries, so that records
// moved in beside their history are not told twice. A failure ends the
// transaction (it must be rolled back).
class HistoryCarry {
 public:
  virtual ~HistoryCarry() = default;
  // The first record identity the file has never given.
  virtual DriverStatus nextIdentity(RecordIdentity& next) = 0;
  // Writes `entry` after those written before it (its id is the file's own).
  virtual DriverStatus write(const HistoryEntry& entry) = 0;
  // Writes what is pending; the file's adds are told again, and it gives
  // identities from `next` on (those before it were given to the carried
  // entries).
  virtual DriverStatus finish(RecordIdentity next) = 0;
};

// The driver's side, of an open file that keeps a history.
class HistoryKeepingFile {
 public:
  virtual ~HistoryKeepingFile() = default;
  // The entries `read` names, in its direction, handed to `take` (false
  // from it stops the read).
  virtual DriverStatus readHistory(const HistoryRead& read,
                                   const std::function<bool(const HistoryEntry&)>& take) = 0;
  // Removes the entries older than `before` (a moment as above), in the
  // thread's transaction when one is active.
  virtual DriverStatus pruneHistory(const std::string& before, std::uint64_t& removed) = 0;
  // Every entry, oldest first, as one stream (false from `take` stops it);
  // `take` may move from the entry.
  virtual DriverStatus readWholeHistory(const std::function<bool(HistoryEntry&)>& take) = 0;
  // The identities of the records stored, in the order they were added.
  virtual DriverStatus storedIdentities(std::vector<RecordIdentity>& identities) = 0;
  // Begins carrying entries into the history, in the thread's transaction;
  // with `replace` the entries it holds are removed first.
  virtual DriverStatus carryHistory(bool replace, std::unique_ptr<HistoryCarry>& carry) = 0;
};

// The history side of the thread's open `file`; null when it keeps none (or
// the file is not open: 37 is set then).
HistoryKeepingFile* historyKeepingFileOf(const FileDeclaration& file);

// Reads part of the history of the open `file`, as HistoryKeepingFile's
// read, calling `each` for every entry. Sets the thread's error state
// (errors.h). False, reading nothing, when the driver keeps no history of it.
bool readHistory(const FileDeclaration& file, const HistoryRead& read,
                 const std::function<bool(const HistoryEntry&)>& each);

// Removes the entries of the open `file` older than `before`; `removed` tells
// how many. Sets the thread's error state. False when the driver keeps no
// history of it.
bool pruneHistory(const FileDeclaration& file, const std::string& before, std::uint64_t& removed);

}  // namespace apprt
