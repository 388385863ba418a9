#pragma once
// A window of the program other than the frame (browse windows, forms), built
// from the runtime's view of it and brought up to date with every new view.
// Its widgets only show what the runtime sends and report what the user does:
// keys that move the focus, press buttons or scroll lists go to the runtime,
// which answers with the next view.

#include <QFont>
#include <QWidget>
#include <map>
#include <string>

#include "runtime/frontend/frontend.h"
#include "ui/qt/dialog_units.h"
#include "ui/qt/input_sink.h"

class QKeyEvent;

namespace fesk::qt {

class FindBar;

class ChildWindow : public QWidget {
  Q_OBJECT
 public:
  // `menuMnemonics`: the keys of the menu bar's titles, which the mnemonics
  // added to the window's buttons leave to the menu bar.
  ChildWindow(const apprt::WindowView& view, InputSink send, QWidget* parent = nullptr,
              std::string menuMnemonics = {});

  void apply(const apprt::WindowView& view);
  const apprt::WindowView& view() const { return view_; }
  int handle() const { return view_.handle; }
  const DialogUnits& units() const { return units_; }

  // The widget that shows a field (for an entry, list, button: the one that
  // takes the keyboard focus); nullptr when the field has none.
  QWidget* fieldWidget(int field) const;
  // The window became (or stopped being) the active one: only the active
  // window gives its focused control the keyboard focus.
  void setActive(bool active);

  // The search line over the window's list (hidden while it is closed).
  const FindBar* findBar() const { return findBar_; }

  // Whether Alt plus `key` (upper-case) reaches a control of this window.
  bool takesMnemonic(int key) const;

  // The close box, reported to the runtime.
  void requestClose();

 signals:
  // The status-bar text of the focused control ("" when it has none).
  void controlMessage(const QString& message);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Shown {
    QWidget* widget = nullptr;       // what is placed in the window
    QWidget* focusWidget = nullptr;  // what takes the keyboard focus
  };
  void createControl(const apprt::ControlView& control);
  void applyControl(const apprt::ControlView& control, const apprt::ControlView* before);
  void applySheet(const apprt::ControlView& sheet);
  void placeControl(const apprt::ControlView& control, QWidget* widget);
  void applyFocus(int previousFocus);
  void showControlMessage();
  bool keyPress(QObject* watched, QKeyEvent* event);
  void focusTakenElsewhere(QObject* watched, Qt::FocusReason reason);
  void watch(QWidget* widget);
  // The texts of buttons that have no mnemonic, with one added.
  void addMnemonics();
  // The button whose added mnemonic is Alt plus `key` and that can be pressed; 0 = none.
  int buttonWithAddedMnemonic(int key) const;

  apprt::WindowView view_;
  InputSink send_;
  QFont font_;
  DialogUnits units_;
  std::map<int, Shown> shown_;
  bool active_ = false;
  QSize reportedSize_;  // in dialog units, as the runtime was last told
  std::string menuMnemonics_;
  std::map<int, std::string> buttonTexts_;  // by field, as shown
  std::map<int, int> addedMnemonics_;       // key -> field of the button it presses
  FindBar* findBar_;
};

}  // namespace fesk::qt
