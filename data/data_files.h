#pragma once
// The data files FESK1 (codes with a name each) and FESK2 (numbers filed under
// a code of FESK1), declared once for the process. Every thread works on its
// own instance of each: open state, sequential position and record buffer
// (FESK1.buffer(), FESK2.buffer()), all fields spaces until first written.
//
// FESK1 is the parent and FESK2 the child, one to many, joined by
// FS2:CODE = FES:CODE; the write routines (record_writes.h) keep the relation.
// All three keys compare without regard to ASCII letter case.

#include <string_view>

#include "runtime/files/driver.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_record.h"

namespace fesk {

struct Fesk1Record {
  apprt::FixedString<20> CODE;  // FES:CODE, unique in the file
  apprt::FixedString<20> NAME;  // FES:NAME
};

struct Fesk2Record {
  apprt::FixedString<20> CODE;    // FS2:CODE, the code of the FESK1 record it belongs to
  apprt::FixedString<20> NUMBER;  // FS2:NUMBER, a text of 20 characters
};

extern apprt::File<Fesk1Record> FESK1;
extern apprt::File<Fesk2Record> FESK2;

// Keys, by their labels.
extern const apprt::KeyDeclaration& FES_KEYCODE;  // "FES:KEYCODE": FES:CODE, unique
extern const apprt::KeyDeclaration& FES_KEYNAME;  // "FES:KEYNAME": FES:NAME, duplicates
extern const apprt::KeyDeclaration& FS2_KEYCODE;  // "FS2:KEYCODE": FS2:CODE, duplicates

// The file labels that warnings name.
inline constexpr std::string_view kFesk1Label = "fesk1";
inline constexpr std::string_view kFesk2Label = "fesk2";

// Whether two codes are the same as the keys see them (without regard to
// ASCII letter case): an FESK2 record whose FS2:CODE is the same as FES:CODE
// belongs to that FESK1 record.
bool sameCode(std::string_view a, std::string_view b);

// Binds both declarations to `driver` the first time it is called in the
// process (at start-up, before the first procedure runs); later calls change
// nothing. Answers whether this call bound them.
bool bindDataFiles(apprt::Driver& driver);

}  // namespace fesk
