// The desktop's print preview of a list of many pages, read back with
// pdftotext: a page chosen at random and the last page show the items the
// whole list printed has on them, before and after the page set-up changes;
// a page comes into sight with a read of its own items only, and the preview
// keeps the images of the pages in sight and not of those passed.

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <atomic>
#include <cstdio>
#include <random>
#include <sstream>

#include "command_output.h"
#include "desktop_fixture.h"
#include "support/temporary_directory.h"
#include "ui/qt/page_setup_dialog.h"
#include "ui/qt/page_view.h"
#include "ui/qt/print_preview_window.h"

namespace fesk::qt::test {
namespace {

constexpr int kItems = 3000;
constexpr size_t kBlock = 50;

std::string code(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "C%05d", n);
  return text;
}

// Items 1..count, each placed at its number; every 97th has enough detail
// lines to run over a page, the others none to two.
class NumberedList : public apprt::PreviewedList {
 public:
  explicit NumberedList(int count) : count_(count) {}
  const apprt::PrintedListHeader& header() const override { return header_; }
  bool read(const std::string& from, bool after, std::vector<apprt::PrintedItem>& items,
            std::vector<std::string>& places) override {
    ++reads;
    items.clear();
    places.clear();
    int n = from.empty() ? 1 : std::stoi(from) + (after ? 1 : 0);
    for (; n <= count_ && items.size() < kBlock; ++n) {
      apprt::PrintedItem item{{code(n), "Name " + std::to_string(n)}, {}};
      const int details = n % 97 == 0 ? 70 : n % 3;
      for (int d = 1; d <= details; ++d) item.details.push_back(code(n) + "-" + std::to_string(d));
      items.push_back(std::move(item));
      places.push_back(std::to_string(n));
    }
    return !items.empty();
  }
  void close() override { closed = true; }

  std::atomic<int> reads{0};
  std::atomic<bool> closed{false};

 private:
  int count_;
  apprt::PrintedListHeader header_{"Numbers", "test", "2026-01-02", {"Code", "Name"}};
};

class PrintPreview : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureApplication();
    desktop_ = std::make_unique<Desktop>([](const apprt::Input&) {});
    list_ = std::make_shared<NumberedList>(kItems);
    desktop_->printer().setPageSize(QPageSize(QPageSize::A4));
    desktop_->printer().setPageOrientation(QPageLayout::Portrait);
    desktop_->showPrintPreview(list_);
    preview_ = desktop_->printPreview();
  }

  bool pumpUntil(const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < until)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }

  QPdfWriter* writer(const std::string& name) {
    pdf_ = directory_.path() / name;
    writerFile_ = QString::fromStdString(pdf_.string());
    auto* w = new QPdfWriter(writerFile_);
    w->setResolution(desktop_->printer().resolution());
    w->setPageLayout(desktop_->printer().pageLayout());
    return w;
  }

  // The text of each page of the PDF file last written.
  std::vector<std::string> pagesOfPdf() const {
    std::vector<std::string> pages;
    std::istringstream text(commandOutput("pdftotext -layout '" + pdf_.string() + "' -"));
    for (std::string page; std::getline(text, page, '\f');) pages.push_back(page);
    return pages;
  }

  // The whole list printed from the preview, page by page.
  std::vector<std::string> printed() {
    {
      std::unique_ptr<QPdfWriter> device(writer("whole.pdf"));
      EXPECT_TRUE(preview_->printOn(*device));
    }
    return pagesOfPdf();
  }

  // Page `index` as the preview shows it.
  std::string shown(int index) {
    {
      std::unique_ptr<QPdfWriter> device(writer("page.pdf"));
      QPainter painter(device.get());
      preview_->paintPageOn(index, painter);
    }
    const auto pages = pagesOfPdf();
    return pages.empty() ? std::string() : pages.front();
  }

  // Moves to a random page and to the last page as the user does, and checks
  // each against the whole list printed.
  void checkPages(std::mt19937& random) {
    ASSERT_TRUE(pumpUntil([&] { return preview_->counted(); }));
    const auto whole = printed();
    const int count = preview_->pages()->pageCount();
    ASSERT_EQ(static_cast<int>(whole.size()), count) << "the preview shows the pages printed";
    ASSERT_GT(count, 20);
    const int chosen = std::uniform_int_distribution<int>(1, count - 2)(random);
    SCOPED_TRACE("page " + std::to_string(chosen + 1) + " of " + std::to_string(count));

    preview_->pageNumber()->setValue(chosen + 1);
    EXPECT_EQ(preview_->pages()->currentPage(), chosen);
    const int readsBefore = list_->reads;
    const std::string page = shown(chosen);
    EXPECT_LE(list_->reads - readsBefore, 3) << "a page reads its own items only";
    EXPECT_EQ(page, whole[chosen]);
    EXPECT_NE(page.find("Page " + std::to_string(chosen + 1)), std::string::npos);
    EXPECT_NE(page.find("Code"), std::string::npos) << "the headings on every page";

    preview_->action(QStringLiteral("&Last Page"))->trigger();
    EXPECT_EQ(preview_->pages()->currentPage(), count - 1);
    const std::string last = shown(count - 1);
    EXPECT_EQ(last, whole.back());
    EXPECT_NE(last.find(code(kItems)), std::string::npos) << "the last item on the last page";
    EXPECT_EQ(whole[count - 2].find(code(kItems)), std::string::npos);
    EXPECT_LE(preview_->pages()->heldPages(), 8) << "only the pages around the one in sight";
  }

  fesk::test::TemporaryDirectory directory_{"fesk-preview"};
  std::filesystem::path pdf_;
  QString writerFile_;
  std::unique_ptr<Desktop> desktop_;
  std::shared_ptr<NumberedList> list_;
  PrintPreviewWindow* preview_ = nullptr;
};

TEST_F(PrintPreview, PagesShownAreThePagesPrintedOnEitherPageSetUp) {
  ASSERT_NE(preview_, nullptr);
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  preview_->resize(600, 800);
  preview_->show();
  checkPages(random);
  const int portraitPages = preview_->pages()->pageCount();

  // A5 landscape through the preview's own Page Setup: laid out again.
  preview_->action(QStringLiteral("Page &Setup..."))->trigger();
  auto* setup = preview_->findChild<PageSetupDialog*>();
  ASSERT_NE(setup, nullptr);
  setup->paperChoice()->setCurrentIndex(setup->paperChoice()->findData(QPageSize::A5));
  setup->landscapeChoice()->setChecked(true);
  setup->accept();
  EXPECT_EQ(desktop_->printer().pageLayout().pageSize().id(), QPageSize::A5);
  EXPECT_FALSE(preview_->counted()) << "the pages are laid out again";
  checkPages(random);
  EXPECT_GT(preview_->pages()->pageCount(), portraitPages) << "a smaller page, more pages";

  preview_->action(QStringLiteral("&Close"))->trigger();
  EXPECT_TRUE(list_->closed) << "the procedure that showed the list goes on";
}

TEST_F(PrintPreview, CancelWhileThePagesAreCountedClosesThePreview) {
  ASSERT_NE(preview_, nullptr);
  EXPECT_FALSE(preview_->counted());
  QProgressDialog* progress = preview_->countProgress();
  ASSERT_NE(progress, nullptr) << "counting reports its progress";
  auto* cancel = progress->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  cancel->click();
  EXPECT_TRUE(pumpUntil([&] { return list_->closed.load(); }));
  EXPECT_TRUE(pumpUntil([&] { return desktop_->printPreview() == nullptr; }));
}

}  // namespace
}  // namespace fesk::qt::test
