// Opening, creating, mending and closing a file in the calling thread.
#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"

namespace apprt {

void FileDeclaration::open(int mode) const {
  FileInstance& instance = instanceOf(*this);
  if (instance.driverFile) {
    setError(kAlreadyOpen);
    return;
  }
  Driver* driver = driverOf(*this);
  if (!driver) return;
  std::unique_ptr<DriverFile> opened;
  if (!report(driver->open(*this, mode, opened))) return;
  instance.driverFile = std::move(opened);
  instance.openedBy = driver;
  instance.mode = mode;
  instance.cursor.setOrder(ReadOrder{});
  instance.current.reset();
  instance.watchArmed = false;
  instance.watched.reset();
}

void FileDeclaration::create() const {
  if (instanceOf(*this).driverFile) {
    setError(kAlreadyOpen);
    return;
  }
  if (Driver* driver = driverOf(*this)) report(driver->create(*this));
}

void FileDeclaration::buildKeys() const {
  if (instanceOf(*this).driverFile) {
    setError(kAlreadyOpen);
    return;
  }
  if (Driver* driver = driverOf(*this)) report(driver->buildKeys(*this));
}

void FileDeclaration::close() const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return;
  instance->driverFile.reset();
  instance->openedBy = nullptr;
  instance->current.reset();
  instance->watched.reset();
  clearError();
}

std::string FileDeclaration::send(std::string_view option) const {
  Driver* driver = driverOf(*this);
  if (!driver) return {};
  std::string answer;
  report(driver->send(*this, option, answer));
  return answer;
}

bool FileDeclaration::isOpen() const {
  return instanceOf(*this).driverFile != nullptr;
}

}  // namespace apprt
