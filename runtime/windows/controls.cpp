// What procedures do with the controls of the current window: their values,
// whether they are enabled and shown, choices, focus and alerted keys.

#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {

void DISPLAY(int field) {
  Window& w = currentWindow();
  for (auto& c : w.controls) {
    if (field != 0 && c.def.field != field) continue;
    if (c.def.kind == ControlKind::Entry && c.binding) c.text = c.binding.read();
  }
}

void UPDATE(int field) {
  Window& w = currentWindow();
  for (auto& c : w.controls) {
    if (field != 0 && c.def.field != field) continue;
    if (c.def.kind == ControlKind::Entry && c.binding) c.binding.write(c.text);
  }
}

void ENABLE(int field) {
  controlOf(field).enabled = true;
}
void DISABLE(int field) {
  controlOf(field).enabled = false;
}
void HIDE(int field) {
  setHidden(controlOf(field), true);
}
void UNHIDE(int field) {
  setHidden(controlOf(field), false);
}

int choiceOf(const Control& c) {
  return c.def.kind == ControlKind::Sheet ? c.choice : c.selected;
}

int CHOICE(int field) {
  return choiceOf(controlOf(field));
}

int FIRSTFIELD() {
  Window& w = currentWindow();
  for (auto& c : w.controls)
    if (c.def.field > 0) return c.def.field;
  return 0;
}

int SELECTED() {
  return currentWindow().focus;
}

void alert(int key) {
  Window& w = currentWindow();
  if (key == 0)
    w.alerts.clear();
  else
    w.alerts.insert(key);
}

}  // namespace apprt
