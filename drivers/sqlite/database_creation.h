#pragma once
// Creating a data file. Where no database stands at the file's name (missing,
// empty, or something that is no database) the new one is built complete
// under a temporary name and renamed into place: a kill or a full disk at any
// step leaves either no file, which the next start creates, or a complete one,
// never a file that blocks every later start. A database that already stands
// there is emptied in place, in one transaction: other users may have it open
// and must go on seeing the same file.

#include <filesystem>

#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

apprt::DriverStatus createDatabase(const std::filesystem::path& path,
                                   const apprt::FileDeclaration& file);

}  // namespace fesk::sqlite
