#include "records/data_set_copy.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "records/counted.h"
#include "records/data_set_files.h"
#include "records/file_failure.h"
#include "records/file_use.h"
#include "records/record_batches.h"
#include "runtime/files/bulk_add.h"
#include "runtime/files/bulk_read.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_transaction.h"
#include "runtime/files/history_carry.h"
#include "runtime/files/thread_wait.h"

namespace fesk::records {
namespace {

bool failed() {
  return apprt::ERRCODE() != apprt::kNoError;
}

RecordBatch emptyBatch(std::size_t file, BatchKind kind = BatchKind::kRecords) {
  RecordBatch batch;
  batch.kind = kind;
  batch.file = file;
  return batch;
}

// Reads the records of `file` in batches; false when they cannot all be
// handed on (`failure` says why, or the taker gave up).
bool readFile(const apprt::FileDeclaration& file, std::size_t index, RecordBatches& batches,
              std::string& failure) {
  const std::size_t length = file.recordLength();
  RecordBatch batch = emptyBatch(index);
  batch.images.reserve(kCopyBatchRecords * length);
  const auto handOn = [&] {
    // Waiting for room, a reader of record after record holds no statement
    // open (the driver's readers must not keep locks while they wait), and a
    // read at once only its stream, which holds no more than the
    // transaction does: the transaction alone keeps the records as they were.
    apprt::threadWillWait();
    const bool taken = batch.count == 0 || batches.put(std::move(batch));
    batch = emptyBatch(index);
    batch.images.reserve(kCopyBatchRecords * length);
    return taken;
  };
  const auto take = [&] {
    const auto record = file.recordBytes();
    batch.images.insert(batch.images.end(), record.begin(), record.end());
    return ++batch.count < kCopyBatchRecords || handOn();
  };
  bool going = true;
  // In the order the records were added, as a file just opened reads.
  if (!apprt::readInBulk(file, nullptr, [&] { return going = take(); })) {
    while (going) {
      file.next();
      if (failed()) break;
      going = take();
    }
  }
  if (!going) return false;
  const int error = apprt::ERRCODE();
  if (error != apprt::kNoError && error != apprt::kNoMoreRecords) {
    failure = fileFailure("read", file);
    return false;
  }
  return handOn();
}

// Reads the history of `file` after its records, in the same transaction:
// the identities of its records (in the order they were read), then its
// entries in batches. Nothing when the driver keeps none.
bool readHistoryOf(const apprt::FileDeclaration& file, std::size_t index, RecordBatches& batches,
                   std::string& failure) {
  RecordBatch identities = emptyBatch(index, BatchKind::kIdentities);
  if (!apprt::storedIdentities(file, identities.identities)) return true;
  if (failed()) {
    failure = fileFailure("read the history of", file);
    return false;
  }
  apprt::threadWillWait();
  if (!batches.put(std::move(identities))) return false;
  RecordBatch batch = emptyBatch(index, BatchKind::kEntries);
  bool going = true;
  const auto handOn = [&] {
    apprt::threadWillWait();
    const bool taken = batch.entries.empty() || batches.put(std::move(batch));
    batch = emptyBatch(index, BatchKind::kEntries);
    return taken;
  };
  apprt::readWholeHistory(file, [&](apprt::HistoryEntry& entry) {
    batch.entries.push_back(std::move(entry));
    return going = batch.entries.size() < kCopyBatchEntries || handOn();
  });
  if (!going) return false;
  if (failed()) {
    failure = fileFailure("read the history of", file);
    return false;
  }
  return handOn();
}

// Why the source's files, as `uses` opened them, cannot be read ("" when they can).
std::string unreadable(const DataSetFiles& files, const std::array<const FileUse*, 2>& uses) {
  for (std::size_t index = 0; index < files.all().size(); ++index) {
    if (!uses[index]->isOpen()) {
      return uses[index]->missing() ? "the source has no " + files.all()[index]->fileName()
                                    : uses[index]->failure();
    }
  }
  return {};
}

// Reads every record of the source's files and then their history, in one
// transaction, into `batches`.
void readSource(apprt::Driver& driver, int waitSeconds, RecordBatches& batches) {
  const DataSetFiles files(driver);
  const FileUse fesk1(files.fesk1(), apprt::kOpenSharedReadOnly, WhenMissing::kLeaveMissing);
  const FileUse fesk2(files.fesk2(), apprt::kOpenSharedReadOnly, WhenMissing::kLeaveMissing);
  if (const std::string failure = unreadable(files, {&fesk1, &fesk2}); !failure.empty()) {
    batches.finish(failure);
    return;
  }
  apprt::beginTransaction(waitSeconds, {&files.fesk1(), &files.fesk2()});
  if (failed()) {
    batches.finish(fileFailure("start reading", files.fesk1()));
    return;
  }
  std::string failure;
  bool going = true;
  for (std::size_t index = 0; going && index < files.all().size(); ++index) {
    going = readFile(*files.all()[index], index, batches, failure);
  }
  if (going) {
    RecordBatch allRead;
    allRead.kind = BatchKind::kAllRecordsRead;
    apprt::threadWillWait();
    going = batches.put(std::move(allRead));
  }
  for (std::size_t index = 0; going && index < files.all().size(); ++index) {
    going = readHistoryOf(*files.all()[index], index, batches, failure);
  }
  apprt::rollbackTransaction();  // nothing was written: this only lets go
  batches.finish(failure);
}

// Whether the file holds a record; with `empty` every record is removed.
bool holdsRecords(const apprt::FileDeclaration& file, bool empty, std::string& failure) {
  file.setOnKey(file.key(0));
  bool holds = false;
  for (file.next(); !failed(); file.next()) {
    holds = true;
    if (!empty) return true;
    file.remove();
    if (failed()) break;
  }
  if (apprt::ERRCODE() != apprt::kNoMoreRecords) failure = fileFailure("empty", file);
  return holds;
}

std::uint64_t storedCount(const apprt::FileDeclaration& file, std::string& failure) {
  std::uint64_t count = 0;
  const auto countOne = [&count] {
    ++count;
    return true;
  };
  if (!apprt::readInBulk(file, &file.key(0), countOne)) {
    file.setOnKey(file.key(0));
    for (file.next(); !failed(); file.next()) ++count;
  }
  const int error = apprt::ERRCODE();
  if (error != apprt::kNoError && error != apprt::kNoMoreRecords) {
    failure = fileFailure("count the records of", file);
  }
  return count;
}

class TargetWriter {
 public:
  TargetWriter(apprt::Driver& driver, const CopyOptions& options, CopyOutcome& outcome)
      : files_(driver), options_(options), outcome_(outcome) {}

