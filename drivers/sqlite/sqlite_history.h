#pragma once
// The history of a file that keeps one (file_history.h): a
// table `history` inside the file's own database, written by triggers on the
// file's table, so that an entry is part of the transaction that makes its
// change (rolled back with it, kept by a kill exactly when the change is) and
// a change cannot be made without its entry. An entry holds when (UTC), who,
// the station, the change group, the action ("add", "change", "delete"), the
// record's identity and its fields before and after, as JSON arrays in the
// order declared.
//
// Who, the station and the group come from a function that each connection of
// this program registers (change_author.h); a change another tool makes is
// recorded as by "unknown", from "another program", in change group 0.

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>

#include "runtime/files/file_history.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

inline constexpr const char* kHistoryTable = "history";

// The history table and the file's triggers, in the database attached as
// `schema`, each made only when missing.
std::string historySql(const std::string& schema, const apprt::FileDeclaration& file);

// Takes away the trigger that writes the entries of the file's adds, and the
// history's indexes, which are made again by sorting faster than filled
// entry by entry (all put back by historySql).
std::string withoutAddEntriesSql(const std::string& schema, const apprt::FileDeclaration& file);

// Takes the history table and the file's triggers away, leaving the file as
// it was made before it kept a history (they come back at its next open).
std::string withoutHistorySql(const apprt::FileDeclaration& file);

// What the entries of one saved change share: taken once when the change
// begins, not for every record a cascade changes.
struct HistoryStamp {
  std::int64_t group = 0;
  std::string at;  // UTC, as entries tell it
  std::string who;
  std::string station;

  // For the next saved change (change_author.h).
  void renew();
};

// Registers the function the triggers ask; `stamp` is read at every change.
void addHistoryFunctions(sqlite3* db, const HistoryStamp* stamp);

// Gives a file made before it kept a history, or before its keyed reads, its
// table, indexes and triggers, in one transaction; every record stays as it is. Nothing to do for a
// file that keeps none or has them, or that this process may not write.
apprt::DriverStatus addMissingHistory(sqlite3* db, const std::string& schema,
                                      const apprt::FileDeclaration& file);

// The entries of the file attached as `schema` that `read` names
// (file_history.h), by the history's indexes; `take` may move from them.
apprt::DriverStatus readHistory(sqlite3* db, const std::string& schema,
                                const apprt::FileDeclaration& file, const apprt::HistoryRead& read,
                                const std::function<bool(apprt::HistoryEntry&)>& take);
// Every entry of the file attached as `schema`, oldest first: none when the
// file has no history table (one made before, on a medium this process may
// not write).
apprt::DriverStatus readWholeHistory(sqlite3* db, const std::string& schema,
                                     const apprt::FileDeclaration& file,
                                     const std::function<bool(apprt::HistoryEntry&)>& take);
// Removes its entries older than `before`.
apprt::DriverStatus pruneHistory(sqlite3* db, const std::string& schema, const std::string& before,
                                 std::uint64_t& removed);

}  // namespace fesk::sqlite
