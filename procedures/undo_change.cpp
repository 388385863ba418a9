#include "procedures/undo_change.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "data/data_files.h"
#include "data/orphans.h"
#include "data/record_writes.h"
#include "procedures/browse_fesk1.h"
#include "procedures/deleted_record.h"
#include "runtime/files/change_author.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_history.h"
#include "runtime/files/file_position.h"
#include "runtime/files/key_lookup.h"
#include "runtime/windows/windows.h"
#include "warnings/saved_error.h"
#include "warnings/show_warning.h"

namespace fesk {
namespace {

constexpr const char* kTitle = "Undo";
using apprt::HistoryEntry;
using Entries = std::vector<HistoryEntry>;

// What undo keeps for the rest of the run. The saved changes of this station
// it passes over: those it took back and those it made, so that it never
// takes back itself. And the records it added back for deleted ones, which
// have new identities: the entries older than the delete name the old ones.
// Only the frame undoes, but any thread may one day ask.
struct Kept {
  std::mutex mutex;
  std::set<std::int64_t> passed;
  std::map<std::pair<const apprt::FileDeclaration*, apprt::RecordIdentity>, apprt::RecordIdentity>
      addedBack;
};

Kept& kept() {
  static Kept k;
  return k;
}

bool passedOver(std::int64_t group) {
  std::lock_guard lock(kept().mutex);
  return kept().passed.contains(group);
}

void passOver(std::int64_t group) {
  std::lock_guard lock(kept().mutex);
  kept().passed.insert(group);
}

// The identity the record that once had `identity` has now.
apprt::RecordIdentity nowStored(const apprt::FileDeclaration& file,
                                apprt::RecordIdentity identity) {
  std::lock_guard lock(kept().mutex);
  for (auto at = kept().addedBack.find({&file, identity}); at != kept().addedBack.end();
       at = kept().addedBack.find({&file, identity}))
    identity = at->second;
  return identity;
}

// Notes the records that `undo` added back for those `undone` deleted: both
// lists are newest first, and the adds follow the deletes' order.
void noteAddedBack(const apprt::FileDeclaration& file, const Entries& undone, const Entries& undo) {
  const auto ofAction = [](const Entries& entries, const std::string& action) {
    std::vector<apprt::RecordIdentity> records;
    for (const HistoryEntry& entry : entries)
      if (entry.action == action) records.push_back(entry.record);
    return records;
  };
  const auto deleted = ofAction(undone, "delete");
  const auto added = ofAction(undo, "add");
  if (deleted.size() != added.size()) return;
  std::lock_guard lock(kept().mutex);
  for (std::size_t i = 0; i < deleted.size(); ++i) kept().addedBack[{&file, deleted[i]}] = added[i];
}

void tell(const std::string& text) {
  apprt::messageBox(text, kTitle, apprt::Icon::Warning, apprt::kButtonOk, apprt::kButtonOk);
}

// The history of `file` written by this station, newest first. Empty, with
// the thread's error set, when the read failed.
Entries ownEntries(const apprt::FileDeclaration& file) {
  const std::string station = apprt::changeStation();
  Entries own;
  apprt::readHistory(file, apprt::HistoryRead{}, [&](const HistoryEntry& entry) {
    if (entry.station == station) own.push_back(entry);
    return true;
  });
  return own;
}

// A saved change: its entries in each file, newest first.
struct SavedChange {
  std::int64_t group = 0;
  Entries fesk1;
  Entries fesk2;
};

// The newest saved change of this station not passed over, if any.
std::optional<SavedChange> lastOwnChange(const Entries& fesk1, const Entries& fesk2) {
  const HistoryEntry* newest = nullptr;
  for (const Entries* entries : {&fesk1, &fesk2}) {
    const auto open = std::ranges::find_if(
        *entries, [](const HistoryEntry& entry) { return !passedOver(entry.group); });
    if (open != entries->end() && (!newest || open->at > newest->at)) newest = &*open;
  }
  if (!newest) return std::nullopt;
  SavedChange change{.group = newest->group, .fesk1 = {}, .fesk2 = {}};
  const auto inGroup = [&](const HistoryEntry& entry) { return entry.group == change.group; };
  std::ranges::copy_if(fesk1, std::back_inserter(change.fesk1), inGroup);
  std::ranges::copy_if(fesk2, std::back_inserter(change.fesk2), inGroup);
  return change;
}

// Whether the fields of `record` are the values `fields` names, as declared.
bool holds(const Fesk1Record& record, const std::vector<std::string>& fields) {
  return fields.size() == 2 && record.CODE == fields[0] && record.NAME == fields[1];
}
bool holds(const Fesk2Record& record, const std::vector<std::string>& fields) {
  return fields.size() == 2 && record.CODE == fields[0] && record.NUMBER == fields[1];
}

// Who changed the record last, and when, from its newest entry.
std::string lastChangeOf(const apprt::FileDeclaration& file, apprt::RecordIdentity record) {
  std::optional<HistoryEntry> newest;
  apprt::HistoryRead read;
  read.record = record;
  read.limit = 1;
  apprt::readHistory(file, read, [&](const HistoryEntry& entry) {
    newest = entry;
    return false;
  });
  if (!newest) return "changed since";
  const char* done = newest->action == "delete" ? "deleted" : "changed";
  const std::string from = newest->station.empty() ? "" : " (" + newest->station + ")";
  return std::string(done) + " by " + newest->who + from + " at " + newest->at;
}

std::string recordName(std::string_view label, const std::string& code) {
  return "the " + std::string(label) + " record \"" + code + "\"";
}

// Reads the record the entry names into the file's buffer, watched, and
// answers whether it still holds the entry's after-values. When it does not,
// or is gone, the user is told who changed it and when.
template <class Record>
bool stillAsLeft(const apprt::File<Record>& file, std::string_view label,
                 const HistoryEntry& entry) {
  const apprt::RecordIdentity identity = nowStored(file, entry.record);
  file.watch();
  file.getByPosition(
      apprt::encodePosition(apprt::Position{.fields = {}, .identity = identity, .values = {}}));
  const int error = apprt::ERRCODE();
  if (error != apprt::kNoError && error != apprt::kRecordNotFound) {
    SaveFileError();
    ShowWarning(kWarnRetrievalError, label);
    return false;
  }
  if (error == apprt::kNoError && holds(file.buffer(), entry.after)) return true;
  tell("Cannot undo: " + recordName(label, entry.after.at(0)) + " was " +
       lastChangeOf(file, identity) + ".");
  return false;
}

void tellCodeTaken(const std::string& code) {
  tell("Cannot undo: another fesk1 record has the code \"" + code + "\" now.");
}

bool codeFree(const std::string& code) {
  apprt::FixedString<20> value;
  value = code;
  if (!Fesk1HasCode(value)) return apprt::ERRCODE() == apprt::kNoError;
  tellCodeTaken(code);
  return false;
}

bool hasChildren(const std::string& code) {
  Fesk2Record child;
  FillFromHistory(child, {code, ""});
  return apprt::holdsKeyValue(FESK2, FS2_KEYCODE,
                              std::span(reinterpret_cast<const char*>(&child), sizeof child));
}

bool undoFesk1Add(const HistoryEntry& added) {
  if (!stillAsLeft(FESK1, kFesk1Label, added)) return false;
  if (hasChildren(added.after.at(0))) {
    tell("Cannot undo: " + recordName(kFesk1Label, added.after.at(0)) +
         " has fesk2 records filed under it since.");
    return false;
  }
  return DeleteFesk1Record() == kWriteDone;
}

bool undoFesk1Change(const HistoryEntry& changed) {
  if (!stillAsLeft(FESK1, kFesk1Label, changed)) return false;
  const bool recoded = !sameCode(changed.before.at(0), changed.after.at(0));
  if (recoded && !codeFree(changed.before.at(0))) return false;
  RememberFesk1Code();
  FillFromHistory(FESK1.buffer(), changed.before);
  return UpdateFesk1Record(false) == kWriteDone;
}

// The children deleted with the record, newest first.
bool undoFesk1Delete(const HistoryEntry& deleted, const Entries& children) {
  const AddBack outcome = AddBackDeletedFesk1(deleted, children);
  if (outcome == AddBack::kCodeTaken) tellCodeTaken(deleted.before.at(0));
  return outcome == AddBack::kDone;
}

bool undoFesk2(const HistoryEntry& entry) {
  if (entry.action == "delete") {
    FillFromHistory(FESK2.buffer(), entry.before);
    return AddFesk2Record() == kWriteDone;
  }
  if (!stillAsLeft(FESK2, kFesk2Label, entry)) return false;
  if (entry.action == "add") return DeleteFesk2Record() == kWriteDone;
  FillFromHistory(FESK2.buffer(), entry.before);
  return UpdateFesk2Record(false) == kWriteDone;
}

// Takes the change back through the write routine of its kind. A change
// the windows cannot make (an import of many records) is not taken back here.
bool undo(const SavedChange& change) {
  if (change.fesk1.size() == 1) {
    const HistoryEntry& entry = change.fesk1.front();
    if (entry.action == "change") return undoFesk1Change(entry);  // the cascade follows
    if (entry.action == "delete") return undoFesk1Delete(entry, change.fesk2);
    if (change.fesk2.empty()) return undoFesk1Add(entry);
  } else if (change.fesk1.empty() && change.fesk2.size() == 1) {
    return undoFesk2(change.fesk2.front());
  }
  tell("Cannot undo: the last change was not made to one record in a window.");
  return false;
}

void undoWithFilesOpen() {
  const Entries fesk1 = ownEntries(FESK1);
  const Entries fesk2 = ownEntries(FESK2);
  if (apprt::ERRCODE() != apprt::kNoError) {
    SaveFileError();
    ShowWarning(kWarnRetrievalError, kFesk1Label);
    return;
  }
  const std::optional<SavedChange> change = lastOwnChange(fesk1, fesk2);
  if (!change) {
    tell("Nothing to undo.");
    return;
  }
  if (!undo(*change)) return;
  passOver(change->group);
  // The undo's own saved change is now this station's newest.
  if (const auto own = lastOwnChange(ownEntries(FESK1), ownEntries(FESK2))) {
    passOver(own->group);
    noteAddedBack(FESK1, change->fesk1, own->fesk1);
    noteAddedBack(FESK2, change->fesk2, own->fesk2);
  }
  ReloadFrontBrowseFesk1();
}

}  // namespace

void UndoLastChange() {
  AcquireFesk1();
  AcquireFesk2();
  undoWithFilesOpen();
  ReleaseFesk2();
  ReleaseFesk1();
}

}  // namespace fesk