  // Opens and prepares the target inside its transaction; false when the copy
  // cannot go on (the transaction is then over).
  bool prepare() {
    FileUse* uses[] = {&fesk1_, &fesk2_};
    for (const FileUse* use : uses) {
      if (!use->failure().empty()) return fail(use->failure());
    }
    apprt::beginTransaction(options_.waitSeconds, {&files_.fesk1(), &files_.fesk2()});
    if (failed()) return fail(fileFailure("start writing", files_.fesk1()));
    for (const auto* file : files_.all()) {
      std::string failure;
      const bool holds = holdsRecords(*file, options_.replace, failure);
      if (!failure.empty()) return abandon(failure);
      if (holds && !options_.replace) {
        outcome_.targetHoldsRecords = true;
        return abandon("the target already holds records (" + file->fileName() + ")");
      }
    }
    for (const auto* file : files_.all()) {
      // Before the records are added, which then write no entries of their
      // own; with `replace` the entries of what the emptying removed go too.
      carried_.emplace_back(*file, options_.replace);
      if (failed()) return abandon(fileFailure("carry the history into", *file));
    }
    for (const auto* file : files_.all()) {
      outcome_.counts.push_back({file->fileName(), 0});
      // Only now: what the emptying removed goes before the records sent.
      // A refusal abandons the copy, so the driver may store as it goes.
      bulk_.push_back(
          std::make_unique<apprt::BulkAdd>(*file, std::nullopt, apprt::OnRefusal::kRollBack));
    }
    return true;
  }

