#include "ui/headless/transcript.h"

#include "ui/headless/headless_frontend.h"

namespace fesk::headless {

using apprt::ControlKind;

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string describeMessageBox(const apprt::MessageBoxRequest& r, int answer) {
  std::string icon = r.icon == apprt::Icon::Warning    ? "warning"
                     : r.icon == apprt::Icon::Question ? "question"
                                                       : "none";
  return "message box: " + quoted(r.title) + " " + quoted(r.text) + " icon=" + icon +
         " buttons=" + buttonsText(r.buttons) + " default=" + buttonName(r.defaultButton) +
         " answer=" + buttonName(answer);
}

std::string describeWindow(const apprt::WindowView& v) {
  std::string out = "window " + quoted(v.title) + " focus=" + std::to_string(v.focus) +
                    " busy=" + (v.busy ? "yes" : "no") + "\n";
  if (v.findLine.open) {
    out += "  find " + std::to_string(v.findLine.list) + " " + quoted(v.findLine.text);
    if (!v.findLine.message.empty()) out += " says " + quoted(v.findLine.message);
    out += "\n";
  }
  for (const auto& c : v.controls) {
    if (c.kind == ControlKind::Separator || c.kind == ControlKind::Toolbar) continue;
    out += "  " + std::to_string(c.field) + " " + apprt::controlKindName(c.kind) + " " +
           quoted(c.text);
    if (c.required) out += " required";
    if (!c.enabled) out += " disabled";
    if (!v.shows(c)) out += " hidden";
    if (c.kind == ControlKind::Sheet) out += " tab=" + std::to_string(c.choice);
    if (c.overList)
      out += " over=" + std::to_string(c.overList) + ":" + std::to_string(c.overColumn);
    bool list = c.kind == ControlKind::List || c.kind == ControlKind::DropList ||
                c.kind == ControlKind::DropCombo;
    if (list) {
      out += std::string(" scrollbar=") + (c.scrollBar ? "shown" : "hidden") +
             " thumb=" + std::to_string(c.thumb) + " rows=" + std::to_string(c.rows.size());
    }
    out += "\n";
    if (!list) continue;
    for (size_t r = 0; r < c.rows.size(); ++r) {
      out += std::string(static_cast<int>(r + 1) == c.selected ? "    > " : "      ") + "row " +
             std::to_string(r + 1) + ":";
      for (size_t i = 0; i < c.rows[r].size(); ++i)
        out += std::string(i ? " | " : " ") + quoted(c.rows[r][i]);
      out += "\n";
    }
  }
  return out;
}

}  // namespace fesk::headless
