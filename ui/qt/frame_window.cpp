#include "ui/qt/frame_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <utility>

#include "runtime/text/mnemonic.h"
#include "ui/qt/accessible_names.h"
#include "ui/qt/child_window.h"
#include "ui/qt/desktop_settings.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/key_codes.h"
#include "ui/qt/on_screen.h"
#include "ui/qt/program_icon.h"

namespace fesk::qt {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::Input;

namespace {
// Scrolls a window made smaller than its definition; asks for room for all
// of it (a scroll area otherwise asks for a few lines of text only).
class WindowScroller : public QScrollArea {
 public:
  QSize sizeHint() const override {
    const int frame = 2 * frameWidth();
    return widget() ? widget()->minimumSize() + QSize(frame, frame) : QScrollArea::sizeHint();
  }
};
}  // namespace

FrameWindow::FrameWindow(const apprt::WindowView& view, InputSink send)
    : view_(view),
      send_(std::move(send)),
      area_(new QMdiArea(this)),
      message_(new QLabel),
      dataSet_(new QLabel) {
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(area_);
  setWindowIcon(programIcon());
  statusBar()->addWidget(message_, 1);
  statusBar()->addPermanentWidget(dataSet_);
  buildMenus();
  buildToolBar();
  // The definition's size is a minimum: the frame holds several windows side
  // by side, so it opens at most of the screen.
  DialogUnits units(windowFont(view.fontName, view.fontSize));
  QSize wanted = units.size(view.width, view.height);
  if (QScreen* screen = this->screen()) {
    QSize available = screen->availableSize();
    wanted = wanted.expandedTo(available * 3 / 4).boundedTo(available);
  }
  resize(wanted);
  restoreGeometry(DesktopSettings().frameGeometry());  // as the user left it, if ever
  apply(view);
  qApp->installEventFilter(this);
}

void FrameWindow::buildMenus() {
  std::map<int, QMenu*> menus;
  for (const ControlView& c : view_.controls) {
    if (c.inToolbar) continue;
    QMenu* parentMenu = c.parent ? menus[c.parent] : nullptr;
    if (c.parent && !parentMenu) continue;  // not part of the menu bar
    switch (c.kind) {
      case ControlKind::Menu: {
        QMenu* menu = parentMenu ? parentMenu->addMenu(QString::fromStdString(c.text))
                                 : menuBar()->addMenu(QString::fromStdString(c.text));
        menu->menuAction()->setStatusTip(QString::fromStdString(c.hint));
        nameMenu(menu, c);
        menus[c.field] = menu;
        break;
      }
      case ControlKind::MenuItem: {
        QAction* action = parentMenu ? parentMenu->addAction(QString::fromStdString(c.text))
                                     : menuBar()->addAction(QString::fromStdString(c.text));
        action->setStatusTip(QString::fromStdString(c.hint));
        connect(action, &QAction::triggered, this,
                [this, field = c.field] { send_(Input::menu(view_.handle, field)); });
        actions_[c.field] = action;
        break;
      }
      case ControlKind::Separator:
        if (parentMenu) parentMenu->addSeparator();
        break;
      default:
        break;
    }
  }
}

void FrameWindow::buildToolBar() {
  QToolBar* bar = nullptr;
  for (const ControlView& c : view_.controls) {
    if (!c.inToolbar || c.kind != ControlKind::Button) continue;
    if (!bar) {
      bar = addToolBar(tr("Tool bar"));
      bar->setMovable(false);
    }
    QAction* action = bar->addAction(QString::fromStdString(c.text));
    action->setStatusTip(QString::fromStdString(c.hint));
    if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action)))
      button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(action, &QAction::triggered, this,
            [this, field = c.field] { send_(Input::click(view_.handle, field)); });
    actions_[c.field] = action;
  }
}

void FrameWindow::apply(const apprt::WindowView& view) {
  view_ = view;
  setWindowTitle(QString::fromStdString(view.title));
  for (const ControlView& c : view.controls) {
    auto it = actions_.find(c.field);
    if (it == actions_.end()) continue;
    it->second->setEnabled(c.enabled);
    it->second->setVisible(!c.hidden);
  }
}

QAction* FrameWindow::menuAction(int field) const {
  auto it = actions_.find(field);
  return it == actions_.end() ? nullptr : it->second;
}

std::string FrameWindow::menuMnemonics() const {
  std::string keys;
  for (QAction* title : menuBar()->actions())
    if (const int key = apprt::mnemonicKey(title->text().toStdString()))
      keys += static_cast<char>(key);
  return keys;
}

