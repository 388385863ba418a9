#pragma once
// A file's record layout: its name, its fixed-length fields in order and its
// keys, and every thread's buffer of one record of it. The layout is checked
// when it is declared (every field holds something, every key names fields of
// the file and fits a position), so that the code that reads and writes
// records can take it as sound.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/file_record.h"

namespace apprt {

struct FieldDeclaration {
  std::string name;        // "FES:CODE"
  std::size_t characters;  // what it holds; it takes fieldBytes(characters) of the record
};

// A declared name without its file's prefix (CODE for FES:CODE): a field's
// column, by which queries, filters and CSV headers name it.
std::string_view unprefixedName(std::string_view declaredName);

struct KeyDeclaration {
  std::string name;             // "FES:KEYCODE"
  int attributes;               // bit 1: duplicates allowed; the others are kept as declared
  std::vector<int> components;  // field numbers, 1 for the first field
  std::string displayName;      // the name shown to the user, "FES:Keycode"
  // The same fields as indexes into the file's fields (0 for the first),
  // filled in when the file is declared.
  std::vector<int> fields = {};

  bool allowsDuplicates() const { return (attributes & 1) != 0; }
};

class RecordLayout {
 public:
  // Throws std::logic_error for a layout that cannot be used.
  RecordLayout(std::string name, std::vector<FieldDeclaration> fields,
               std::vector<KeyDeclaration> keys);

  // The file's name. Reading it leaves the error state alone, so a warning
  // can name the file without losing the error it describes.
  const std::string& fileName() const { return name_; }
  const std::vector<FieldDeclaration>& fields() const { return fields_; }
  const std::vector<KeyDeclaration>& keys() const { return keys_; }
  const KeyDeclaration& key(int index) const { return keys_.at(index); }
  int keyIndex(const KeyDeclaration& key) const;              // throws for a key of another file
  std::size_t recordLength() const { return recordLength_; }  // in bytes
  std::uint64_t serial() const { return serial_; }  // tells layouts apart in per-thread tables

  // One field (0-based) of a record image of this layout: a thread's buffer,
  // a driver's copy or a stored one.
  FieldRef fieldIn(std::span<char> record, int fieldIndex) const;
  std::string_view fieldBytesIn(std::span<const char> record, int fieldIndex) const;

  // The calling thread's record buffer as bytes, and one field of it (0-based).
  std::span<char> recordBytes() const;
  FieldRef field(int fieldIndex) const { return fieldIn(recordBytes(), fieldIndex); }
  // Every field to the fill; the buffer then holds no current record.
  void clear(Fill fill = Fill::kSpaces) const;

 private:
  std::string name_;
  std::vector<FieldDeclaration> fields_;
  std::vector<KeyDeclaration> keys_;
  std::vector<std::size_t> offsets_;
  std::size_t recordLength_ = 0;
  std::uint64_t serial_;
};

}  // namespace apprt
