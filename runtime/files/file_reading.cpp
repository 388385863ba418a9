// Positioning and reading a file in the calling thread.
#include <cstring>

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_position.h"

namespace apprt {
namespace {

void readSequentially(const FileDeclaration& file, Direction direction) {
  if (FileInstance* instance = openInstance(file)) {
    readWithCursor(file, *instance, instance->cursor, direction);
  }
}

// Reads the record a position names into the buffer. With values in the
// position the stored record must still have them (a record whose key was
// changed no longer matches). A failed re-read leaves no current record, so
// that a write that follows cannot hit a record the caller did not see.
void readAtPosition(const FileDeclaration& file, std::string_view text) {
  FileInstance* instance = openInstance(file);
  if (!instance) return;
  const auto position = decodePosition(file, text);
  std::vector<char> stored(file.recordLength());
  DriverStatus status;
  if (!position) {
    status.code = kRecordNotFound;
  } else {
    status = instance->driverFile->fetch(position->identity, stored);
    if (status.ok() && orderValues(file, position->fields, stored) != position->values) {
      status.code = kRecordNotFound;
    }
  }
  if (!report(file, status)) {
    instance->current.reset();
    return;
  }
  std::memcpy(instance->record.get(), stored.data(), stored.size());
  recordWasRead(*instance, file.recordLength(), position->identity);
}

}  // namespace

void FileDeclaration::setOnKey(const KeyDeclaration& key) const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return;
  instance->cursor.setOrder(keyOrder(*this, keyIndex(key)));
  clearError();
}

void FileDeclaration::setOnKeyValue(const KeyDeclaration& key) const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return;
  ReadOrder order = keyOrder(*this, keyIndex(key));
  auto values = orderValues(*this, order.fields, recordBytes());
  instance->cursor.setOrder(std::move(order));
  instance->cursor.toValues(std::move(values));
  clearError();
}

void FileDeclaration::resetToPosition(const KeyDeclaration& key, std::string_view text) const {
  if (FileInstance* instance = openInstance(*this)) {
    resetCursor(*this, *instance, instance->cursor, keyOrder(*this, keyIndex(key)), text);
  }
}

void FileDeclaration::resetToPosition(std::string_view text) const {
  if (FileInstance* instance = openInstance(*this)) {
    resetCursor(*this, *instance, instance->cursor, ReadOrder{}, text);
  }
}

bool FileDeclaration::pastEnd() const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return true;
  DriverStatus status;
  const bool past = instance->cursor.pastEnd(*instance->driverFile, *this, status);
  report(*this, status);
  return past;
}

void FileDeclaration::next() const {
  readSequentially(*this, Direction::kForward);
}

void FileDeclaration::previous() const {
  readSequentially(*this, Direction::kBackward);
}

void FileDeclaration::getByPosition(std::string_view position) const {
  if (position.empty() || position == "0") {
    FileInstance* instance = openInstance(*this);
    if (!instance) return;
    instance->current.reset();
    clearError();
    return;
  }
  readAtPosition(*this, position);
}

void FileDeclaration::reget(std::string_view position) const {
  readAtPosition(*this, position);
}

std::string FileDeclaration::positionByKey(const KeyDeclaration& key) const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return {};
  if (!instance->current) {
    setError(kRecordNotFound);
    return {};
  }
  Position position;
  position.fields = keyOrder(*this, keyIndex(key)).fields;
  position.identity = *instance->current;
  position.values = orderValues(*this, position.fields, recordBytes());
  clearError();
  return encodePosition(position);
}

std::string FileDeclaration::positionByFile() const {
  FileInstance* instance = openInstance(*this);
  if (!instance) return {};
  if (!instance->current) {
    setError(kRecordNotFound);
    return {};
  }
  clearError();
  return encodePosition(Position{.fields = {}, .identity = *instance->current, .values = {}});
}

}  // namespace apprt
