#include "records/csv_import.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "data/data_files.h"
#include "records/added_lines.h"
#include "records/counted.h"
#include "records/csv_columns.h"
#include "records/csv_format.h"
#include "records/csv_reader.h"
#include "records/file_failure.h"
#include "records/file_use.h"
#include "runtime/files/bulk_add.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_position.h"
#include "runtime/files/file_transaction.h"
#include "runtime/text/key_text.h"

namespace fesk::records {
namespace {

// The stored record a child's field must name: a FESK2 record belongs to the
// FESK1 record of its code, compared as the keys compare codes (without
// regard to ASCII letter case), as the cascades find children.
struct ParentRule {
  const apprt::FileDeclaration* parent;
  const apprt::KeyDeclaration* key;
  int childField;
  int parentField;
};

std::optional<ParentRule> parentRuleOf(const apprt::FileDeclaration& file) {
  if (&file == &FESK2) return ParentRule{&FESK1, &FES_KEYCODE, 0, 0};
  return std::nullopt;
}

std::optional<apprt::ParentRule> driverRule(const std::optional<ParentRule>& rule) {
  if (!rule) return std::nullopt;
  return apprt::ParentRule{rule->parent, rule->childField, rule->parentField};
}

// A field's value as a message names it. A value of blanks alone, however
// many ("" and " " alike, as the forms store them), is the blank value: a
// code like any other, which one FESK1 record may have and FESK2 records may
// then belong to.
std::string shownValue(const std::string& text) {
  return text.empty() ? "(blank)" : text;
}

// The file's unique key (the rows sent at once are judged on it).
const apprt::KeyDeclaration& uniqueKey(const apprt::FileDeclaration& file) {
  for (const auto& key : file.keys()) {
    if (!key.allowsDuplicates()) return key;
  }
  throw std::logic_error(file.fileName() + " has no unique key");
}

class Importer {
 public:
  Importer(const apprt::FileDeclaration& file, ImportOutcome& outcome)
      : file_(file),
        parentRule_(parentRuleOf(file)),
        outcome_(outcome),
        bulk_(file, driverRule(parentRule_)) {}

  // Adds the row inside the transaction (or sends it, to be judged with the
  // others by finish()); false when the import cannot go on.
  bool addRow(const CsvRow& row, const CsvColumns& columns) {
    if (std::string why = fillBuffer(row, columns); !why.empty()) return bad(row, why);
    if (bulk_.offered()) return send(row);
    if (std::string why = duplicateOf(); !why.empty()) return bad(row, why);
    if (std::string why = missingParent(); !why.empty()) return bad(row, why);
    if (!outcome_.why.empty()) return false;
    file_.add();
    if (apprt::ERRCODE() == apprt::kDuplicateKey) return bad(row, "duplicates a unique key");
    if (apprt::ERRCODE() != apprt::kNoError) {
      outcome_.why = fileFailure("add line " + std::to_string(row.line) + " to", file_);
      return false;
    }
    if (!remember(row.line)) return false;
    ++outcome_.added;
    return true;
  }

  // After the last row: the rows sent are judged, and the good ones stored,
  // as long as `goOn` answers true (it is asked meanwhile, as that may take
  // long); false when the import cannot go on.
  bool finish(const std::function<bool()>& goOn) {
    if (!bulk_.offered()) return true;
    const auto refused = bulk_.finish(goOn);
    if (apprt::ERRCODE() != apprt::kNoError) {
      // A stop asked meanwhile has told why already.
      if (!outcome_.stopped) outcome_.why = fileFailure("add the rows to", file_);
      return false;
    }
    for (const auto& refusal : refused) {
      std::copy(refusal.record.begin(), refusal.record.end(), file_.recordBytes().begin());
      outcome_.bad.push_back({refusal.place, refusal.lastPlace, refusalText(refusal)});
    }
    // In the order of the input, among the rows found bad as they were read.
    std::ranges::sort(outcome_.bad, {}, &BadRow::line);
    outcome_.added = sent_ - refused.size();
    return true;
  }

 private:
  bool send(const CsvRow& row) {
    bulk_.send(row.line, row.lastLine);
    if (apprt::ERRCODE() != apprt::kNoError) {
      outcome_.why = fileFailure("send line " + std::to_string(row.line) + " to", file_);
      return false;
    }
    ++sent_;
    return true;
  }

