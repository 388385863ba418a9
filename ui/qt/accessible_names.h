#pragma once
// What a screen reader calls each control: the words a sighted user reads for
// it on the screen. A prompt, button, tab or menu is called by its own text
// without the mnemonic mark; an entry, list, drop-down list or sheet by the
// prompt that stands before it in tab order (the one whose mnemonic focuses
// it), else by the tab it sits on, else by its window's title; an edit
// control laid over a list column by that column's header. The status-bar
// text of a control is its description.

#include <QString>
#include <string_view>

#include "runtime/frontend/frontend.h"

class QMenu;
class QWidget;

namespace fesk::qt {

// A control text as it reads: without the mnemonic mark ("&&" is one "&").
QString readableText(std::string_view text);

QString accessibleNameOf(const apprt::WindowView& window, const apprt::ControlView& control);

// Gives the widgets that show a control its name and description (and, for a
// sheet, each tab its name). `focusTaker` is the part that takes the keyboard
// focus (a list's rows, a sheet's tab bar); it may be `shown` or nullptr.
// Only a changed name is set, so a reader hears no repeated announcements.
void nameControl(const apprt::WindowView& window, const apprt::ControlView& control, QWidget* shown,
                 QWidget* focusTaker);

// A window's own widget (which takes the focus when none of its controls
// does), called by the window's title.
void nameWindow(QWidget* widget, const apprt::WindowView& window);

// A menu of the frame's menu bar, called by its title.
void nameMenu(QMenu* menu, const apprt::ControlView& control);

}  // namespace fesk::qt