bool FrameWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  // Keys of this frame, its windows and its open menus only.
  if (!widget || (widget->window() != this && !qobject_cast<QMenu*>(widget->window())))
    return false;
  auto* key = static_cast<QKeyEvent*>(event);
  switch (key->key()) {
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
      return false;  // held for the key that follows
    default:
      break;
  }
  if (marked_ && event->type() == QEvent::KeyPress) {
    QAction* marked = std::exchange(marked_, nullptr);
    menuBar()->setActiveAction(nullptr);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      marked->trigger();
      return true;
    }
    if (key->key() == Qt::Key_Escape) return true;
  }
  return menuKey(watched, key);
}

bool FrameWindow::menuKey(QObject* receiver, QKeyEvent* key) {
  const int code = keyCode(*key);
  if (!(code & apprt::kAlt) || (code & (apprt::kCtrl | apprt::kShift))) return false;
  const int letter = code & 0xFF;
  if (menuMnemonics().find(static_cast<char>(letter)) == std::string::npos) return false;
  // A window's own control with the key comes first.
  for (QObject* o = receiver; o; o = o->parent())
    if (auto* child = qobject_cast<ChildWindow*>(o); child && child->takesMnemonic(letter))
      return false;
  if (key->type() == QEvent::ShortcutOverride) {
    key->accept();  // the key press is ours, not the bar's own shortcut
    return true;
  }
  goToTitle(letter);
  return true;
}

void FrameWindow::goToTitle(int key) {
  QList<QAction*> titles;
  for (QAction* title : menuBar()->actions())
    if (title->isVisible() && title->isEnabled() &&
        apprt::mnemonicKey(title->text().toStdString()) == key)
      titles.append(title);
  if (titles.isEmpty()) return;
  if (titles.size() == 1 && !titles.front()->menu()) {
    menuBar()->setActiveAction(nullptr);
    titles.front()->trigger();
    return;
  }
  QAction* from = marked_ ? marked_ : menuBar()->activeAction();
  QAction* next = titles[(titles.indexOf(from) + 1) % titles.size()];
  if (QWidget* open = QApplication::activePopupWidget()) open->close();
  menuBar()->setActiveAction(next);
  marked_ = next->menu() ? nullptr : next;
}

QMdiSubWindow* FrameWindow::addChild(ChildWindow* child) {
  auto* sub = new ChildSubWindow(child);
  area_->addSubWindow(sub);
  // All of a window is in view when it opens, scrolled if need be. A window
  // cut in one direction gets the room of its scroll bar in the other, where
  // the frame has it, so that it does not scroll both ways.
  const QSize room = area_->viewport()->size();
  QSize wanted = sub->sizeHint();
  const int bar = sub->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, sub);
  if (wanted.height() > room.height()) wanted.rwidth() += bar;
  if (wanted.width() > room.width()) wanted.rheight() += bar;
  sub->resize(wanted.boundedTo(room));
  return sub;
}

void FrameWindow::arrangeIcons() {
  int x = 0;
  const int bottom = area_->viewport()->height();
  for (QMdiSubWindow* sub : area_->subWindowList(QMdiArea::CreationOrder)) {
    if (!sub->isMinimized()) continue;
    sub->move(x, bottom - sub->height());
    x += sub->width();
  }
}

void FrameWindow::showControlMessage(const QString& message) {
  message_->setText(message);
}

void FrameWindow::showDataSet(const QString& name) {
  dataSet_->setText(name);
  dataSet_->setToolTip(name);
}

void FrameWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  keepOnScreen(this);
}

void FrameWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    DesktopSettings().setFrameGeometry(saveGeometry());
    event->accept();
    return;
  }
  // Closing the frame is the runtime's: it closes every other window first.
  event->ignore();
  send_(Input::close(view_.handle));
}

ChildSubWindow::ChildSubWindow(ChildWindow* child) : child_(child) {
  // The window fills the sub-window, however large it is made (maximized,
  // tiled); its controls anchor as the runtime places them. Made smaller
  // than its definition (a small screen, a large scale), it scrolls.
  auto* scroller = new WindowScroller;
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidgetResizable(true);
  scroller->setFocusPolicy(Qt::NoFocus);
  scroller->setWidget(child);
  setWidget(scroller);
  setWindowIcon(programIcon());
  setAttribute(Qt::WA_DeleteOnClose, false);
  setWindowTitle(child->windowTitle());
  connect(child, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
}

void ChildSubWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  event->ignore();
  child_->requestClose();
}

}  // namespace fesk::qt
