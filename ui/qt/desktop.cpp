#include "ui/qt/desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QPrinter>
#include <iostream>

#include "ui/qt/child_window.h"
#include "ui/qt/desktop_settings.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/help_viewer.h"
#include "ui/qt/message_box.h"

namespace fesk::qt {

using apprt::StandardAction;
using apprt::WindowKind;
using apprt::WindowView;

Desktop::Desktop(InputSink send) : send_(std::move(send)) {}

Desktop::~Desktop() {
  if (busyShown_) QApplication::restoreOverrideCursor();
  for (auto& [handle, outer] : outers_) delete outer;
}

void Desktop::showWindow(const WindowView& view) {
  if (view.kind == WindowKind::Frame) {
    if (frame_ && frame_->handle() == view.handle) {
      frame_->apply(view);
    } else {
      frame_ = std::make_unique<FrameWindow>(view, send_);
      frame_->showDataSet(dataSet_);
      connect(frame_->mdiArea(), &QMdiArea::subWindowActivated, this, &Desktop::childActivated);
      frame_->show();
      // The program takes the keyboard when it starts, also on an X display
      // with no window manager to hand it over (a display of its own, as
      // under a test). Wayland grants activation to the compositor only.
      if (QGuiApplication::platformName() == QLatin1String("xcb")) frame_->activateWindow();
    }
  } else if (ChildWindow* shown = child(view.handle)) {
    shown->apply(view);
  } else {
    auto* created =
        new ChildWindow(view, send_, nullptr, frame_ ? frame_->menuMnemonics() : std::string());
    children_[view.handle] = created;
    if (frame_) {
      if (auto* front = qobject_cast<ChildSubWindow*>(frame_->mdiArea()->activeSubWindow()))
        openers_[view.handle] = front->child()->handle();
      connect(created, &ChildWindow::controlMessage, frame_.get(),
              &FrameWindow::showControlMessage);
      QMdiSubWindow* sub = frame_->addChild(created);
      if (auto size = DesktopSettings().windowSize(view)) sub->resize(*size);
      outers_[view.handle] = sub;
      sub->show();
      frame_->mdiArea()->setActiveSubWindow(sub);
    } else {
      outers_[view.handle] = created;
      created->setActive(true);
      created->show();
    }
  }
  updateBusyCursor();
}

void Desktop::closeWindow(int handle) {
  if (frame_ && frame_->handle() == handle) {
    frame_->allowClose();
    frame_->close();
    return;
  }
  auto it = outers_.find(handle);
  if (it == outers_.end()) return;
  QWidget* outer = it->second;
  if (ChildWindow* closing = child(handle);
      closing && !outer->isMaximized() && !outer->isMinimized())
    DesktopSettings().setWindowSize(closing->view(), outer->size());
  outers_.erase(it);
  children_.erase(handle);
  auto* sub = qobject_cast<ChildSubWindow*>(outer);
  if (sub) {
    sub->allowClose();
    frame_->mdiArea()->removeSubWindow(sub);
  }
  outer->hide();
  outer->deleteLater();
  // The work goes on where it came from: the window that opened this one
  // (a form's browse, a second form's first), not whichever lies behind.
  if (auto opener = openers_.extract(handle); !opener.empty() && sub) bringToFront(opener.mapped());
  updateBusyCursor();
}

void Desktop::childActivated(QMdiSubWindow* sub) {
  auto* activated = qobject_cast<ChildSubWindow*>(sub);
  for (auto& [handle, c] : children_) c->setActive(activated && c == activated->child());
  if (!activated) return;
  send_(apprt::Input::activate(activated->child()->handle()));
}

void Desktop::showDataSet(const QString& name) {
  dataSet_ = name;
  if (frame_) frame_->showDataSet(name);
}

void Desktop::bringToFront(int window) {
  auto it = outers_.find(window);
  if (it == outers_.end()) return;
  if (auto* sub = qobject_cast<QMdiSubWindow*>(it->second); sub && frame_)
    frame_->mdiArea()->setActiveSubWindow(sub);
  else
    it->second->activateWindow();
  it->second->raise();
}

void Desktop::askMessageBox(const apprt::MessageBoxRequest& request,
                            std::function<void(int)> answer) {
  QWidget* parent = frame_.get();
  if (ChildWindow* c = child(request.window); c && !parent) parent = c;
  QMessageBox* box = makeMessageBox(request, parent);
  // A box closed without a button (it cannot be, but a window manager may
  // try) answers its default, as a person pressing Enter would.
  auto answered = std::make_shared<bool>(false);
  connect(box, &QMessageBox::buttonClicked, box, [answer, answered](QAbstractButton* button) {
    *answered = true;
    answer(buttonValue(button));
  });
  connect(box, &QObject::destroyed, this, [answer = std::move(answer), answered, request] {
    if (!*answered) answer(request.defaultButton);
  });
  boxes_.push_back(box);
  box->show();
  emit asked(box);
}

QMessageBox* Desktop::messageBox() const {
  for (auto it = boxes_.rbegin(); it != boxes_.rend(); ++it)
    if (*it && (*it)->isVisible()) return *it;
  return nullptr;
}

void Desktop::standardAction(StandardAction action, int) {
  QMdiArea* area = frame_ ? frame_->mdiArea() : nullptr;
  auto* entry = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  switch (action) {
    case StandardAction::Tile:
      if (area) area->tileSubWindows();
      break;
    case StandardAction::Cascade:
      if (area) area->cascadeSubWindows();
      break;
    case StandardAction::ArrangeIcons:
      if (frame_) frame_->arrangeIcons();
      break;
    case StandardAction::Cut:
      if (entry) entry->cut();
      break;
    case StandardAction::Copy:
      if (entry) entry->copy();
      break;
    case StandardAction::Paste:
      if (entry) entry->paste();
      break;
    case StandardAction::PrintSetup:
      setUpPage(frame_.get(), [] {});
      break;
    default:
      break;
  }
}

void Desktop::showHelp(const std::string& helpId) {
  if (!help_) help_ = std::make_unique<HelpViewer>();
  help_->showPage(helpId);
}

void Desktop::beep() {
  QApplication::beep();
}

void Desktop::endProgram(int exitCode, const std::string& haltMessage) {
  if (!haltMessage.empty()) std::cerr << "fesk: " << haltMessage << "\n";
  if (frame_) {
    frame_->allowClose();
    frame_->close();
  }
  if (help_) help_->close();
  emit ended(exitCode);
}

ChildWindow* Desktop::child(int handle) const {
  auto it = children_.find(handle);
  return it == children_.end() ? nullptr : it->second;
}

ChildWindow* Desktop::childByTitle(const QString& title) const {
  for (auto& [handle, c] : children_)
    if (c->windowTitle() == title) return c;
  return nullptr;
}

std::vector<ChildWindow*> Desktop::children() const {
  std::vector<ChildWindow*> all;
  for (auto& [handle, c] : children_) all.push_back(c);
  return all;
}

void Desktop::updateBusyCursor() {
  bool busy = frame_ && frame_->view().busy;
  for (auto& [handle, c] : children_) busy = busy || c->view().busy;
  if (busy == busyShown_) return;
  busyShown_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

}  // namespace fesk::qt
