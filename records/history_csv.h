#pragma once
// The history of the data files (file_history.h) as CSV (csv_format.h), and
// its pruning.
//
// Every entry of FESK1 and FESK2, newest first, is written as one row per
// field it tells of: every field of an added or deleted record, the fields
// that differ of a changed one (one row with no field when none differ):
//
//   AT,WHO,STATION,CHANGE,FILE,ACTION,RECORD,CODE,FIELD,BEFORE,AFTER
//   2026-12-10T09:15:02.114Z,ann,desk7/4411,8125,FESK1,change,12,B1,NAME,Brown,Browne
//
// CODE is the record's code (its first field) after the change, or before a
// delete; the rows of one saved change share CHANGE.

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "runtime/files/file_declaration.h"

namespace fesk::records {

struct HistoryChoice {
  const apprt::FileDeclaration* file = nullptr;  // null: both
  std::optional<std::string> code;               // entries of records that had or got this code
  std::string since;                             // UTC, as file_history.h takes it; "" for all
};

struct HistoryOutcome {
  bool done = false;
  bool kept = true;           // false: the data set's driver keeps no history
  std::uint64_t entries = 0;  // written, or removed
  std::string why;            // when not done
};

HistoryOutcome writeHistoryCsv(const HistoryChoice& choice, std::ostream& out);

// Removes the entries of both files older than `before`, in one transaction.
HistoryOutcome pruneHistoryBefore(const std::string& before);

// Whether `text` is a moment the history takes ("YYYY-MM-DD", optionally
// followed by "THH:MM" or "THH:MM:SS", in UTC).
bool isHistoryMoment(const std::string& text);

}  // namespace fesk::records