  // Why a row sent at once was refused; the buffer holds it.
  std::string refusalText(const apprt::BulkRefusal& refusal) const {
    switch (refusal.reason) {
      case apprt::BulkRefusal::Reason::kStoredDuplicate:
        return duplicateText(uniqueKey(file_), std::nullopt);
      case apprt::BulkRefusal::Reason::kEarlierDuplicate:
        return duplicateText(uniqueKey(file_), refusal.earlierPlace);
      case apprt::BulkRefusal::Reason::kNoParent:
        break;
    }
    return noParentText();
  }

  bool bad(const CsvRow& row, std::string why) {
    outcome_.bad.push_back({row.line, row.lastLine, std::move(why)});
    return true;
  }

  std::string fillBuffer(const CsvRow& row, const CsvColumns& columns) {
    if (!row.error.empty()) return row.error;
    if (row.values.size() != columns.fieldOfColumn.size()) {
      return "has " + counted(row.values.size(), "value") + " where the header has " +
             std::to_string(columns.fieldOfColumn.size());
    }
    file_.clear();
    for (std::size_t column = 0; column < row.values.size(); ++column) {
      const int field = columns.fieldOfColumn[column];
      const std::string& value = row.values[column];
      const std::string name = csvHeading(file_.fields()[field]);
      // A value fits when storing it in the field keeps all of it.
      file_.field(field).assign(value);
      if (file_.field(field).text() != apprt::withoutPadding(value)) {
        return name + " is too long (at most " + std::to_string(file_.fields()[field].characters) +
               ")";
      }
    }
    return {};
  }

  // The identity of the file's current record (the one last read or added).
  std::optional<apprt::RecordIdentity> currentIdentity() {
    const auto position = apprt::decodePosition(file_, file_.positionByFile());
    if (!position) outcome_.why = fileFailure("tell the record just written in", file_);
    return position ? std::optional(position->identity) : std::nullopt;
  }

  // The identity of the stored record with the buffer's value of the unique
  // key `key`; the buffer is left as it was. Nothing when the look-up fails
  // (which ends the import).
  std::optional<apprt::RecordIdentity> identityHolding(const apprt::KeyDeclaration& key) {
    const std::string row(file_.recordBytes().begin(), file_.recordBytes().end());
    file_.setOnKeyValue(key);
    file_.next();
    std::optional<apprt::RecordIdentity> identity;
    if (apprt::ERRCODE() == apprt::kNoError) {
      identity = currentIdentity();
    } else {
      outcome_.why = fileFailure("read", file_);
    }
    std::copy(row.begin(), row.end(), file_.recordBytes().begin());
    return identity;
  }

  std::string describeKey(const apprt::KeyDeclaration& key) const {
    std::string text;
    for (int field : key.fields) {
      text += (text.empty() ? "" : ", ") + csvHeading(file_.fields()[field]) + " " +
              shownValue(file_.field(field).text());
    }
    return text;
  }

  std::string duplicateOf() {
    for (std::size_t index = 0; index < file_.keys().size(); ++index) {
      const auto& key = file_.key(static_cast<int>(index));
      if (key.allowsDuplicates()) continue;
      if (!file_.duplicateOnKey(key)) continue;
      // The rows added so far are in the key too (inside the transaction):
      // the record that holds the value tells whether a row of this file is
      // what the row repeats.
      const auto holder = identityHolding(key);
      if (!holder) return {};
      return duplicateText(key, added_.lineOf(*holder));
    }
    return {};
  }

  // The buffer's row repeats the value of `key` of the row of `earlierLine`,
  // or, without one, of a stored record.
  std::string duplicateText(const apprt::KeyDeclaration& key,
                            std::optional<std::uint64_t> earlierLine) const {
    const std::string described = describeKey(key);
    if (earlierLine) {
      return "duplicate " + key.displayName + ": " + described + " is also in line " +
             std::to_string(*earlierLine);
    }
    return "duplicate " + key.displayName + ": a record with " + described + " is already stored";
  }

  std::string noParentText() const {
    const auto& rule = *parentRule_;
    return "no " + rule.parent->fileName() + " record has " +
           csvHeading(rule.parent->fields()[rule.parentField]) + " " +
           shownValue(file_.field(rule.childField).text());
  }

