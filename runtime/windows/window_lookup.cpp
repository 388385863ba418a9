// Other threads' windows, as a procedure looks them up: the one of a
// definition that the user worked in last, and what its controls show.
#include <algorithm>
#include <utility>

#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {

int frontWindow(const std::string& module, const std::string& label) {
  return frontWindowOf({{module, label}});
}

int frontWindowOf(const std::vector<std::pair<std::string, std::string>>& definitions) {
  const std::vector<int>& order = windowsByActivation();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    const Window* w = findWindow(*it);
    if (w && w->opened &&
        std::ranges::find(definitions, std::pair{w->def.module, w->def.label}) !=
            definitions.end()) {
      return w->handle;
    }
  }
  return 0;
}

int CHOICE(int field, int windowHandle) {
  Window* w = findWindow(windowHandle);
  const Control* c = w ? w->control(field) : nullptr;
  return c ? choiceOf(*c) : 0;
}

}  // namespace apprt
