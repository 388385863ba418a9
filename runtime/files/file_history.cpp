#include "runtime/files/file_history.h"

#include <mutex>
#include <set>

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"

namespace apprt {
namespace {

struct Kept {
  std::mutex mutex;
  std::set<const FileDeclaration*> files;
};

Kept& kept() {
  static Kept files;
  return files;
}

}  // namespace

HistoryKeepingFile* historyKeepingFileOf(const FileDeclaration& file) {
  FileInstance* instance = openInstance(file);
  if (!instance || !keepsHistory(file)) return nullptr;
  return dynamic_cast<HistoryKeepingFile*>(instance->driverFile.get());
}

void keepHistory(const FileDeclaration& file) {
  std::lock_guard lock(kept().mutex);
  kept().files.insert(&file);
}

void keepNoHistory(const FileDeclaration& file) {
  std::lock_guard lock(kept().mutex);
  kept().files.erase(&file);
}

bool keepsHistory(const FileDeclaration& file) {
  std::lock_guard lock(kept().mutex);
  return kept().files.contains(&file);
}

bool readHistory(const FileDeclaration& file, const HistoryRead& read,
                 const std::function<bool(const HistoryEntry&)>& each) {
  HistoryKeepingFile* history = historyKeepingFileOf(file);
  if (history) report(file, history->readHistory(read, each));
  return history != nullptr;
}

bool pruneHistory(const FileDeclaration& file, const std::string& before, std::uint64_t& removed) {
  removed = 0;
  HistoryKeepingFile* history = historyKeepingFileOf(file);
  if (history) report(file, history->pruneHistory(before, removed));
  return history != nullptr;
}

}  // namespace apprt