  // Why the row's parent is missing; a failed look-up ends the import.
  std::string missingParent() {
    if (!parentRule_) return {};
    const auto& rule = *parentRule_;
    const auto& parent = *rule.parent;
    parent.clear();
    parent.field(rule.parentField).assign(file_.field(rule.childField).text());
    parent.setOnKeyValue(*rule.key);
    parent.next();
    const int error = apprt::ERRCODE();
    if (error != apprt::kNoError && error != apprt::kNoMoreRecords) {
      outcome_.why = fileFailure("read", parent);
      return {};
    }
    if (error == apprt::kNoError &&
        apprt::orderValues(parent, {rule.parentField}, parent.recordBytes()) ==
            apprt::orderValues(file_, {rule.childField}, file_.recordBytes())) {
      return {};
    }
    return noParentText();
  }

  bool remember(std::uint64_t line) {
    const auto identity = currentIdentity();
    if (identity) added_.add(*identity, line);
    return identity.has_value();
  }

  const apprt::FileDeclaration& file_;
  std::optional<ParentRule> parentRule_;
  ImportOutcome& outcome_;
  // Where the rows added so far came from; the values themselves are looked
  // up in the file's keys, so memory does not grow with the file.
  AddedLines added_;
  // Rows sent at once, when the file's driver takes them so.
  apprt::BulkAdd bulk_;
  std::uint64_t sent_ = 0;
};

}  // namespace

ImportOutcome importCsv(const apprt::FileDeclaration& file, std::istream& in,
                        const ImportOptions& options) {
  ImportOutcome outcome;
  CsvReader reader(in);
  CsvRow header;
  if (!reader.next(header)) {
    outcome.why = "the CSV is empty: it has no header row";
    return outcome;
  }
  outcome.separator = reader.separator();
  const CsvColumns columns =
      header.error.empty() ? matchColumns(file, header.values) : CsvColumns{{}, header.error};
  if (!columns.error.empty()) {
    // How the header was split, unless it was by the usual commas: a file
    // with another separator reads as one odd column.
    outcome.why = "line 1: " + columns.error;
    if (header.values.size() == 1)
      outcome.why += " (no comma, semicolon or tab separates the header's values)";
    else if (outcome.separator != ',')
      outcome.why +=
          " (the header's values are separated by " + separatorName(outcome.separator) + ")";
    return outcome;
  }

  // Both files, as the program always has them; FESK1 is where FESK2's codes
  // are looked up.
  FileUse fesk1(FESK1, apprt::kOpenSharedReadWrite, WhenMissing::kCreate);
  FileUse fesk2(FESK2, apprt::kOpenSharedReadWrite, WhenMissing::kCreate);
  for (const FileUse* use : {&fesk1, &fesk2}) {
    if (!use->failure().empty()) {
      outcome.why = use->failure();
      return outcome;
    }
  }
  apprt::beginTransaction(options.waitSeconds, {&FESK1, &FESK2});
  if (apprt::ERRCODE() != apprt::kNoError) {
    outcome.why = fileFailure("start the transaction on", file);
    return outcome;
  }

  Importer importer(file, outcome);
  CsvRow row;
  std::uint64_t rows = 0;
  const auto keepGoing = [&] {
    if (!options.progress || options.progress(rows)) return true;
    outcome.stopped = true;
    outcome.why = "stopped after " + counted(rows, "row") + ": nothing was stored";
    return false;
  };
  bool goOn = true;
  while (goOn && reader.next(row)) {
    goOn = importer.addRow(row, columns);
    if (goOn && ++rows % kImportProgressRows == 0) goOn = keepGoing();
  }
  outcome.emptyLines = reader.emptyLines();
  goOn = goOn && importer.finish(keepGoing);
  // A last look before the commit: input cut short by an interruption must
  // not be stored as if it were whole.
  if (goOn) goOn = keepGoing();
  if (!goOn || (!outcome.bad.empty() && !options.skipBad)) {
    apprt::rollbackTransaction();
    outcome.added = 0;
    return outcome;
  }
  apprt::commitTransaction();
  if (apprt::ERRCODE() != apprt::kNoError) {
    outcome.why = fileFailure("commit the records to", file);
    outcome.added = 0;
    return outcome;
  }
  outcome.stored = true;
  return outcome;
}

}  // namespace fesk::records