  bool add(RecordBatch& batch) {
    switch (batch.kind) {
      case BatchKind::kRecords:
        return addRecords(batch);
      case BatchKind::kAllRecordsRead:
        return store();
      case BatchKind::kIdentities:
        return mapIdentities(batch);
      case BatchKind::kEntries:
        return carry(batch);
    }
    return false;
  }

  // Carries the history's end, checks what the target holds against what
  // was read, then commits.
  void finish() {
    for (std::size_t index = 0; index < files_.all().size(); ++index) {
      const CarriedFile& carried = carried_[index];
      if (!carried.history.offered()) continue;
      carried.history.finish(carried.next != 0 ? carried.next : carried.history.nextIdentity());
      if (failed()) {
        abandon(fileFailure("carry the history into", *files_.all()[index]));
        return;
      }
    }
    if (!checkCounts()) return;
    // Storing and counting take long on a large copy: a stop asked meanwhile
    // still leaves the target as it was.
    if (!goOn()) return;
    apprt::commitTransaction();
    if (failed()) {
      fail(fileFailure("commit the copy to", files_.fesk1()));
      return;
    }
    outcome_.done = true;
  }

  // Tells the progress so far; false, the copy abandoned, when it is to stop.
  bool goOn() { return stillWanted() || stop(); }

  // Tells the progress so far; false when the copy is to stop.
  bool stillWanted() {
    if (!options_.progress || options_.progress(copied_)) return true;
    stopAsked_ = true;
    return false;
  }

  bool stop() {
    outcome_.stopped = true;
    return abandon("stopped after " + counted(copied_, "record"));
  }

  bool abandon(std::string why) {
    apprt::rollbackTransaction();
    return fail(std::move(why));
  }

 private:
  // A file's history as it is carried: the records' identities in the
  // source, in the order read, and those the target gave them, in the same
  // order; the identities given to records gone before the copy, and the
  // next one to give.
  struct CarriedFile {
    CarriedFile(const apprt::FileDeclaration& file, bool replace) : history(file, replace) {}
    apprt::CarriedHistory history;
    std::vector<apprt::RecordIdentity> source;
    std::vector<apprt::RecordIdentity> target;
    std::unordered_map<apprt::RecordIdentity, apprt::RecordIdentity> gone;
    apprt::RecordIdentity next = 0;
    bool counted = false;  // what the target holds, by the identities of its records

    apprt::RecordIdentity mapped(apprt::RecordIdentity identity) {
      const auto at = std::lower_bound(source.begin(), source.end(), identity);
      if (at != source.end() && *at == identity) return target[at - source.begin()];
      const auto [given, added] = gone.try_emplace(identity, next);
      if (added) ++next;
      return given->second;
    }
  };

  // The records of a file are added in the order read, so the n-th record
  // read is the n-th the target holds.
  bool mapIdentities(RecordBatch& batch) {
    const apprt::FileDeclaration& file = *files_.all()[batch.file];
    CarriedFile& carried = carried_[batch.file];
    if (!carried.history.offered()) return true;
    carried.source = std::move(batch.identities);
    apprt::storedIdentities(file, carried.target);
    if (!failed()) carried.next = carried.history.nextIdentity();
    if (failed()) return abandon(fileFailure("carry the history into", file));
    // What the target holds is counted here already: the history adds no records.
    if (!holdsAsRead(batch.file, carried.target.size())) return false;
    carried.counted = true;
    if (carried.target.size() != carried.source.size() ||
        !std::is_sorted(carried.source.begin(), carried.source.end())) {
      return abandon("the copy of " + file.fileName() + " holds " +
                     counted(carried.target.size(), "record") + " where " +
                     std::to_string(carried.source.size()) + " were read in order");
    }
    return true;
  }

