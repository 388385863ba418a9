#pragma once
// What a failed file operation of the calling thread tells a user: the file,
// what was being done, the runtime's text and code, and the driver's own words
// when it has them.

#include <string>
#include <string_view>

#include "runtime/files/file_declaration.h"

namespace fesk::records {

// "cannot read FESK1: Record Not Found (35)", from the thread's error state.
std::string fileFailure(std::string_view doing, const apprt::FileDeclaration& file);

}  // namespace fesk::records
