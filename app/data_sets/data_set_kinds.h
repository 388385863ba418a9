#pragma once
// Every kind of data set the program can use, in one list: a driver's kind
// (runtime/files/data_set_kind.h) listed here is offered by the data set options
// and by data set names on command lines.

#include <span>

#include "runtime/files/data_set_kind.h"

namespace fesk {

// The kinds, the default one (used when no data set is named) first.
std::span<const apprt::DataSetKind* const> dataSetKinds();

}  // namespace fesk
