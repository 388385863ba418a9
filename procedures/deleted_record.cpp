#include "procedures/deleted_record.h"

#include "data/orphans.h"
#include "data/record_writes.h"
#include "runtime/files/errors.h"

namespace fesk {

void FillFromHistory(Fesk1Record& record, const std::vector<std::string>& fields) {
  record.CODE = fields.at(0);
  record.NAME = fields.at(1);
}

void FillFromHistory(Fesk2Record& record, const std::vector<std::string>& fields) {
  record.CODE = fields.at(0);
  record.NUMBER = fields.at(1);
}

std::vector<apprt::HistoryEntry> ChildrenDeletedWith(const apprt::HistoryEntry& deleted) {
  std::vector<apprt::HistoryEntry> children;
  apprt::HistoryRead deletes;
  deletes.deletesOnly = true;
  apprt::readHistory(FESK2, deletes, [&](const apprt::HistoryEntry& entry) {
    if (entry.at < deleted.at) return false;
    if (entry.group == deleted.group) children.push_back(entry);
    return true;
  });
  return children;
}

AddBack AddBackDeletedFesk1(const apprt::HistoryEntry& deleted,
                            const std::vector<apprt::HistoryEntry>& children) {
  apprt::FixedString<20> code;
  code = deleted.before.at(0);
  if (Fesk1HasCode(code)) return AddBack::kCodeTaken;
  if (apprt::ERRCODE() != apprt::kNoError) return AddBack::kFailed;
  // Stored again in the order they were stored before.
  std::vector<Fesk2Record> records;
  for (auto child = children.rbegin(); child != children.rend(); ++child) {
    FillFromHistory(records.emplace_back(), child->before);
  }
  FillFromHistory(FESK1.buffer(), deleted.before);
  return AddFesk1WithChildren(records) == kWriteDone ? AddBack::kDone : AddBack::kFailed;
}

}  // namespace fesk
