// Numbered properties of the current window and its controls, and of a
// list's columns. Those with a behaviour act on the control's state; any
// other is kept as text and answered as set.

#include <algorithm>
#include <stdexcept>
#include <string>

#include "runtime/windows/window_model.h"
#include "runtime/windows/windows.h"

namespace apprt {

// The visible rows of a list: a row is 7 dialog units high below a header and
// borders of 13 units in all.
int visibleRowsFor(int heightDu) {
  return std::max(1, (heightDu - 13) / 7);
}

long getProp(int field, int prop) {
  std::string text = getPropText(field, prop);
  try {
    return text.empty() ? 0 : std::stol(text);
  } catch (const std::logic_error&) {
    return 0;
  }
}

std::string getPropText(int field, int prop) {
  Window& w = currentWindow();
  if (field == 0) {
    if (prop == kPropHandle) return std::to_string(w.handle);
    if (prop == kPropText) return w.title;
    auto it = w.props.find(prop);
    return it == w.props.end() ? std::string() : it->second;
  }
  Control* found = w.control(field);
  if (!found) return prop == kPropHandle ? "0" : std::string();
  Control& c = *found;
  switch (prop) {
    case kPropHandle:
      return std::to_string(c.handle);
    case kPropType:
      return std::to_string(c.type);
    case kPropText:
      return c.def.kind == ControlKind::Entry ? c.def.picture : c.text;
    case kPropHide:
      return c.hidden ? "1" : "";
    case kPropFormat:
      return c.def.format;
    case kPropItems:
      return std::to_string(visibleRowsFor(placedRect(w, c).height));
    case kPropVScrollPos:
      return std::to_string(c.thumb);
    case kPropHeight:
      return std::to_string(c.def.rect.height);
    case kPropWidth:
      return std::to_string(c.def.rect.width);
    default: {
      auto it = c.props.find(prop);
      return it == c.props.end() ? std::string() : it->second;
    }
  }
}

void setProp(int field, int prop, long value) {
  setPropText(field, prop, std::to_string(value));
}

void setPropText(int field, int prop, const std::string& value) {
  Window& w = currentWindow();
  if (field == 0) {
    if (prop == kPropText)
      w.title = value;
    else
      w.props[prop] = value;
    return;
  }
  Control& c = controlOf(field);
  long number = 0;
  try {
    number = value.empty() ? 0 : std::stol(value);
  } catch (const std::logic_error&) {
  }
  switch (prop) {
    case kPropText:
      if (c.def.kind == ControlKind::Entry)
        c.def.picture = value;
      else
        c.text = value;
      break;
    case kPropHide:
      setHidden(c, number != 0);
      break;
    case kPropFormat:
      c.def.format = value;
      break;
    case kPropVScrollPos:
      c.thumb = thumbWithin(number);
      break;
    case kPropHeight:
      c.def.rect.height = static_cast<int>(number);
      break;
    case kPropWidth:
      c.def.rect.width = static_cast<int>(number);
      break;
    default:
      c.props[prop] = value;
  }
}

std::string getColumnProp(int field, int column, int prop) {
  Control& c = controlOf(field);
  auto it = c.columnProps.find({column, prop});
  return it == c.columnProps.end() ? std::string() : it->second;
}

void setColumnProp(int field, int column, int prop, const std::string& value) {
  controlOf(field).columnProps[{column, prop}] = value;
  // An edit control linked to a column is shown over that column's cell.
  if (prop != kPropColumnEditField) return;
  try {
    if (Control* edit = currentWindow().control(std::stoi(value))) edit->hidden = false;
  } catch (const std::logic_error&) {
  }
}

}  // namespace apprt
