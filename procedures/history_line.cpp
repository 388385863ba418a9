#include "procedures/history_line.h"

#include <cstdio>
#include <ctime>

#include "runtime/files/file_declaration.h"
#include "runtime/text/ascii_case.h"

namespace fesk {
namespace {

// "FES:CODE" -> "CODE".
std::string fieldLabel(const apprt::FileDeclaration& file, std::size_t field) {
  const std::string& name = file.fields()[field].name;
  const auto colon = name.find(':');
  return colon == std::string::npos ? name : name.substr(colon + 1);
}

std::string fieldsOf(const apprt::FileDeclaration& file, const std::vector<std::string>& fields) {
  std::string text;
  for (std::size_t i = 0; i < fields.size() && i < file.fields().size(); ++i) {
    text += (i == 0 ? "" : ", ") + fieldLabel(file, i) + ": " + fields[i];
  }
  return text;
}

std::string changesOf(const apprt::FileDeclaration& file, const apprt::HistoryEntry& entry) {
  std::string text;
  for (std::size_t i = 0; i < entry.before.size() && i < entry.after.size(); ++i) {
    if (entry.before[i] == entry.after[i]) continue;
    text += (text.empty() ? "" : ", ") + fieldLabel(file, i) + ": " + entry.before[i] + " -> " +
            entry.after[i];
  }
  return text.empty() ? "nothing changed" : text;
}

}  // namespace

std::vector<std::string> queueTexts(const HistoryLine& line) {
  return {line.WHEN, line.WHO, line.STATION, line.WHAT};
}

std::string localTime(const std::string& utc) {
  std::tm moment{};
  if (std::sscanf(utc.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &moment.tm_year, &moment.tm_mon,
                  &moment.tm_mday, &moment.tm_hour, &moment.tm_min, &moment.tm_sec) != 6) {
    return utc;
  }
  moment.tm_year -= 1900;
  moment.tm_mon -= 1;
  const std::time_t seconds = timegm(&moment);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

HistoryLine historyLine(const apprt::FileDeclaration& file, const apprt::HistoryEntry& entry) {
  const std::string label = apprt::asciiLower(file.fileName());
  std::string what;
  if (entry.action == "add") {
    what = "Added " + label + ": " + fieldsOf(file, entry.after);
  } else if (entry.action == "delete") {
    what = "Deleted " + label + ": " + fieldsOf(file, entry.before);
  } else {
    what = "Changed " + label + ": " + changesOf(file, entry);
  }
  return {.WHEN = localTime(entry.at), .WHO = entry.who, .STATION = entry.station, .WHAT = what};
}

}  // namespace fesk
