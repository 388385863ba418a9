// File > Print List... on the desktop: Qt's print preview of the list, on the
// page Print Setup set up, laid out as the PDF file is; the program goes on
// once it is closed.

#include <QApplication>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

#include "program_fixture.h"
#include "ui/qt/frame_window.h"

namespace fesk::qt::test {
namespace {

using PrintPreview = ProgramDesktopTest;

TEST_F(PrintPreview, PrintListPreviewsTheListOnThePageSetUp) {
  StoredRecords records;
  for (int i = 1; i <= 90; ++i) records.emplace_back("C" + std::to_string(100 + i), "Name");
  seed(records);
  runProgram([&] {
    // Print Setup works on the printer the preview prints with.
    chooseMenu("&File", "P&rint Setup...");
    QPageSetupDialog* setup = nullptr;
    ASSERT_TRUE(pumpUntil([&] { return (setup = desktop_->frame()->findChild<QPageSetupDialog*>()); }));
    EXPECT_EQ(setup->printer(), &desktop_->printer());
    desktop_->printer().setPageSize(QPageSize(QPageSize::Letter));
    setup->reject();

    chooseMenu("&File", "&Print List...");
    ASSERT_TRUE(pumpUntil([&] { return desktop_->printPreview() != nullptr; }));
    QPrintPreviewDialog* preview = desktop_->printPreview();
    auto* pages = preview->findChild<QPrintPreviewWidget*>();
    ASSERT_NE(pages, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return pages->pageCount() > 0; }));
    EXPECT_GE(pages->pageCount(), 2) << "90 records take more than a page";
    EXPECT_EQ(preview->printer()->pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "no busy cursor over the preview";
    preview->reject();
    settle();  // the frame takes the menu again
    chooseMenu("&fesk");
    EXPECT_TRUE(pumpUntil([&] { return window("Browse the fesk1 File") != nullptr; }));
  });
}

}  // namespace
}  // namespace fesk::qt::test
