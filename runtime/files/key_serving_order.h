#pragma once

#include "runtime/files/driver.h"
#include "runtime/files/file_declaration.h"

namespace apprt {

// The declared key whose fields are exactly the order's, or -1: every driver
// reads such an order through that key's index.
int keyServingOrder(const FileDeclaration& file, const ReadOrder& order);

}  // namespace apprt
