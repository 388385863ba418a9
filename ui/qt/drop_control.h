#pragma once
// A drop-down list control whose open list is the runtime's: pressing the
// drop arrow (or F4, Alt+Down) asks the runtime to open it, and the list shows
// as a page-driven list in a window of its own under the control while the
// runtime says it is open. Its rows, selection and scroll bar are the
// control's, so a browse pages through them; keys stay with the control.

#include <QComboBox>

#include "runtime/frontend/frontend.h"
#include "ui/qt/dialog_units.h"

namespace fesk::qt {

class ListControl;

class DropControl : public QComboBox {
  Q_OBJECT
 public:
  DropControl(const DialogUnits& units, QWidget* parent = nullptr);

  void apply(const apprt::ControlView& view);
  ListControl* openList() const { return list_; }

  // The runtime opens and closes the list; Qt's own pop-up is never shown.
  void showPopup() override;
  void hidePopup() override {}

 signals:
  void dropPressed();
  void rowChosen(int row, int mouseKey);
  void scrolled(int scrollCode, int thumb);

 protected:
  void moveEvent(QMoveEvent* event) override;

 private:
  void placeList();

  DialogUnits units_;
  ListControl* list_;
  int listHeight_ = 0;
};

}  // namespace fesk::qt
