// What the front-end is told: a snapshot of each open window of the calling
// thread, sent when it differs from the one sent before.

#include "runtime/threads/procedure_thread.h"
#include "runtime/threads/program.h"
#include "runtime/windows/queue.h"
#include "runtime/windows/window_model.h"

namespace apprt {

WindowView viewOf(Window& w) {
  WindowView v;
  v.handle = w.handle;
  v.thread = w.thread;
  v.module = w.def.module;
  v.label = w.def.label;
  v.kind = w.def.kind;
  v.title = w.title;
  v.help = w.def.help;
  v.fontName = w.def.fontName;
  v.fontSize = w.def.fontSize;
  v.width = w.def.width;
  v.height = w.def.height;
  v.focus = w.focus;
  v.acceptsInput = takesInput(w);
  v.busy = w.busy;
  v.findLine = w.findLine;
  for (auto& c : w.controls) {
    ControlView cv;
    cv.field = c.def.field;
    cv.handle = c.handle;
    cv.kind = c.def.kind;
    cv.type = c.type;
    cv.parent = c.def.parent;
    cv.inToolbar = c.def.inToolbar;
    cv.rect = placedRect(w, c);
    cv.text = c.text;
    cv.picture = c.def.picture;
    cv.format = c.def.format;
    cv.message = c.def.message;
    cv.hint = c.def.hint;
    cv.standardAction = c.def.standardAction;
    cv.enabled = c.enabled;
    cv.hidden = c.hidden;
    cv.required = c.def.required;
    cv.choice = c.choice;
    cv.thumb = c.thumb;
    cv.droppedDown = c.droppedDown;
    if (c.def.kind == ControlKind::List || c.def.kind == ControlKind::DropList ||
        c.def.kind == ControlKind::DropCombo) {
      cv.visibleRows = visibleRowsFor(cv.rect.height);
      cv.selected = c.selected;
      auto vs = c.props.find(kPropVScroll);
      cv.scrollBar = vs != c.props.end() && vs->second != "0" && !vs->second.empty();
      if (c.queue)
        for (size_t row = 1; row <= c.queue->records(); ++row)
          cv.rows.push_back(c.queue->texts(row));
    }
    v.controls.push_back(std::move(cv));
  }
  // Edit controls laid over a list column's cell in the selected row.
  for (auto& c : w.controls) {
    if (c.columnProps.empty()) continue;
    for (auto& [key, value] : c.columnProps) {
      if (key.second != kPropColumnEditField || value.empty() || value == "0") continue;
      for (auto& cv : v.controls)
        if (std::to_string(cv.field) == value) {
          cv.overList = c.def.field;
          cv.overColumn = key.first;
        }
    }
  }
  return v;
}

void flushThreadWindows() {
  ProcedureThread* t = currentThread();
  if (!t) return;
  for (Window* w : openWindowsOf(t->number)) {
    WindowView v = viewOf(*w);
    if (w->lastSent && *w->lastSent == v) continue;
    frontEnd().windowChanged(v);
    w->lastSent = std::move(v);
  }
}

}  // namespace apprt
