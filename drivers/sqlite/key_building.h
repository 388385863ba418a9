#pragma once
// Building the keys of a file that is not open in this thread: every index of
// the file's table is made anew from the table. Damage that building the keys
// can mend (the tables still read whole) is mended too: the damaged indexes
// are taken out of the schema without reading them, since dropping them would
// walk their damaged pages, and the file is rewritten from its tables
// (VACUUM), which leaves every damaged page behind. Damage in a table cannot
// be mended here (47).

#include <filesystem>

#include "runtime/files/driver.h"

namespace apprt {
class FileDeclaration;
}

namespace fesk::sqlite {

apprt::DriverStatus buildKeysOf(const std::filesystem::path& path,
                                const apprt::FileDeclaration& file);

}  // namespace fesk::sqlite
