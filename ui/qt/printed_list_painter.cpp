#include "ui/qt/printed_list_painter.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

namespace fesk::qt {
namespace {

using apprt::PrintedItem;
using apprt::PrintedListHeader;

constexpr qreal kBodyPoints = 10;
constexpr qreal kTitlePoints = 13;
constexpr qreal kSmallPoints = 8;
// The widest value a column but the last is laid out for, in digits.
constexpr int kColumnDigits = 20;
const QColor kDetailColour(70, 70, 70);

QString text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

QFont font(qreal points, bool bold = false) {
  QFont f = QGuiApplication::font();
  f.setPointSizeF(points);
  f.setBold(bold);
  // Codes and names are printed letter for letter: no ligatures, so that
  // the text taken from a PDF file is the text stored.
  f.setStyleStrategy(QFont::PreferNoShaping);
  return f;
}

// What happens where a page fills: the next page starts at `next`.
class PageBreaks {
 public:
  virtual ~PageBreaks() = default;
  // Called with the page's footer drawn; the writer starts the next page
  // once it returns.
  virtual void pageFilled(const PageStart& next) = 0;
};

// The layout, drawn with `painter` when there is one and only measured when
// not. `measured` has the resolution of the paper; `area` is the part of the
// page printed on, in its pixels.
class PageWriter {
 public:
  PageWriter(const QPaintDevice& measured, QSizeF area, const PrintedListHeader& header,
             QPainter* painter, PageBreaks& breaks, int firstPage = 1)
      : metrics_(measured),
        header_(header),
        painter_(painter),
        breaks_(breaks),
        body_(font(kBodyPoints)),
        bold_(font(kBodyPoints, true)),
        title_(font(kTitlePoints, true)),
        small_(font(kSmallPoints)),
        width_(area.width()),
        height_(area.height()),
        page_(firstPage - 1) {
    const qreal em = metrics(body_).horizontalAdvance(QLatin1Char('M'));
    qreal x = 0;
    for (size_t i = 0; i < std::max<size_t>(header_.headings.size(), 1); ++i) {
      columns_.push_back(x);
      x += metrics(body_).horizontalAdvance(QString(kColumnDigits, QLatin1Char('0'))) + 2 * em;
    }
    detailIndent_ = (columns_.size() > 1 ? columns_[1] : 0) + 1.5 * em;
    bottom_ = height_ - 2 * metrics(small_).lineSpacing();
    startPage();
  }

  // Lays out `item`, from its detail line `firstDetail` on: an item carried
  // over from the page before is named again with " (continued)".
  void item(const PrintedItem& item, const std::string& place, size_t firstDetail = 0) {
    if (firstDetail > 0) {
      columnsLine(item.columns, body_, " (continued)");
    } else {
      // An item line never stands alone at the foot of a page.
      const qreal lines = item.details.empty() ? 1 : 2;
      if (!fits(lines * metrics(body_).lineSpacing())) nextPage({place, 0});
      columnsLine(item.columns, body_, {});
    }
    for (size_t d = firstDetail; d < item.details.size(); ++d) {
      if (!fits(metrics(body_).lineSpacing())) {
        nextPage({place, d});
        columnsLine(item.columns, body_, " (continued)");
      }
      pen(kDetailColour);
      line(detailIndent_, width_ - detailIndent_, text(item.details[d]), body_);
    }
    y_ += metrics(body_).lineSpacing() / 3;
  }

  void noItems() {
    pen(Qt::black);
    line(0, width_, QStringLiteral("No records."), body_);
  }

  void finish() { footer(); }

  int pages() const { return page_; }

 private:
  QFontMetricsF metrics(const QFont& f) const { return QFontMetricsF(f, &metrics_); }
  bool fits(qreal height) const { return y_ + height <= bottom_; }
  qreal points(qreal p) const { return p * metrics_.logicalDpiY() / 72.0; }

  void pen(const QColor& colour) {
    if (painter_) painter_->setPen(colour);
  }
  void draw(QPointF at, const QString& s, const QFont& f) {
    if (!painter_) return;
    painter_->setFont(f);
    painter_->drawText(at, s);
  }

  // Draws one line of text at x, cut to `room`, and moves down a line.
  void line(qreal x, qreal room, const QString& s, const QFont& f) {
    const QFontMetricsF m = metrics(f);
    if (painter_) draw(QPointF(x, y_ + m.ascent()), m.elidedText(s, Qt::ElideRight, room), f);
    y_ += m.lineSpacing();
  }

  void columnsLine(const std::vector<std::string>& values, const QFont& f, const char* suffix) {
    pen(Qt::black);
    const qreal top = y_;
    for (size_t i = 0; i < values.size() && i < columns_.size(); ++i) {
      const bool last = i + 1 == columns_.size() || i + 1 == values.size();
      const qreal end = last ? width_ : columns_[i + 1];
      QString value = text(values[i]);
      if (last && suffix) value += QLatin1String(suffix);
      y_ = top;
      line(columns_[i], end - columns_[i] - points(6), value, f);
    }
    if (values.empty()) y_ += metrics(f).lineSpacing();
  }