  bool carry(RecordBatch& batch) {
    const apprt::FileDeclaration& file = *files_.all()[batch.file];
    CarriedFile& carried = carried_[batch.file];
    if (!carried.history.offered()) return goOn();
    for (apprt::HistoryEntry& entry : batch.entries) {
      entry.record = carried.mapped(entry.record);
      carried.history.write(entry);
      if (failed()) return abandon(fileFailure("carry the history into", file));
    }
    return goOn();
  }

  bool addRecords(const RecordBatch& batch) {
    const apprt::FileDeclaration& file = *files_.all()[batch.file];
    const std::size_t length = file.recordLength();
    for (std::uint64_t i = 0; i < batch.count; ++i) {
      std::memcpy(file.recordBytes().data(), batch.images.data() + i * length, length);
      const apprt::BulkAdd& bulk = *bulk_[batch.file];
      if (bulk.offered()) {
        const std::uint64_t place = outcome_.counts[batch.file].records + i + 1;
        bulk.send(place, place);
      } else {
        file.add();
      }
      if (failed()) return abandon(fileFailure("copy a record into", file));
    }
    outcome_.counts[batch.file].records += batch.count;
    copied_ += batch.count;
    return goOn();
  }

  // Stores what was sent at once, once every record is read: before the
  // history, whose entries name the records' identities.
  bool store() {
    for (std::size_t index = 0; index < files_.all().size(); ++index) {
      const apprt::FileDeclaration& file = *files_.all()[index];
      if (!bulk_[index]->offered()) continue;
      // Storing a large copy takes long: the driver asks meanwhile whether
      // to go on, and a stop cuts it short.
      const auto refused = bulk_[index]->finish([this] { return stillWanted(); });
      if (failed())
        return stopAsked_ ? stop() : abandon(fileFailure("copy the records into", file));
      // Only a source whose keys are damaged holds two records of one value.
      if (!refused.empty()) {
        return abandon("the copy of " + file.fileName() + " refused " +
                       counted(refused.size(), "record") +
                       " that repeat another record's unique key value");
      }
    }
    return true;
  }

  bool checkCounts() {
    for (std::size_t index = 0; index < files_.all().size(); ++index) {
      if (carried_[index].counted) continue;
      std::string failure;
      const auto stored = storedCount(*files_.all()[index], failure);
      if (!failure.empty()) return abandon(failure);
      if (!holdsAsRead(index, stored)) return false;
    }
    return true;
  }

  bool holdsAsRead(std::size_t index, std::uint64_t stored) {
    if (stored == outcome_.counts[index].records) return true;
    return abandon("the copy of " + outcome_.counts[index].file + " holds " +
                   counted(stored, "record") + " where " +
                   std::to_string(outcome_.counts[index].records) + " were read");
  }

  bool fail(std::string why) {
    if (outcome_.why.empty()) outcome_.why = std::move(why);
    return false;
  }

