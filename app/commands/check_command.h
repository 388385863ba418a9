#pragma once
// fesk check: tells whether the data set holds FESK2 records without their
// FESK1 record, and which; it changes nothing.

#include "app/commands/commands.h"

namespace fesk {

extern const Command kCheckCommand;

}  // namespace fesk
