#pragma once
// Damage met in an open file: a read or a write whose driver answered that the
// file (47) or its keys (46) are damaged. The program registers a listener that
// reports it at once, so that whoever made the call (a browse filling a page,
// say) never takes damage for the end of the file. The listener runs in the
// thread that met the damage, after its error state was set.

#include <functional>

namespace apprt {

class FileDeclaration;

// One listener for the program; a later registration replaces it.
void onFileDamaged(std::function<void(const FileDeclaration&)> listener);

// Called by the file layer.
void fileDamaged(const FileDeclaration& file);

}  // namespace apprt
