#pragma once
// The desktop's print preview of a printed list. The list is laid out once
// without drawing, a few blocks at a time between the user's events, keeping
// where each page starts; a page is drawn when it comes into sight, read from
// its start. The layout starts again when the page set-up changes. Long
// counting shows the desktop's report of work, whose Cancel closes the
// preview. Zoom, page moves, Page Setup, Print and Close are on its tool bar
// and keys.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "runtime/frontend/printed_list.h"
#include "ui/qt/printed_list_painter.h"

class QAction;
class QLabel;
class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QProgressDialog;
class QSpinBox;

namespace fesk::qt {

class PageView;

class PrintPreviewWindow : public QDialog {
  Q_OBJECT
 public:
  // Asks for the page set-up over `parent`; calls `changed` once it changed.
  using PageSetUp = std::function<void(QWidget* parent, std::function<void()> changed)>;

  PrintPreviewWindow(std::shared_ptr<apprt::PreviewedList> list, QPrinter& printer,
                     PageSetUp setUpPage, QWidget* parent);
  ~PrintPreviewWindow() override;  // the list is closed

  PageView* pages() const { return pages_; }
  QSpinBox* pageNumber() const { return pageNumber_; }
  QAction* action(const QString& text) const;
  // Whether every page has been laid out.
  bool counted() const { return !counting_; }
  QProgressDialog* countProgress() const { return progress_; }
  QPrinter& printer() const { return printer_; }

  // Lays the list out again on the printer's page set-up.
  void layOut();
  // Paints page `index` (from 0) as the preview shows it, with `painter`
  // on a device of the printer's resolution, the paper's corner at (0, 0).
  // Throws PrintError when its items cannot be read.
  void paintPageOn(int index, QPainter& painter);
  // Prints the whole list on `device` (Print, once its dialog is answered);
  // false, the user told why, when it failed.
  bool printOn(QPagedPaintDevice& device);

 private:
  void addAction(const QString& text, const QKeySequence& keys, std::function<void()> act);
  void countSome();
  void showCount();
  QImage drawPage(int index, qreal zoom);
  void failed(const std::string& why);

  std::shared_ptr<apprt::PreviewedList> list_;
  QPrinter& printer_;
  PageSetUp setUpPage_;
  Paper paper_;
  QRectF full_;  // the whole paper, the printed area's corner at (0, 0)
  std::unique_ptr<PageCount> count_;
  bool counting_ = false;
  std::string countedTo_;  // the place of the last item laid out
  PageView* pages_;
  QSpinBox* pageNumber_;
  QLabel* pagesLabel_;
  QProgressDialog* progress_ = nullptr;
  bool failed_ = false;
};

}  // namespace fesk::qt
