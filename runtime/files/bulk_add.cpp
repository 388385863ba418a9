#include "runtime/files/bulk_add.h"

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"

namespace apprt {

BulkAdd::BulkAdd(const FileDeclaration& file, std::optional<ParentRule> parent, OnRefusal onRefusal)
    : file_(file) {
  FileInstance* instance = openInstance(file);
  if (instance && !opensForReadingOnly(instance->mode)) {
    driverAdd_ = instance->driverFile->addInBulk(parent);
  }
  if (driverAdd_ && onRefusal == OnRefusal::kRollBack) driverAdd_->endedByARefusal();
}

BulkAdd::~BulkAdd() = default;

void BulkAdd::send(std::uint64_t place, std::uint64_t lastPlace) const {
  report(file_, driverAdd_->send(file_.recordBytes(), place, lastPlace));
}

std::vector<BulkRefusal> BulkAdd::finish(const std::function<bool()>& goOn) const {
  std::vector<BulkRefusal> refused;
  report(file_, driverAdd_->finish(refused, goOn));
  return refused;
}

}  // namespace apprt
