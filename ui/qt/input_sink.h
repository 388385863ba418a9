#pragma once
// Where the widgets' input goes: the runtime (apprt::deliverInput) in the
// program, a recorder in tests.

#include <functional>

#include "runtime/frontend/frontend.h"

namespace fesk::qt {

using InputSink = std::function<void(const apprt::Input&)>;

}  // namespace fesk::qt
