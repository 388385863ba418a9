#pragma once
// Keyed data files as the program declares and uses them.
//
// A FileDeclaration names a file, its record layout (fixed-length string
// fields) and its keys. It is declared once for the process; every thread that
// uses it gets its own instance: open state, record buffer, sequential
// position, current record and change detection. The operations below act on
// the calling thread's instance and set the thread's error state (errors.h):
// 0 on success, else the code of the failure.
//
// Declaring a file with a typed record buffer:
//
//   struct Fesk1Record { FixedString<20> CODE; FixedString<20> NAME; };
//   File<Fesk1Record> FESK1("FESK1", {{"FES:CODE", 20}, {"FES:NAME", 20}},
//                           {{"FES:KEYCODE", 6, {1}, "FES:Keycode"},
//                            {"FES:KEYNAME", 5, {2}, "FES:Keyname"}});
//   const KeyDeclaration& FES_KEYCODE = FESK1.key(0);
//
//   FESK1.buffer().CODE = "A";
//   FESK1.setOnKeyValue(FES_KEYCODE);
//   FESK1.next();
//   if (ERRCODE() == 0) use(FESK1.buffer().NAME.text());
//
// Reading: after setting on a key value the next forward read returns the
// first record at or after the value, a backward read the last one before it.
// After a reset to a position the first read in either direction returns the
// record at that position (or, when it is gone, its neighbour on that side).
// After a read, a read in the other direction returns the neighbour of the
// record last read. Writes do not move the sequential position. Equal key
// values order by record identity; keys ignore ASCII letter case.
//
// Positions are opaque strings of at most 512 bytes, compared for equality. A
// position by key carries the key value and the record's identity; a position
// by file only the identity. A re-get accepts either.

#include <cstddef>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/driver.h"
#include "runtime/files/file_record.h"
#include "runtime/files/record_layout.h"

namespace apprt {

// Open modes: the low nibble is the access, the high nibble the sharing.
inline constexpr int kOpenReadOnly = 0x00;
inline constexpr int kOpenSharedReadOnly = 0x40;   // 64
inline constexpr int kOpenSharedReadWrite = 0x42;  // 66
inline constexpr int kOpenViewMode = 0x22;         // 34

// Whether a file opened in `mode` may only be read.
inline constexpr bool opensForReadingOnly(int mode) {
  return (mode & 0x0F) == kOpenReadOnly;
}

class FileDeclaration : public RecordLayout {
 public:
  using RecordLayout::RecordLayout;
  FileDeclaration(const FileDeclaration&) = delete;
  FileDeclaration& operator=(const FileDeclaration&) = delete;
  virtual ~FileDeclaration() = default;

  // The driver that stores this file (bound once at start-up); null when
  // unbound.
  Driver* driver() const { return driver_; }
  void bindDriver(Driver& driver) { driver_ = &driver; }

  // Opening and the file as a whole.
  void open(int mode) const;  // 52 when this thread has it open already
  void create() const;
  void buildKeys() const;
  void close() const;
  std::string send(std::string_view option) const;  // the driver's answer
  bool isOpen() const;

  // Positioning.
  void setOnKey(const KeyDeclaration& key) const;       // start (or end) of the key
  void setOnKeyValue(const KeyDeclaration& key) const;  // the key fields of the buffer
  void resetToPosition(const KeyDeclaration& key, std::string_view position) const;
  void resetToPosition(std::string_view position) const;  // in file (identity) order
  bool pastEnd() const;  // no record lies ahead of the sequential position

  // Reading into the buffer.
  void next() const;
  void previous() const;
  void getByPosition(std::string_view position) const;  // empty or "0" clears the current record
  void reget(std::string_view position) const;
  std::string positionByKey(const KeyDeclaration& key) const;  // of the current record
  std::string positionByFile() const;

  // Writing: put and remove act on the current record (last read, re-read or
  // added, and not cleared since).
  void add() const;
  void put() const;
  void remove() const;
  bool duplicateOnKey(const KeyDeclaration& key) const;  // another record has the buffer's value
  bool duplicateAnyUnique() const;
  void watch() const;  // the next read remembers the record; a put of it then fails with 89
                       // when the stored record was changed meanwhile
  // What became of the watched current record since it was read, as a put of
  // it would find; kNone when the current record is not watched. The buffer
  // and the current record are left as they are.
  enum class Watched { kNone, kUnchanged, kChanged, kDeleted };
  Watched watchedRecordNow() const;

 private:
  Driver* driver_ = nullptr;
};

// A declaration whose record buffer is the struct Record (FixedString members
// matching the declared fields in order and length).
template <class Record>
class File : public FileDeclaration {
 public:
  File(std::string name, std::vector<FieldDeclaration> fields, std::vector<KeyDeclaration> keys)
      : FileDeclaration(std::move(name), std::move(fields), std::move(keys)) {
    static_assert(alignof(Record) == 1, "a record holds FixedString fields only");
    if (sizeof(Record) != recordLength()) throw std::logic_error("record struct != layout");
  }
  // The calling thread's record buffer.
  Record& buffer() const { return *std::launder(reinterpret_cast<Record*>(recordBytes().data())); }
};

}  // namespace apprt
