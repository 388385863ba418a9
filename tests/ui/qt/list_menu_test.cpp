// File > Print List... and Export List... on the desktop: the print preview
// of the list, on the page Print Setup set up; the save dialog for the CSV
// file, and the report of the work with its Cancel button.

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <fstream>
#include <iterator>

#include "program_fixture.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/page_view.h"
#include "ui/qt/print_preview_window.h"

namespace fesk::qt::test {
namespace {

using ListMenu = ProgramDesktopTest;

TEST_F(ListMenu, PrintListPreviewsTheListOnThePageSetUp) {
  StoredRecords records;
  for (int i = 1; i <= 90; ++i) records.emplace_back("C" + std::to_string(100 + i), "Name");
  seed(records);
  runProgram([&] {
    // Print Setup sets up the page the preview prints on; Cancel changes nothing.
    const QPageLayout before = desktop_->printer().pageLayout();
    PageSetupDialog* setup = choosePaper("A3");
    ASSERT_NE(setup, nullptr);
    click(setup->landscapeChoice());
    setup->reject();
    settle();
    EXPECT_TRUE(desktop_->printer().pageLayout().isEquivalentTo(before));
    setup = choosePaper("Legal");
    ASSERT_NE(setup, nullptr);
    click(setup->landscapeChoice());
    key(Qt::Key_Return);  // OK
    settle();

    chooseMenu("&File", "&Print List...");
    ASSERT_TRUE(pumpUntil([&] { return desktop_->printPreview() != nullptr; }));
    PrintPreviewWindow* preview = desktop_->printPreview();
    ASSERT_TRUE(pumpUntil([&] { return preview->counted(); }));
    EXPECT_GE(preview->pages()->pageCount(), 2) << "90 records take more than a page";
    EXPECT_EQ(preview->printer().pageLayout().pageSize().id(), QPageSize::Legal);
    EXPECT_EQ(preview->printer().pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "no busy cursor over the preview";
    preview->reject();
    settle();  // the frame takes the menu again
    chooseMenu("&fesk");
    EXPECT_TRUE(pumpUntil([&] { return window("Browse the fesk1 File") != nullptr; }));
  });
}

TEST_F(ListMenu, ExportListSavesTheFileChosenInTheSaveDialog) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}});
  const auto csv = directory_.path() / "fesk1.csv";
  runProgram([&] {
    chooseMenu("&File", "&Export List...");
    ASSERT_TRUE(pumpUntil([&] { return desktop_->saveDialog() != nullptr; }));
    QFileDialog* dialog = desktop_->saveDialog();
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    dialog->setDirectory(QString::fromStdString(directory_.path().string()));  // the name offered
    QMetaObject::invokeMethod(dialog, "accept");                               // the Save button
    QMessageBox* box = waitForBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), "2 records written to " + csv.string() + ".");
    click(box->button(QMessageBox::Ok));
    settle();
  });
  std::ifstream in(csv, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
            "CODE,NAME\r\nA1,Alpha\r\nB2,Bravo\r\n");
}

TEST(ProgressOnTheDesktop, TheReportShowsAfterAMomentAndCancelAsksToStop) {
  ensureApplication();
  Desktop desktop([](const apprt::Input&) {});
  int stops = 0;
  apprt::ProgressView view{7, 0, "Export List", "500 records written", 500, 0, false};
  desktop.showProgress(view, [&] { ++stops; });
  QProgressDialog* dialog = desktop.progressDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->isVisible()) << "short work shows nothing";
  view.text = "1000 records written";
  desktop.showProgress(view, [&] { ++stops; });
  EXPECT_EQ(desktop.progressDialog(), dialog) << "one report for one piece of work";
  EXPECT_EQ(dialog->labelText(), "1000 records written");
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!dialog->isVisible() && std::chrono::steady_clock::now() < until)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_TRUE(dialog->isVisible());
  auto* cancel = dialog->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->text(), "&Cancel");
  cancel->click();
  EXPECT_EQ(stops, 1);
  view.ended = true;
  desktop.showProgress(view, [&] { ++stops; });
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(desktop.progressDialog(), nullptr);
}

}  // namespace
}  // namespace fesk::qt::test
