#include "records/history_csv.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <vector>

#include "data/data_files.h"
#include "records/csv_format.h"
#include "records/file_failure.h"
#include "records/file_use.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_history.h"
#include "runtime/files/file_transaction.h"

namespace fesk::records {
namespace {

constexpr std::string_view kHeader =
    "AT,WHO,STATION,CHANGE,FILE,ACTION,RECORD,CODE,FIELD,BEFORE,AFTER";
constexpr int kHistoryWaitSeconds = 10;

struct FileEntry {
  const apprt::FileDeclaration* file;
  apprt::HistoryEntry entry;
};

const std::string& codeOf(const apprt::HistoryEntry& entry) {
  return entry.after.empty() ? entry.before.front() : entry.after.front();
}

bool concerns(const apprt::HistoryEntry& entry, const std::string& code) {
  return (!entry.before.empty() && sameCode(entry.before.front(), code)) ||
         (!entry.after.empty() && sameCode(entry.after.front(), code));
}

void appendRow(std::string& out, const FileEntry& e, const std::string& field,
               const std::string& before, const std::string& after) {
  const apprt::HistoryEntry& entry = e.entry;
  const std::array<std::string, 11> values{entry.at,
                                           entry.who,
                                           entry.station,
                                           std::to_string(entry.group),
                                           e.file->fileName(),
                                           entry.action,
                                           std::to_string(entry.record),
                                           codeOf(entry),
                                           field,
                                           before,
                                           after};
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) out += ',';
    appendCsvField(out, values[i]);
  }
  out += kCsvLineEnd;
}

void appendEntry(std::string& out, const FileEntry& e) {
  const apprt::HistoryEntry& entry = e.entry;
  bool any = false;
  for (std::size_t i = 0; i < e.file->fields().size(); ++i) {
    const std::string before = i < entry.before.size() ? entry.before[i] : "";
    const std::string after = i < entry.after.size() ? entry.after[i] : "";
    if (entry.action == "change" && before == after) continue;
    appendRow(out, e, csvHeading(e.file->fields()[i]), before, after);
    any = true;
  }
  if (!any) appendRow(out, e, "", "", "");
}

// The entries of one file, newest first; false with `why` on a failure.
bool readFile(const apprt::FileDeclaration& file, const HistoryChoice& choice,
              std::vector<FileEntry>& entries, HistoryOutcome& outcome) {
  if (choice.file && choice.file != &file) return true;
  const FileUse use(file, apprt::kOpenSharedReadOnly, WhenMissing::kLeaveMissing);
  if (use.missing()) return true;
  if (!use.isOpen()) {
    outcome.why = use.failure();
    return false;
  }
  apprt::HistoryRead every;
  every.since = choice.since;
  // A code's entries are found by their values: a record that had the code
  // and has another now keeps it only there, so no index of the records
  // filed under the code now would find them.
  outcome.kept = apprt::readHistory(file, every, [&](const apprt::HistoryEntry& entry) {
    if (!choice.code || concerns(entry, *choice.code)) entries.push_back({&file, entry});
    return true;
  });
  if (apprt::ERRCODE() != apprt::kNoError) {
    outcome.why = fileFailure("read the history of", file);
    return false;
  }
  return outcome.kept;
}

}  // namespace

HistoryOutcome writeHistoryCsv(const HistoryChoice& choice, std::ostream& out) {
  HistoryOutcome outcome;
  std::vector<FileEntry> parents;
  std::vector<FileEntry> children;
  if (!readFile(FESK1, choice, parents, outcome) || !readFile(FESK2, choice, children, outcome)) {
    if (!outcome.kept) outcome.why = "this data set keeps no history";
    return outcome;
  }
  // Each file's entries are newest first; a parent's entry before its
  // children's of the same moment.
  std::vector<FileEntry> entries;
  std::merge(parents.begin(), parents.end(), children.begin(), children.end(),
             std::back_inserter(entries),
             [](const FileEntry& a, const FileEntry& b) { return a.entry.at > b.entry.at; });
  std::string text(kHeader);
  text += kCsvLineEnd;
  for (const FileEntry& entry : entries) appendEntry(text, entry);
  if (!out.write(text.data(), static_cast<std::streamsize>(text.size()))) {
    outcome.why = "cannot write the CSV";
    return outcome;
  }
  outcome.entries = entries.size();
  outcome.done = true;
  return outcome;
}

HistoryOutcome pruneHistoryBefore(const std::string& before) {
  HistoryOutcome outcome;
  const FileUse parents(FESK1, apprt::kOpenSharedReadWrite, WhenMissing::kLeaveMissing);
  const FileUse children(FESK2, apprt::kOpenSharedReadWrite, WhenMissing::kLeaveMissing);
  for (const FileUse* use : {&parents, &children}) {
    if (!use->failure().empty()) {
      outcome.why = use->failure();
      return outcome;
    }
  }
  std::vector<const apprt::FileDeclaration*> files;
  if (parents.isOpen()) files.push_back(&FESK1);
  if (children.isOpen()) files.push_back(&FESK2);
  if (files.empty()) {
    outcome.done = true;
    return outcome;
  }
  if (files.size() == 2) {
    apprt::beginTransaction(kHistoryWaitSeconds, {files[0], files[1]});
  } else {
    apprt::beginTransaction(kHistoryWaitSeconds, {files[0]});
  }
  if (apprt::ERRCODE() != apprt::kNoError) {
    outcome.why = fileFailure("prune the history of", *files.front());
    return outcome;
  }
  for (const apprt::FileDeclaration* file : files) {
    std::uint64_t removed = 0;
    outcome.kept = apprt::pruneHistory(*file, before, removed) && outcome.kept;
    if (apprt::ERRCODE() != apprt::kNoError || !outcome.kept) {
      outcome.why = outcome.kept ? fileFailure("prune the history of", *file)
                                 : "this data set keeps no history";
      apprt::rollbackTransaction();
      outcome.entries = 0;
      return outcome;
    }
    outcome.entries += removed;
  }
  apprt::commitTransaction();
  if (apprt::ERRCODE() != apprt::kNoError) {
    outcome.why = fileFailure("prune the history of", *files.front());
    outcome.entries = 0;
    return outcome;
  }
  outcome.done = true;
  return outcome;
}

bool isHistoryMoment(const std::string& text) {
  // Digits where the pattern has 9, the pattern's own signs elsewhere.
  static constexpr std::array<std::string_view, 3> kForms = {"9999-99-99", "9999-99-99T99:99",
                                                             "9999-99-99T99:99:99"};
  const bool shaped = std::any_of(kForms.begin(), kForms.end(), [&](std::string_view form) {
    if (text.size() != form.size()) return false;
    for (std::size_t i = 0; i < form.size(); ++i) {
      const bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
      if (form[i] == '9' ? !digit : text[i] != form[i]) return false;
    }
    return true;
  });
  if (!shaped) return false;
  // A day the calendar has (a server refuses the 31st of November).
  const auto number = [&](std::size_t at, std::size_t length) {
    return std::stoi(text.substr(at, length));
  };
  const std::chrono::year_month_day date{std::chrono::year(number(0, 4)),
                                         std::chrono::month(static_cast<unsigned>(number(5, 2))),
                                         std::chrono::day(static_cast<unsigned>(number(8, 2)))};
  return date.ok() && (text.size() == 10 || (number(11, 2) < 24 && number(14, 2) < 60));
}

}  // namespace fesk::records
