#include "ui/qt/help_viewer.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "ui/qt/on_screen.h"

namespace fesk::qt {

QString helpPagePath(const std::string& helpId) {
  QString path = ":/help/" + QString::fromStdString(helpId) + ".html";
  return !helpId.empty() && QFile::exists(path) ? path : QStringLiteral(":/help/index.html");
}

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser) {
  setWindowTitle(tr("fesk Help"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  browser_->setOpenLinks(true);
  resize(560, 480);
}

void HelpViewer::showPage(const std::string& helpId) {
  browser_->setSource(QUrl("qrc" + helpPagePath(helpId)));
  show();
  raise();
  activateWindow();
}

void HelpViewer::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  keepOnScreen(this);
}

QString HelpViewer::currentPage() const {
  return browser_->source().toString();
}

}  // namespace fesk::qt
