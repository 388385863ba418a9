#include "ui/qt/printed_list_painter.h"

#include <QFontMetricsF>
#include <QGuiApplication>
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

class PageWriter {
 public:
  PageWriter(QPagedPaintDevice& device, const PrintedListHeader& header)
      : device_(device),
        header_(header),
        body_(font(kBodyPoints)),
        bold_(font(kBodyPoints, true)),
        title_(font(kTitlePoints, true)),
        small_(font(kSmallPoints)) {
    if (!painter_.begin(&device_)) throw apprt::PrintError("the pages cannot be written there");
    width_ = device_.width();
    const qreal em = metrics(body_).horizontalAdvance(QLatin1Char('M'));
    qreal x = 0;
    for (size_t i = 0; i < std::max<size_t>(header_.headings.size(), 1); ++i) {
      columns_.push_back(x);
      x += metrics(body_).horizontalAdvance(QString(kColumnDigits, QLatin1Char('0'))) + 2 * em;
    }
    detailIndent_ = (columns_.size() > 1 ? columns_[1] : 0) + 1.5 * em;
    bottom_ = device_.height() - 2 * metrics(small_).lineSpacing();
    startPage();
  }

  void item(const PrintedItem& item) {
    // An item line never stands alone at the foot of a page.
    const qreal lines = item.details.empty() ? 1 : 2;
    if (!fits(lines * metrics(body_).lineSpacing())) nextPage();
    columnsLine(item.columns, body_, {});
    for (const std::string& detail : item.details) {
      if (!fits(metrics(body_).lineSpacing())) {
        nextPage();
        columnsLine(item.columns, body_, " (continued)");
      }
      painter_.setFont(body_);
      painter_.setPen(kDetailColour);
      line(detailIndent_, width_ - detailIndent_, text(detail), body_);
    }
    y_ += metrics(body_).lineSpacing() / 3;
  }

  void noItems() {
    painter_.setFont(body_);
    painter_.setPen(Qt::black);
    line(0, width_, QStringLiteral("No records."), body_);
  }

  void finish() {
    footer();
    painter_.end();
  }

 private:
  QFontMetricsF metrics(const QFont& f) const { return QFontMetricsF(f, &device_); }
  bool fits(qreal height) const { return y_ + height <= bottom_; }
  qreal points(qreal p) const { return p * device_.logicalDpiY() / 72.0; }

  // Draws one line of text at x, cut to `room`, and moves down a line.
  void line(qreal x, qreal room, const QString& s, const QFont& f) {
    const QFontMetricsF m = metrics(f);
    painter_.drawText(QPointF(x, y_ + m.ascent()), m.elidedText(s, Qt::ElideRight, room));
    y_ += m.lineSpacing();
  }

  void columnsLine(const std::vector<std::string>& values, const QFont& f, const char* suffix) {
    painter_.setFont(f);
    painter_.setPen(Qt::black);
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
    painter_.setPen(QPen(Qt::black, points(weight)));
    painter_.drawLine(QPointF(0, y_), QPointF(width_, y_));
    y_ += points(4);
  }

  void startPage() {
    ++page_;
    y_ = 0;
    painter_.setPen(Qt::black);
    painter_.setFont(body_);
    const QString date = text(header_.date);
    const QFontMetricsF dateMetrics = metrics(body_);
    const qreal dateWidth = dateMetrics.horizontalAdvance(date);
    const qreal titleAscent = metrics(title_).ascent();
    painter_.drawText(QPointF(width_ - dateWidth, y_ + titleAscent), date);
    painter_.setFont(title_);
    line(0, width_ - dateWidth - points(12), text(header_.title), title_);
    painter_.setFont(small_);
    const QString dataSet = QStringLiteral("Data set: ") + text(header_.dataSet);
    const QFontMetricsF m = metrics(small_);
    painter_.drawText(QPointF(0, y_ + m.ascent()), m.elidedText(dataSet, Qt::ElideMiddle, width_));
    y_ += m.lineSpacing() + points(3);
    rule(0.8);
    columnsLine(header_.headings, bold_, nullptr);
    y_ += points(1);
    rule(0.4);
  }

  void footer() {
    painter_.setFont(small_);
    painter_.setPen(Qt::black);
    const QFontMetricsF m = metrics(small_);
    const QString number = QStringLiteral("Page %1").arg(page_);
    painter_.drawText(
        QPointF((width_ - m.horizontalAdvance(number)) / 2, device_.height() - m.descent()),
        number);
  }

  void nextPage() {
    footer();
    if (!device_.newPage()) throw apprt::PrintError("a new page cannot be started");
    startPage();
  }

  QPagedPaintDevice& device_;
  const PrintedListHeader& header_;
  QPainter painter_;
  QFont body_, bold_, title_, small_;
  qreal width_ = 0, bottom_ = 0, y_ = 0;
  std::vector<qreal> columns_;
  qreal detailIndent_ = 0;
  int page_ = 0;
};

}  // namespace

void paintPrintedList(QPagedPaintDevice& device, const PrintedListHeader& header,
                      apprt::PrintedListSource& source) {
  PageWriter pages(device, header);
  bool any = false;
  for (std::vector<PrintedItem> block; source.read(block);) {
    for (const PrintedItem& item : block) pages.item(item);
    any = true;
  }
  if (!any) pages.noItems();
  pages.finish();
}

}  // namespace fesk::qt
