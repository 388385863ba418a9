#pragma once
// `fesk copy --from SOURCE --to TARGET [--schema NAME] [--replace]`: copies
// the data files FESK1 and FESK2 of one data set into another, between a data
// directory and a server (a libpq connection string or postgresql:// URI), in
// one transaction on the target, with the counts checked before it commits.
// A target that already holds records is left alone unless --replace is given.

#include <string_view>

#include "app/argument_reader.h"

namespace fesk {

extern const std::string_view kCopyUsage;

// Answers the exit status: 0 copied, 1 the copy failed (nothing changed), or
// kUsageError.
int runCopy(ArgumentReader& arguments);

}  // namespace fesk
