#pragma once
// A list control: the rows the runtime sends, exactly, under column headers
// laid out by the list format, and a separate vertical scroll bar that belongs
// to the runtime. The list never scrolls or moves its selection by itself:
// clicks, the scroll bar and the wheel are reported, and the runtime answers
// with the next page.

#include <QWidget>
#include <vector>

#include "runtime/frontend/frontend.h"
#include "runtime/text/list_format.h"
#include "ui/qt/dialog_units.h"

class QScrollBar;
class QTreeWidget;

namespace fesk::qt {

class ListControl : public QWidget {
  Q_OBJECT
 public:
  ListControl(const DialogUnits& units, QWidget* parent = nullptr);

  void apply(const apprt::ControlView& view);
  // The widget that takes the keyboard focus.
  QTreeWidget* rowsView() const { return rows_; }
  QScrollBar* scrollBar() const { return scrollBar_; }
  // Where a cell of a shown row (both 1-based) lies, in this widget.
  QRect cellRect(int row, int column) const;
  // The row (1-based) under a point of the rows' viewport; 0 = none.
  int rowAt(QPoint viewportPos) const;
  int rowHeight() const { return rowHeight_; }
  // Its width at the window definition's size, which its columns' widths are for.
  void setDefinedWidth(int pixels);

 signals:
  void rowChosen(int row, int mouseKey);  // kKeyMouseLeft or kKeyMouseLeftDouble
  void clickedBesideRows();
  void scrolled(int scrollCode, int thumb);
  void wheeled(bool up);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void applyFormat(const std::string& format);
  void applyRows(const std::vector<std::vector<std::string>>& rows);
  void layoutParts();
  void widenColumns();
  void scrollBarAction(int action);
  void wheel(int angleDelta);

  DialogUnits units_;
  QTreeWidget* rows_;
  QScrollBar* scrollBar_;
  std::string format_;
  std::vector<apprt::ListColumn> columns_;
  std::vector<size_t> textIndexes_;
  std::vector<int> definedWidths_;  // of the columns, at the definition's size
  int definedWidth_ = 0;
  std::vector<std::vector<std::string>> shownRows_;
  int visibleRows_ = 1;
  int rowHeight_ = 0;
  int thumb_ = 0;
  int wheelRest_ = 0;  // wheel travel short of a whole notch
  bool scrollBarShown_ = false;
  bool applying_ = false;  // the runtime's view is being shown
};

}  // namespace fesk::qt
