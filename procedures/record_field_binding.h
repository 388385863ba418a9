#pragma once
// Binds a form's entry to a field of a record buffer. Record buffers belong to
// the procedure's thread, so the field is looked up afresh on every display
// and update rather than captured once.

#include <string>
#include <utility>

#include "runtime/files/file_record.h"
#include "runtime/windows/binding.h"

namespace fesk {

// `field` answers the field of the calling thread's record buffer, for
// instance []() -> auto& { return FESK1.buffer().CODE; }.
template <typename FieldOfBuffer>
apprt::Binding bindRecordField(FieldOfBuffer field) {
  return {[field] { return field().text(); },
          [field](const std::string& value) { field() = value; }};
}

}  // namespace fesk
