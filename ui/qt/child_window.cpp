#include "ui/qt/child_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>

#include "runtime/text/added_mnemonic.h"
#include "runtime/text/mnemonic.h"
#include "ui/qt/accessible_names.h"
#include "ui/qt/drop_control.h"
#include "ui/qt/entry_control.h"
#include "ui/qt/find_bar.h"
#include "ui/qt/key_codes.h"
#include "ui/qt/list_control.h"
#include "ui/qt/mnemonics.h"

namespace fesk::qt {

using apprt::ControlKind;
using apprt::ControlView;
using apprt::Input;
using apprt::WindowView;

namespace {

constexpr char kFieldProperty[] = "feskField";

int fieldOf(QObject* object) {
  for (QObject* o = object; o; o = o->parent()) {
    QVariant v = o->property(kFieldProperty);
    if (v.isValid()) return v.toInt();
  }
  return 0;
}

}  // namespace

ChildWindow::ChildWindow(const WindowView& view, InputSink send, QWidget* parent,
                         std::string menuMnemonics)
    : QWidget(parent),
      view_(view),
      send_(std::move(send)),
      font_(windowFont(view.fontName, view.fontSize)),
      units_(font_),
      menuMnemonics_(std::move(menuMnemonics)),
      findBar_(new FindBar(this)) {
  setFont(font_);
  findBar_->setFont(font_);
  setFocusPolicy(Qt::ClickFocus);
  // The definition's size is the least a window needs; made larger, its
  // controls anchor as the runtime places them.
  setMinimumSize(units_.size(view.width, view.height));
  resize(minimumSize());
  reportedSize_ = QSize(view.width, view.height);
  installEventFilter(this);
  view_.controls.clear();  // nothing is shown yet: apply() builds every control
  apply(view);
}

void ChildWindow::watch(QWidget* widget) {
  widget->installEventFilter(this);
  widget->setFont(font_);
}

void ChildWindow::createControl(const ControlView& c) {
  Shown s;
  switch (c.kind) {
    case ControlKind::Prompt: {
      auto* label = new QLabel(this);
      label->setTextFormat(Qt::RichText);
      label->setFocusPolicy(Qt::NoFocus);
      s.widget = label;
      break;
    }
    case ControlKind::Entry: {
      auto* entry = new EntryControl(this);
      connect(entry, &EntryControl::typed, this, [this, field = c.field](const QString& text) {
        send_(Input::typed(view_.handle, field, text.toStdString()));
      });
      s.widget = s.focusWidget = entry;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(this);
      button->setAutoDefault(false);
      connect(button, &QPushButton::clicked, this,
              [this, field = c.field] { send_(Input::click(view_.handle, field)); });
      s.widget = s.focusWidget = button;
      break;
    }
    case ControlKind::List: {
      auto* list = new ListControl(units_, this);
      int field = c.field;
      connect(list, &ListControl::rowChosen, this, [this, field](int row, int key) {
        send_(Input::chooseRow(view_.handle, field, row, key));
      });
      connect(list, &ListControl::clickedBesideRows, this,
              [this, field] { send_(Input::click(view_.handle, field)); });
      connect(list, &ListControl::scrolled, this, [this, field](int code, int thumb) {
        send_(Input::scrollBar(view_.handle, field, code, thumb));
      });
      connect(list, &ListControl::wheeled, this,
              [this, field](bool up) { send_(Input::wheel(view_.handle, field, up)); });
      watch(list->rowsView());
      s.widget = list;
      s.focusWidget = list->rowsView();
      break;
    }
    case ControlKind::DropList:
    case ControlKind::DropCombo: {
      auto* combo = new DropControl(units_, this);
      const int field = c.field;
      connect(combo, &DropControl::dropPressed, this,
              [this, field] { send_(Input::drop(view_.handle, field)); });
      connect(combo, &DropControl::rowChosen, this, [this, field](int row, int key) {
        send_(Input::chooseRow(view_.handle, field, row, key));
      });
      connect(combo, &DropControl::scrolled, this, [this, field](int code, int thumb) {
        send_(Input::scrollBar(view_.handle, field, code, thumb));
      });
      s.widget = s.focusWidget = combo;
      break;
    }
    case ControlKind::Sheet: {
      auto* sheet = new QTabWidget(this);
      sheet->setFocusPolicy(Qt::NoFocus);
      // A tab chosen other than by a click (a screen reader's action) is the
      // runtime's to carry out; applySheet's own changes are not reported.
      connect(sheet, &QTabWidget::currentChanged, this, [this, field = c.field](int index) {
        send_(Input::chooseTab(view_.handle, field, index + 1));
      });
      watch(sheet->tabBar());
      s.widget = sheet;
      s.focusWidget = sheet->tabBar();
      break;
    }
    default:
      return;  // tabs belong to their sheet; menus and tool bars to the frame
  }
  s.widget->setProperty(kFieldProperty, c.field);
  watch(s.widget);
  s.widget->show();
  shown_[c.field] = s;
}

void ChildWindow::apply(const WindowView& view) {
  const int previousFocus = view_.focus;
  const WindowView before = std::move(view_);
  view_ = view;
  addMnemonics();
  for (auto it = shown_.begin(); it != shown_.end();) {
    if (view_.control(it->first)) {
      ++it;
      continue;
    }
    it->second.widget->deleteLater();
    it = shown_.erase(it);
  }
  bool created = false;
  for (const auto& c : view_.controls) {
    if (shown_.count(c.field)) continue;
    createControl(c);
    created = true;
  }
  if (created)  // sheets lie under the controls drawn over them
    for (const auto& c : view_.controls)
      if (c.kind == ControlKind::Sheet && shown_.count(c.field)) shown_[c.field].widget->lower();
  for (const auto& c : view_.controls) {
    applyControl(c, before.control(c.field));
    if (auto it = shown_.find(c.field); it != shown_.end())
      nameControl(view_, c, it->second.widget, it->second.focusWidget);
  }
  for (const auto& c : view_.controls)
    if (auto it = shown_.find(c.field); it != shown_.end()) placeControl(c, it->second.widget);
  if (auto it = view_.findLine.open ? shown_.find(view_.findLine.list) : shown_.end();
      it != shown_.end())
    findBar_->apply(view_.findLine, it->second.widget->geometry());
  else
    findBar_->hide();
  setWindowTitle(QString::fromStdString(view_.title));
  nameWindow(this, view_);
  applyFocus(previousFocus);
  if (previousFocus != view_.focus) showControlMessage();
}

void ChildWindow::addMnemonics() {
  std::string taken = menuMnemonics_;
  for (const auto& c : view_.controls)
    if (const int key = apprt::mnemonicKey(c.text)) taken += static_cast<char>(key);
  buttonTexts_.clear();
  addedMnemonics_.clear();
  for (const auto& c : view_.controls) {
    if (c.kind != ControlKind::Button || c.inToolbar) continue;
    buttonTexts_[c.field] = apprt::withAddedMnemonic(c.text, taken);
    if (const int key = apprt::mnemonicKey(buttonTexts_[c.field]);
        key && key != apprt::mnemonicKey(c.text))
      addedMnemonics_[key] = c.field;
  }
}

bool ChildWindow::takesMnemonic(int key) const {
  return view_.hasMnemonic(key) || buttonWithAddedMnemonic(key) != 0;
}

int ChildWindow::buttonWithAddedMnemonic(int key) const {
  auto it = addedMnemonics_.find(key);
  if (it == addedMnemonics_.end()) return 0;
  const ControlView* button = view_.control(it->second);
  return button && button->enabled && view_.shows(*button) ? button->field : 0;
}

void ChildWindow::showControlMessage() {
  if (!active_) return;
  const ControlView* focused = view_.control(view_.focus);
  emit controlMessage(focused ? QString::fromStdString(focused->message) : QString());
}

void ChildWindow::applyControl(const ControlView& c, const ControlView* before) {
  auto it = shown_.find(c.field);
  if (it == shown_.end()) return;
  QWidget* widget = it->second.widget;
  const bool changed = !before || !(*before == c);
  if (changed) {
    switch (c.kind) {
      case ControlKind::Prompt:
        static_cast<QLabel*>(widget)->setText(mnemonicRichText(c.text));
        break;
      case ControlKind::Entry: {
        auto* entry = static_cast<EntryControl*>(widget);
        if (!before || before->picture != c.picture) entry->setPicture(c.picture);
        entry->showRuntimeValue(c.text);
        break;
      }
      case ControlKind::Button:
        break;  // below: its text depends on the other controls' too
      case ControlKind::List:
        static_cast<ListControl*>(widget)->apply(c);
        break;
      case ControlKind::DropList:
      case ControlKind::DropCombo: {
        static_cast<DropControl*>(widget)->apply(c);
        break;
      }
      case ControlKind::Sheet:
        applySheet(c);
        break;
      default:
        break;
    }
    widget->setEnabled(c.enabled);
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    const QString text = QString::fromStdString(buttonTexts_[c.field]);
    if (button->text() != text) {
      button->setText(text);
      button->setShortcut({});  // the window handles the mnemonic
    }
  }
  if (c.kind == ControlKind::Entry)
    static_cast<EntryControl*>(widget)->setReadOnly(!view_.acceptsInput);
  widget->setVisible(view_.shows(c));
}

void ChildWindow::applySheet(const ControlView& sheet) {
  auto* tabs = static_cast<QTabWidget*>(shown_[sheet.field].widget);
  const QSignalBlocker shownByTheRuntime(tabs);
  QStringList texts;
  for (const auto& c : view_.controls)
    if (c.kind == ControlKind::Tab && c.parent == sheet.field)
      texts << QString::fromStdString(c.text);
  while (tabs->count() > texts.size()) tabs->removeTab(tabs->count() - 1);
  while (tabs->count() < texts.size()) tabs->addTab(new QWidget, QString());
  for (int i = 0; i < texts.size(); ++i) tabs->setTabText(i, texts[i]);
  if (sheet.choice >= 1 && sheet.choice <= tabs->count()) tabs->setCurrentIndex(sheet.choice - 1);
}

void ChildWindow::placeControl(const ControlView& c, QWidget* widget) {
  if (c.overList) {
    // An edit control laid by a list column over the selected row's cell.
    auto it = shown_.find(c.overList);
    const ControlView* list = view_.control(c.overList);
    if (it == shown_.end() || !list) return;
    auto* listWidget = static_cast<ListControl*>(it->second.widget);
    QRect cell = listWidget->cellRect(list->selected, c.overColumn);
    if (cell.isEmpty()) return;
    widget->setGeometry(QRect(listWidget->mapTo(this, cell.topLeft()), cell.size()));
    widget->raise();
    return;
  }
  QRect r = units_.rect(c.rect);
  if (auto* list = qobject_cast<ListControl*>(widget)) {
    const int wider = std::max(0, reportedSize_.width() - view_.width);
    list->setDefinedWidth(units_.x(c.rect.width - wider));
  }
  // A drop-down list is one line high; its defined height is its open list's.
  if (qobject_cast<DropControl*>(widget)) r.setHeight(widget->sizeHint().height());
  if (r.width() <= 0 || r.height() <= 0) {
    widget->adjustSize();
    r.setSize(widget->size());
  }
  widget->setGeometry(r);
}

void ChildWindow::setActive(bool active) {
  active_ = active;
  if (!active) return;
  applyFocus(0);
  showControlMessage();
}

void ChildWindow::applyFocus(int previousFocus) {
  if (!active_) return;
  auto it = shown_.find(view_.focus);
  QWidget* target = it != shown_.end() && it->second.focusWidget ? it->second.focusWidget : this;
  if (target->hasFocus() && previousFocus == view_.focus) return;
  const bool hadFocus = target->hasFocus();
  target->setFocus(Qt::OtherFocusReason);
  // An entry entered by a key has its whole text selected, so typing replaces
  // it; one entered by a click keeps the cursor where the click put it.
  if (auto* entry = qobject_cast<EntryControl*>(target); entry && !hadFocus) entry->selectAll();
}

QWidget* ChildWindow::fieldWidget(int field) const {
  auto it = shown_.find(field);
  if (it == shown_.end()) return nullptr;
  return it->second.focusWidget ? it->second.focusWidget : it->second.widget;
}

bool ChildWindow::keyPress(QObject* watched, QKeyEvent* event) {
  const int code = keyCode(*event);
  if (code == 0) return false;
  if (auto* entry = qobject_cast<EntryControl*>(watched);
      entry && !entry->isReadOnly() && isEntryEditingKey(*event))
    return false;
  // A button's added mnemonic presses it, as a click does; the window's own
  // mnemonics are the runtime's.
  if ((code & apprt::kAlt) && !(code & apprt::kCtrl) && !view_.hasMnemonic(code & 0xFF)) {
    if (const int button = buttonWithAddedMnemonic(code & 0xFF)) {
      if (view_.acceptsInput) send_(Input::click(view_.handle, button));
      return true;
    }
  }
  if (auto* combo = qobject_cast<QComboBox*>(watched);
      combo && (event->key() == Qt::Key_F4 ||
                (event->key() == Qt::Key_Down && (event->modifiers() & Qt::AltModifier))))
    return false;  // opens the drop-down
  send_(Input::keyDown(view_.handle, code, typedCharacter(*event)));
  return true;
}

void ChildWindow::focusTakenElsewhere(QObject* watched, Qt::FocusReason reason) {
  // The runtime moves the focus itself, with this same reason, to the field it
  // names; a control that takes the focus otherwise was given it by an
  // assistive technology's focus action, which the runtime carries out as a
  // click. A button is left out: a click would press it.
  const int field = fieldOf(watched);
  const ControlView* c = view_.control(field);
  if (!active_ || reason != Qt::OtherFocusReason || !c || field == view_.focus ||
      c->kind == ControlKind::Button)
    return;
  send_(Input::click(view_.handle, field));
}

bool ChildWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::FocusIn:
      // The style draws the focus only after focus moved by the keyboard;
      // here the runtime moves it, by key or click, and it is always shown.
      if (auto* widget = qobject_cast<QWidget*>(watched)) {
        widget->window()->setAttribute(Qt::WA_KeyboardFocusChange);
        widget->update();
      }
      focusTakenElsewhere(watched, static_cast<QFocusEvent*>(event)->reason());
      return false;
    case QEvent::KeyPress:
      return keyPress(watched, static_cast<QKeyEvent*>(event));
    case QEvent::ShortcutOverride: {
      // Alt+letter of one of this window's mnemonics is the runtime's; any
      // other goes on to the frame's menu bar.
      auto* key = static_cast<QKeyEvent*>(event);
      int code = keyCode(*key);
      if ((code & apprt::kAlt) && !(code & apprt::kCtrl) && takesMnemonic(code & 0xFF)) {
        event->accept();
        return true;
      }
      return false;
    }
    case QEvent::Shortcut:
      return true;  // the mnemonics of tab bars are the runtime's
    case QEvent::MouseButtonPress: {
      int field = fieldOf(watched);
      if (auto* tabBar = qobject_cast<QTabBar*>(watched)) {
        int index = tabBar->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (index >= 0) send_(Input::chooseTab(view_.handle, field, index + 1));
        return true;
      }
      if (qobject_cast<QLabel*>(watched)) {
        send_(Input::click(view_.handle, field));
        return true;
      }
      if (qobject_cast<EntryControl*>(watched) && field != view_.focus)
        send_(Input::click(view_.handle, field));
      return false;
    }
    default:
      return false;
  }
}

void ChildWindow::requestClose() {
  send_(Input::close(view_.handle));
}

void ChildWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Told in whole dialog units, and only when they change: a drag reports
  // every pixel, and each report makes the window lay itself out anew.
  const QSize shown = units_.unitsOf(size()).expandedTo(QSize(view_.width, view_.height));
  if (shown == reportedSize_) return;
  reportedSize_ = shown;
  send_(Input::resize(view_.handle, shown.width(), shown.height()));
}

void ChildWindow::closeEvent(QCloseEvent* event) {
  // The runtime decides: the window closes when its procedure closes it.
  event->ignore();
  requestClose();
}

}  // namespace fesk::qt