  const DataSetFiles files_;
  FileUse fesk1_{files_.fesk1(), apprt::kOpenSharedReadWrite, WhenMissing::kCreate};
  FileUse fesk2_{files_.fesk2(), apprt::kOpenSharedReadWrite, WhenMissing::kCreate};
  const CopyOptions& options_;
  CopyOutcome& outcome_;
  std::uint64_t copied_ = 0;
  bool stopAsked_ = false;
  // Per file, its records sent at once when its driver takes them so.
  std::vector<std::unique_ptr<apprt::BulkAdd>> bulk_;
  std::deque<CarriedFile> carried_;  // per file
};

// Whether the target is ready for its files to be replaced whole: false, with
// the reason in `outcome`, when it holds records that are not to be replaced
// or cannot be read.
bool targetReplaceable(const DataSetFiles& files, const CopyOptions& options,
                       CopyOutcome& outcome) {
  const FileUse fesk1(files.fesk1(), apprt::kOpenSharedReadOnly, WhenMissing::kLeaveMissing);
  const FileUse fesk2(files.fesk2(), apprt::kOpenSharedReadOnly, WhenMissing::kLeaveMissing);
  for (const FileUse* use : {&fesk1, &fesk2}) {
    if (!use->failure().empty()) outcome.why = use->failure();
  }
  for (const auto* file : files.all()) {
    if (!outcome.why.empty() || options.replace) break;
    if (!file->isOpen()) continue;
    std::string failure;
    const bool holds = holdsRecords(*file, false, failure);
    if (!failure.empty()) {
      outcome.why = failure;
    } else if (holds) {
      outcome.targetHoldsRecords = true;
      outcome.why = "the target already holds records (" + file->fileName() + ")";
    }
  }
  return outcome.why.empty();
}

// The copy of whole files, when the drivers can make it (nothing otherwise).
std::optional<CopyOutcome> copyWholeFiles(apprt::Driver& source, apprt::Driver& target,
                                          const CopyOptions& options) {
  CopyOutcome outcome;
  const DataSetFiles sourceFiles(source);
  const DataSetFiles targetFiles(target);
  {
    // Opened and closed again here: a source file that is damaged or needs
    // recovery is told as the record copy tells it.
    const FileUse fesk1(sourceFiles.fesk1(), apprt::kOpenSharedReadOnly,
                        WhenMissing::kLeaveMissing);
    const FileUse fesk2(sourceFiles.fesk2(), apprt::kOpenSharedReadOnly,
                        WhenMissing::kLeaveMissing);
    outcome.why = unreadable(sourceFiles, {&fesk1, &fesk2});
  }
  if (!outcome.why.empty() || !targetReplaceable(targetFiles, options, outcome)) return outcome;

  apprt::WholeFilesCopy copy;
  copy.waitSeconds = options.waitSeconds;
  copy.progress = [&](std::uint64_t copied) {
    outcome.stopped = options.progress && !options.progress(copied);
    return !outcome.stopped;
  };
  apprt::DriverStatus status;
  if (!source.copyWholeFiles(sourceFiles.all(), target, copy, status)) return std::nullopt;
  if (outcome.stopped) {
    outcome.why = "stopped";
  } else if (!status.ok()) {
    outcome.why = "cannot copy the files: " + apprt::errorText(status.code) + " (" +
                  std::to_string(status.code) + ")";
    if (!status.driverMessage.empty()) outcome.why += ": " + status.driverMessage;
  } else {
    for (std::size_t index = 0; index < sourceFiles.all().size(); ++index) {
      outcome.counts.push_back({sourceFiles.all()[index]->fileName(), copy.records[index]});
    }
    outcome.done = true;
  }
  return outcome;
}

}  // namespace

CopyOutcome copyDataSet(apprt::Driver& source, apprt::Driver& target, const CopyOptions& options) {
  if (options.targetAlone) {
    if (auto outcome = copyWholeFiles(source, target, options)) return *outcome;
  }
  CopyOutcome outcome;
  TargetWriter writer(target, options, outcome);
  if (!writer.prepare()) return outcome;

  RecordBatches batches;
  std::thread reader([&] { readSource(source, options.waitSeconds, batches); });
  RecordBatch batch;
  bool going = true;
  while (going && batches.take(batch)) going = writer.add(batch);
  if (!going) batches.giveUp();
  reader.join();

  if (going) {
    const std::string failure = batches.failure();
    if (failure.empty()) {
      writer.finish();
    } else {
      writer.abandon(failure);
    }
  }
  if (!outcome.done) outcome.counts.clear();
  return outcome;
}

}  // namespace fesk::records
