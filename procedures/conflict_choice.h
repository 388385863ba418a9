#pragma once
// The choice a save offers when another station changed or deleted the
// record meanwhile. The user sees, field by field, what is stored now and
// what they typed, and decides which goes on: nothing typed is let go
// without that choice. Shown by the forms of FESK1 and FESK2 and by the
// in-line row of the browse, right after the write routine's own warning.

#include <array>
#include <functional>
#include <string>

#include "runtime/files/file_declaration.h"

namespace fesk {

// The record that a form or a row edits, as the choice needs it.
struct EditedRecord {
  const apprt::FileDeclaration& file;  // its buffer holds the record
  std::string valuePrompt;             // the prompt of the field after the code
  // The code and that field of the buffer, as shown.
  std::function<std::array<std::string, 2>()> shownValues;
  // Adds the buffer as a new record; refused, the user was told why. True when added.
  std::function<bool()> addAgain;
};

// What the user chose, and what the buffer holds since.
enum class AfterConflict {
  kSaveAgain,    // keep mine: the typed values, to be written over the stored version
  kShowStored,   // take theirs: the stored version
  kEditTyped,    // back to editing the typed values; a save writes them over the stored version
  kAdded,        // the record was gone; the typed values were added again as a new record
  kEditToAdd,    // the record is gone; the typed values stay, and a save is to add them
  kLeftDeleted,  // the record is gone and the user let the typed values go
};

// The buffer's bytes, to keep what was typed across a write.
std::string RecordImage(const apprt::FileDeclaration& file);

// Right after a write answered kWriteChangedElsewhere, with `typed` the image
// the write was given: asks the user and answers the choice.
AfterConflict ResolveConflict(const EditedRecord& record, const std::string& typed);

// FESK1's and FESK2's records as the forms and the in-line row edit them. A
// record that another station deleted is added again as an insert adds it.
EditedRecord EditedFesk1();
EditedRecord EditedFesk2();

}  // namespace fesk
