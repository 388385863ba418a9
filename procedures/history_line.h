#pragma once
// How the history window shows an entry: one line of when (the station's
// local time), who, the station, and what changed.

#include <string>
#include <vector>

#include "runtime/files/file_history.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk {

struct HistoryLine {
  std::string WHEN;  // local time, "YYYY-MM-DD HH:MM:SS"
  std::string WHO;
  std::string STATION;
  std::string WHAT;
};

// The columns of the history window's list.
std::vector<std::string> queueTexts(const HistoryLine& line);

// A change names each field it changed, "NAME: old -> new"; an add or a
// delete names the record's fields, "CODE: A1, NAME: Alpha"; each after
// what was done and to which file ("Changed fesk1", "Deleted fesk2"...).
HistoryLine historyLine(const apprt::FileDeclaration& file, const apprt::HistoryEntry& entry);

// An entry's moment (UTC, as entries tell it) in the station's local time;
// the text as it was when it is no such moment.
std::string localTime(const std::string& utc);

}  // namespace fesk
