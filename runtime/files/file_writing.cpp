// Writing a file in the calling thread: add, put and remove of the current
// record, duplicate checks and change detection.
#include <algorithm>
#include <limits>
#include <vector>

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_transaction.h"

namespace apprt {
namespace {

// The open instance when the thread may write the file, else null with the error set.
FileInstance* writableInstance(const FileDeclaration& file) {
  FileInstance* instance = openInstance(file);
  if (instance && opensForReadingOnly(instance->mode)) {
    setError(kAccessDenied);
    return nullptr;
  }
  return instance;
}

// The current record, or null with 35 set: a write without one writes nothing.
FileInstance* withCurrentRecord(FileInstance* instance) {
  if (instance && !instance->current) {
    setError(kRecordNotFound);
    return nullptr;
  }
  return instance;
}

bool hasDuplicate(const FileDeclaration& file, FileInstance& instance, int key) {
  if (file.key(key).allowsDuplicates()) return false;
  bool found = false;
  const RecordIdentity except =
      instance.current.value_or(std::numeric_limits<RecordIdentity>::min());
  return report(file, instance.driverFile->hasDuplicate(key, file.recordBytes(), except, found)) &&
         found;
}

}  // namespace

void FileDeclaration::add() const {
  FileInstance* instance = writableInstance(*this);
  if (!instance) return;
  RecordIdentity identity = 0;
  if (report(*this, instance->driverFile->add(recordBytes(), identity)))
    instance->current = identity;
}

void FileDeclaration::put() const {
  FileInstance* instance = withCurrentRecord(writableInstance(*this));
  if (!instance) return;
  const bool watched = instance->watched && instance->watched->identity == *instance->current;
  if (!report(*this, instance->driverFile->put(*instance->current, recordBytes(),
                                               watched ? &instance->watched->image : nullptr))) {
    return;
  }
  if (!watched) return;
  // A later put of the same record checks against what this one stored, or,
  // when its transaction is not saved after all, against what was stored before.
  std::string before = std::move(instance->watched->image);
  instance->watched->image.assign(recordBytes().data(), recordLength());
  undoUnlessCommitted([instance, identity = *instance->current, before = std::move(before)] {
    if (instance->watched && instance->watched->identity == identity) {
      instance->watched->image = before;
    }
  });
}

void FileDeclaration::remove() const {
  FileInstance* instance = withCurrentRecord(writableInstance(*this));
  if (!instance) return;
  if (!report(*this, instance->driverFile->remove(*instance->current))) return;
  if (instance->watched && instance->watched->identity == *instance->current) {
    instance->watched.reset();
  }
  instance->current.reset();
}

bool FileDeclaration::duplicateOnKey(const KeyDeclaration& key) const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return false;
  clearError();
  return hasDuplicate(*this, *instance, keyIndex(key));
}

bool FileDeclaration::duplicateAnyUnique() const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return false;
  clearError();
  for (std::size_t key = 0; key < keys().size(); ++key) {
    if (hasDuplicate(*this, *instance, static_cast<int>(key))) return true;
    if (ERRCODE() != kNoError) return false;
  }
  return false;
}

void FileDeclaration::watch() const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return;
  instance->watchArmed = true;
  clearError();
}

FileDeclaration::Watched FileDeclaration::watchedRecordNow() const {
  FileInstance* instance = openInstance(*this);
  // Only the current record's watch is checked by a put.
  if (!instance || !instance->watched || instance->current != instance->watched->identity) {
    return Watched::kNone;
  }
  std::vector<char> stored(recordLength());
  const DriverStatus status = instance->driverFile->fetch(instance->watched->identity, stored);
  if (status.code == kRecordNotFound) {
    clearError();
    return Watched::kDeleted;
  }
  if (!report(*this, status)) return Watched::kNone;
  const bool same = std::equal(stored.begin(), stored.end(), instance->watched->image.begin(),
                               instance->watched->image.end());
  return same ? Watched::kUnchanged : Watched::kChanged;
}

}  // namespace apprt
