#include "ui/qt/page_setup_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPrinter>
#include <QRadioButton>
#include <QVBoxLayout>

namespace fesk::qt {
namespace {

// The papers offered: those offices have, whatever the printer.
constexpr QPageSize::PageSizeId kPapers[] = {
    QPageSize::A3,     QPageSize::A4,    QPageSize::A5,        QPageSize::B5,
    QPageSize::Letter, QPageSize::Legal, QPageSize::Executive, QPageSize::Tabloid};

}  // namespace

PageSetupDialog::PageSetupDialog(QPrinter& printer, QWidget* parent)
    : QDialog(parent),
      printer_(printer),
      papers_(new QComboBox),
      portrait_(new QRadioButton(tr("P&ortrait"))),
      landscape_(new QRadioButton(tr("&Landscape"))) {
  setWindowTitle(tr("Print Setup"));
  const QPageLayout current = printer.pageLayout();
  for (QPageSize::PageSizeId id : kPapers) papers_->addItem(QPageSize::name(id), id);
  // A paper set up elsewhere stays on offer, so that OK keeps it.
  if (papers_->findData(current.pageSize().id()) < 0)
    papers_->addItem(current.pageSize().name(), current.pageSize().id());
  papers_->setCurrentIndex(papers_->findData(current.pageSize().id()));
  (current.orientation() == QPageLayout::Landscape ? landscape_ : portrait_)->setChecked(true);

  auto* orientation = new QHBoxLayout;
  orientation->addWidget(portrait_);
  orientation->addWidget(landscape_);
  auto* form = new QFormLayout;
  form->addRow(tr("&Paper:"), papers_);
  form->addRow(tr("Orientation:"), orientation);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void PageSetupDialog::accept() {
  const auto paper = static_cast<QPageSize::PageSizeId>(papers_->currentData().toInt());
  printer_.setPageSize(QPageSize(paper));
  printer_.setPageOrientation(landscape_->isChecked() ? QPageLayout::Landscape
                                                      : QPageLayout::Portrait);
  QDialog::accept();
}

}  // namespace fesk::qt
