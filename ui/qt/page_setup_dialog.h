#pragma once
// Print Setup: the paper and the orientation the printed list is laid out
// on. The page of the printer it sets up changes only when the dialog is
// accepted, with or without a printer on the machine (the PDF writer that
// stands in for one has a page too), and without a nested event loop.

#include <QDialog>

class QComboBox;
class QPrinter;
class QRadioButton;

namespace fesk::qt {

class PageSetupDialog : public QDialog {
  Q_OBJECT
 public:
  PageSetupDialog(QPrinter& printer, QWidget* parent);

  QComboBox* paperChoice() const { return papers_; }
  QRadioButton* landscapeChoice() const { return landscape_; }

  void accept() override;

 private:
  QPrinter& printer_;
  QComboBox* papers_;
  QRadioButton* portrait_;
  QRadioButton* landscape_;
};

}  // namespace fesk::qt