  void rule(qreal weight) {
    if (painter_) {
      painter_->setPen(QPen(Qt::black, points(weight)));
      painter_->drawLine(QPointF(0, y_), QPointF(width_, y_));
    }
    y_ += points(4);
  }

  void startPage() {
    ++page_;
    y_ = 0;
    pen(Qt::black);
    const QString date = text(header_.date);
    const qreal dateWidth = metrics(body_).horizontalAdvance(date);
    const qreal titleAscent = metrics(title_).ascent();
    draw(QPointF(width_ - dateWidth, y_ + titleAscent), date, body_);
    line(0, width_ - dateWidth - points(12), text(header_.title), title_);
    const QString dataSet = QStringLiteral("Data set: ") + text(header_.dataSet);
    const QFontMetricsF m = metrics(small_);
    draw(QPointF(0, y_ + m.ascent()), m.elidedText(dataSet, Qt::ElideMiddle, width_), small_);
    y_ += m.lineSpacing() + points(3);
    rule(0.8);
    columnsLine(header_.headings, bold_, nullptr);
    y_ += points(1);
    rule(0.4);
  }

  void footer() {
    pen(Qt::black);
    const QFontMetricsF m = metrics(small_);
    const QString number = QStringLiteral("Page %1").arg(page_);
    draw(QPointF((width_ - m.horizontalAdvance(number)) / 2, height_ - m.descent()), number,
         small_);
  }

  void nextPage(const PageStart& next) {
    footer();
    breaks_.pageFilled(next);
    startPage();
  }

  const QPaintDevice& metrics_;
  const PrintedListHeader& header_;
  QPainter* painter_;
  PageBreaks& breaks_;
  QFont body_, bold_, title_, small_;
  qreal width_ = 0, height_ = 0, bottom_ = 0, y_ = 0;
  std::vector<qreal> columns_;
  qreal detailIndent_ = 0;
  int page_ = 0;
};

// Every page on a paged device, one after the other.
class NewPages : public PageBreaks {
 public:
  explicit NewPages(QPagedPaintDevice& device) : device_(device) {}
  void pageFilled(const PageStart&) override {
    if (!device_.newPage()) throw apprt::PrintError("a new page cannot be started");
  }

 private:
  QPagedPaintDevice& device_;
};

// Where each page starts, nothing drawn.
class CountedBreaks : public PageBreaks {
 public:
  void pageFilled(const PageStart& next) override { starts.push_back(next); }
  std::vector<PageStart> starts{PageStart{}};
};

// One page drawn: the layout stops where it fills.
struct PageDrawn {};
class OnePage : public PageBreaks {
 public:
  void pageFilled(const PageStart&) override { throw PageDrawn{}; }
};

// A device of the paper's resolution that fonts are measured on.
QImage metricsDevice(int dpi) {
  QImage image(1, 1, QImage::Format_RGB32);
  const int perMetre = qRound(dpi / 0.0254);
  image.setDotsPerMeterX(perMetre);
  image.setDotsPerMeterY(perMetre);
  return image;
}

}  // namespace

void paintPrintedList(QPagedPaintDevice& device, const PrintedListHeader& header,
                      apprt::PrintedListSource& source) {
  QPainter painter;
  if (!painter.begin(&device)) throw apprt::PrintError("the pages cannot be written there");
  NewPages breaks(device);
  PageWriter pages(device, QSizeF(device.width(), device.height()), header, &painter, breaks);
  bool any = false;
  for (std::vector<PrintedItem> block; source.read(block);) {
    for (const PrintedItem& item : block) pages.item(item, {});
    any = true;
  }
  if (!any) pages.noItems();
  pages.finish();
  painter.end();
}

struct PageCount::Layout {
  Layout(const Paper& paper, const PrintedListHeader& header)
      : metrics(metricsDevice(paper.dpi)), writer(metrics, paper.area, header, nullptr, breaks) {}
  QImage metrics;
  CountedBreaks breaks;
  PageWriter writer;
};

PageCount::PageCount(const Paper& paper, const PrintedListHeader& header)
    : layout_(std::make_unique<Layout>(paper, header)) {}

PageCount::~PageCount() = default;

void PageCount::add(const std::vector<PrintedItem>& items, const std::vector<std::string>& places) {
  for (size_t i = 0; i < items.size(); ++i) layout_->writer.item(items[i], places[i]);
}

const std::vector<PageStart>& PageCount::starts() const {
  return layout_->breaks.starts;
}

void paintPage(QPainter& painter, const Paper& paper, const PrintedListHeader& header,
               const PageStart& start, int number, const PageItems& items) {
  OnePage breaks;
  PageWriter page(*painter.device(), paper.area, header, &painter, breaks, number);
  std::vector<PrintedItem> block;
  std::vector<std::string> places;
  try {
    bool first = true;
    for (std::string from = start.place; items(from, !first, block, places); from = places.back()) {
      for (size_t i = 0; i < block.size(); ++i) {
        page.item(block[i], places[i], first ? start.detail : 0);
        first = false;
      }
    }
    if (first) page.noItems();
    page.finish();
  } catch (const PageDrawn&) {
    // The page is full: the rest of the list is on the pages after it.
  }
}

}  // namespace fesk::qt
