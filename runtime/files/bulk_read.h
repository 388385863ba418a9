#pragma once
// Reading every record of a file at once, for a driver that sends them as one
// stream (a database server's bulk unload) instead of a page a request, so
// that the requests do not grow with the number of records. The records come
// one at a time into the file's record buffer, in the order asked for, from
// one moment of the file (or of the transaction the thread is in).
//
// A driver that cannot read records so offers nothing (readInBulk answers
// false) and the caller reads with next(). The driver's side is
// DriverFile::readAll (driver.h).

#include <functional>

namespace apprt {

class FileDeclaration;
struct KeyDeclaration;

// Reads every record of the open `file` in the order of `key` (null: the
// order they were added) into its record buffer, and calls `each` after every
// one; `each` answering false stops the read. Sets the thread's error state
// (errors.h). False, reading nothing, when the driver offers no such read.
bool readInBulk(const FileDeclaration& file, const KeyDeclaration* key,
                const std::function<bool()>& each);

}  // namespace apprt
