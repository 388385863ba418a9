#include "ui/qt/accessible_names.h"

#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

#include "runtime/text/list_format.h"
#include "runtime/text/mnemonic.h"

namespace fesk::qt {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::WindowView;

namespace {

QString utf8(const std::string& text) {
  return QString::fromStdString(text);
}

// The prompt just before the control among the controls of its container:
// the one whose mnemonic or click focuses it.
const ControlView* promptBefore(const WindowView& window, const ControlView& control) {
  const ControlView* before = nullptr;
  for (const ControlView& c : window.controls) {
    if (c.field == control.field) break;
    if (c.parent == control.parent) before = &c;
  }
  return before && before->kind == ControlKind::Prompt ? before : nullptr;
}

// The tab the control sits on, through any containers between.
const ControlView* tabHolding(const WindowView& window, const ControlView& control) {
  for (const ControlView* c = window.control(control.parent); c; c = window.control(c->parent))
    if (c->kind == ControlKind::Tab) return c;
  return nullptr;
}

QString columnHeader(const WindowView& window, int list, int column) {
  const ControlView* shown = window.control(list);
  if (!shown || column < 1) return {};
  const auto columns = apprt::parseListFormat(shown->format);
  if (!columns || static_cast<size_t>(column) > columns->size()) return {};
  return utf8((*columns)[static_cast<size_t>(column) - 1].header);
}

void setName(QWidget* widget, const QString& name, const QString& description) {
  if (!widget) return;
  if (widget->accessibleName() != name) widget->setAccessibleName(name);
  if (widget->accessibleDescription() != description) widget->setAccessibleDescription(description);
}

void nameTabs(const WindowView& window, const ControlView& sheet, QTabBar* tabs) {
  int index = 0;
  for (const ControlView& c : window.controls) {
    if (c.parent != sheet.field || c.kind != ControlKind::Tab) continue;
    if (index >= tabs->count()) return;
    const QString name = readableText(c.text);
    if (tabs->accessibleTabName(index) != name) tabs->setAccessibleTabName(index, name);
    ++index;
  }
}

}  // namespace

QString readableText(std::string_view text) {
  return utf8(apprt::parseMnemonic(text).text);
}

QString accessibleNameOf(const WindowView& window, const ControlView& control) {
  switch (control.kind) {
    case ControlKind::Entry:
    case ControlKind::List:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
    case ControlKind::Sheet:
      break;
    default:  // prompts, buttons, tabs, menus: their own words
      return readableText(control.text);
  }
  if (control.overList) return columnHeader(window, control.overList, control.overColumn);
  if (const ControlView* prompt = promptBefore(window, control)) return readableText(prompt->text);
  if (const ControlView* tab = tabHolding(window, control)) return readableText(tab->text);
  return utf8(window.title);
}

void nameControl(const WindowView& window, const ControlView& control, QWidget* shown,
                 QWidget* focusTaker) {
  const QString name = accessibleNameOf(window, control);
  const QString description = utf8(control.message);
  setName(shown, name, description);
  if (focusTaker != shown) setName(focusTaker, name, description);
  if (auto* sheet = qobject_cast<QTabWidget*>(shown)) nameTabs(window, control, sheet->tabBar());
}

void nameWindow(QWidget* widget, const WindowView& window) {
  setName(widget, utf8(window.title), QString());
}

void nameMenu(QMenu* menu, const ControlView& control) {
  menu->setAccessibleName(readableText(control.text));
}

}  // namespace fesk::qt
