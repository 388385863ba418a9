#pragma once
// The pages of a print preview one under the other in a scroll area, each
// drawn when it comes into sight and forgotten once far from it, so that a
// preview of any number of pages keeps only a few page images.

#include <QAbstractScrollArea>
#include <QImage>
#include <functional>
#include <map>

namespace fesk::qt {

class PageView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // Draws page `index` (from 0) at `zoom` (1: the paper's own pixels).
  using PageImage = std::function<QImage(int index, qreal zoom)>;

  PageView(PageImage draw, QWidget* parent);

  // The pages shown: `count` pages of `paper` pixels; pages drawn before are
  // drawn again (the page set-up changed) unless `more` (only pages added).
  void setPages(int count, QSizeF paper, bool more);
  int pageCount() const { return count_; }

  qreal zoom() const { return zoom_; }
  void setZoom(qreal zoom);
  void zoomIn();
  void zoomOut();
  void fitWidth();

  // The page at the top of the view (from 0), and a move to one.
  int currentPage() const;
  void showPage(int index);

  // The page images held now, for a check that only pages in sight are.
  int heldPages() const { return static_cast<int>(images_.size()); }

 signals:
  void currentPageChanged(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  qreal pageHeight() const;  // a page and the gap under it, as shown
  void updateScrollBars();
  const QImage& image(int index);
  void forgetFarPages(int first, int last);

  PageImage draw_;
  int count_ = 0;
  QSizeF paper_;
  qreal zoom_ = 1;
  bool fitted_ = true;  // the zoom follows the width of the view
  std::map<int, QImage> images_;
  int lastCurrent_ = -1;
};

}  // namespace fesk::qt
