#include "ui/qt/desktop_settings.h"

#include <QPageSize>

namespace fesk::qt {
namespace {

QString windowKey(const apprt::WindowView& view) {
  return QStringLiteral("windows/%1 %2/size")
      .arg(QString::fromStdString(view.module), QString::fromStdString(view.label));
}

QString choiceKey(const std::string& key) {
  return QStringLiteral("choices/") + QString::fromStdString(key);
}

}  // namespace

DesktopSettings::DesktopSettings()
    : QSettings(QSettings::NativeFormat, QSettings::UserScope, "fesk", "fesk") {}

std::optional<QSize> DesktopSettings::windowSize(const apprt::WindowView& view) {
  const QSize size = value(windowKey(view)).toSize();
  if (!size.isValid() || size.isEmpty()) return std::nullopt;
  return size;
}

void DesktopSettings::setWindowSize(const apprt::WindowView& view, QSize size) {
  setValue(windowKey(view), size);
}

QByteArray DesktopSettings::frameGeometry() {
  return value("frame/geometry").toByteArray();
}

void DesktopSettings::setFrameGeometry(const QByteArray& geometry) {
  setValue("frame/geometry", geometry);
}

std::optional<QPageLayout> DesktopSettings::pageLayout() {
  bool known = false;
  const int paper = value("print/paper").toInt(&known);
  if (!known || paper < 0 || paper >= QPageSize::LastPageSize) return std::nullopt;
  const auto orientation = value("print/orientation").toString() == "landscape"
                               ? QPageLayout::Landscape
                               : QPageLayout::Portrait;
  return QPageLayout(QPageSize(static_cast<QPageSize::PageSizeId>(paper)), orientation,
                     QMarginsF());
}

void DesktopSettings::setPageLayout(const QPageLayout& layout) {
  setValue("print/paper", static_cast<int>(layout.pageSize().id()));
  setValue("print/orientation",
           layout.orientation() == QPageLayout::Landscape ? "landscape" : "portrait");
}

std::string DesktopChoices::value(const std::string& key) const {
  return DesktopSettings().value(choiceKey(key)).toString().toStdString();
}

void DesktopChoices::setValue(const std::string& key, const std::string& value) {
  DesktopSettings().setValue(choiceKey(key), QString::fromStdString(value));
}

}  // namespace fesk::qt
