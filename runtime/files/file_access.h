#pragma once
// Steps shared by the file operations: reporting a driver's answer as the
// thread's error state and finding the thread's open instance of a file.

#include <string_view>

#include "runtime/files/driver.h"
#include "runtime/files/file_instance.h"

namespace apprt {

// Sets the thread's error state from the driver's answer; true on success.
bool report(const DriverStatus& status);
// The same for an operation on the open `file`; damage the driver answers
// (46, 47) is also announced (file_damage.h).
bool report(const FileDeclaration& file, const DriverStatus& status);

// The calling thread's instance when the file is open; otherwise sets 37 and
// answers null.
FileInstance* openInstance(const FileDeclaration& file);

// The driver of the file, or sets 90 and answers null when none is bound.
Driver* driverOf(const FileDeclaration& file);

// After a record was read into the buffer: it becomes the current record, and
// an armed watch remembers it.
void recordWasRead(FileInstance& instance, std::size_t recordLength, RecordIdentity identity);

// Reads the neighbour in `direction` of `cursor` into the file's buffer.
void readWithCursor(const FileDeclaration& file, FileInstance& instance, ReadCursor& cursor,
                    Direction direction);

// Puts `cursor` in `order` on the record that a position names (a position in
// another order is translated through the stored record). False, with the
// error set, when the position names no record.
bool resetCursor(const FileDeclaration& file, FileInstance& instance, ReadCursor& cursor,
                 ReadOrder order, std::string_view position);

// The order of a declared key.
ReadOrder keyOrder(const FileDeclaration& file, int keyIndex);

}  // namespace apprt
