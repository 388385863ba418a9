#pragma once
// The program's own help: one page for the frame and one per help id of the
// windows, compiled into the program from resources/help/.

#include <QWidget>
#include <string>

class QTextBrowser;

namespace fesk::qt {

class HelpViewer : public QWidget {
  Q_OBJECT
 public:
  explicit HelpViewer(QWidget* parent = nullptr);
  // Shows the page of a help id; "" (and an id without a page) is the
  // program's contents page.
  void showPage(const std::string& helpId);
  QString currentPage() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTextBrowser* browser_;
};

// The resource path of a help id's page.
QString helpPagePath(const std::string& helpId);

}  // namespace fesk::qt
