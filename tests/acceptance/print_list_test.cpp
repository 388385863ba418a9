// File > Print List... prints every FESK1 record with its FESK2 numbers, in
// the order of the browse window in front: as a print preview where the
// front-end has one, else as a PDF file the user names. A list that cannot be
// read or written is reported, and nothing is shown or written.

#include "acceptance_support.h"
#include "app/output/pdf_output.h"
#include "data/data_files.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/errors.h"
#include "support/file_fault_driver.h"

namespace fesk::test {
namespace {

using apprt::PrintedItem;
using headless::Session;

const std::string kPrintList = "&Print List...";

// Names sort the other way round from codes.
const Records kFesk1 = {{"A1", "Zulu"}, {"B2", "Yankee"}, {"C3", "Xray"}};
const Records kFesk2 = {{"A1", "n1"}, {"C3", "n3"}, {"a1", "n2"}};

const std::vector<PrintedItem> kByCode = {
    {{"A1", "Zulu"}, {"n1", "n2"}}, {{"B2", "Yankee"}, {}}, {{"C3", "Xray"}, {"n3"}}};
const std::vector<PrintedItem> kByName = {kByCode[2], kByCode[1], kByCode[0]};

// What the PDF writer was handed, for the runs that write a file.
struct WrittenPdf {
  std::string path;
  std::string title;
  std::vector<PrintedItem> items;
};
std::vector<WrittenPdf> gWritten;

void recordPdf(const std::string& path, const apprt::PrintedListHeader& header,
               apprt::PrintedListSource& source) {
  WrittenPdf pdf{path, header.title, {}};
  for (std::vector<PrintedItem> block; source.read(block);)
    pdf.items.insert(pdf.items.end(), block.begin(), block.end());
  gWritten.push_back(std::move(pdf));
}

void failToWrite(const std::string& path, const apprt::PrintedListHeader&,
                 apprt::PrintedListSource&) {
  throw apprt::PrintError("cannot write " + path + ": No space left on device");
}

class PrintList : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed(kFesk1, kFesk2);
    gWritten.clear();
  }
  void TearDown() override {
    installPdfWriter(nullptr);
    AcceptanceTest::TearDown();
  }

  static std::vector<std::string> boxTexts(Session& user) {
    std::vector<std::string> texts;
    for (const auto& box : user.frontEnd().messageBoxes()) texts.push_back(box.request.text);
    return texts;
  }
};

TEST_F(PrintList, ThePreviewFollowsTheOrderOfTheBrowseInFront) {
  std::vector<apprt::PrintedList> previews;
  const int exitCode = runProgram([&](Session& user) {
    user.frontEnd().showPrintPreviews(true);
    user.menu(kPrintList);  // no browse is open: code order

    user.menu("&fesk");
    user.useWindow(kBrowseTitle);
    const int byName = user.current().handle;
    user.tab("FES:Keyname");
    user.menu(kPrintList);

    user.menu("&fesk");  // a second browse, in code order, comes to the front
    user.menu(kPrintList);

    user.useWindow(byName);
    user.menu(kPrintList);
    previews = user.frontEnd().printPreviews();
    EXPECT_TRUE(user.frontEnd().errors().empty());
  });
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(previews.size(), 4u);
  EXPECT_EQ(previews[0].items, kByCode);
  EXPECT_EQ(previews[1].items, kByName);
  EXPECT_EQ(previews[2].items, kByCode);
  EXPECT_EQ(previews[3].items, kByName);
  EXPECT_EQ(previews[0].header.title, "fesk1 by code");
  EXPECT_EQ(previews[1].header.title, "fesk1 by name");
  EXPECT_EQ(previews[1].header.headings, (std::vector<std::string>{"Code", "Name"}));
  EXPECT_EQ(previews[1].header.dataSet, dataSet_.directory().string());
}

TEST_F(PrintList, WithoutAPreviewTheListIsWrittenToTheFileTheUserNames) {
  const int exitCode = runProgram([&](Session& user) {
    installPdfWriter(recordPdf);
    user.frontEnd().answerSavePath("");  // cancelled: nothing is written
    user.menu(kPrintList);
    user.frontEnd().answerSavePath("/tmp/list.pdf");
    user.answer(apprt::kButtonOk);
    user.menu(kPrintList);

    installPdfWriter(failToWrite);
    user.frontEnd().answerSavePath("/full/list.pdf");
    user.answer(apprt::kButtonOk);
    user.menu(kPrintList);

    installPdfWriter(nullptr);
    user.frontEnd().answerSavePath("/tmp/list.pdf");
    user.answer(apprt::kButtonOk);
    user.menu(kPrintList);

    const auto asked = user.frontEnd().savePathRequests();
    ASSERT_EQ(asked.size(), 4u);
    EXPECT_EQ(asked[0].suggestedName, "fesk1.pdf");
    EXPECT_EQ(asked[0].extension, "pdf");
    EXPECT_EQ(boxTexts(user),
              (std::vector<std::string>{
                  "The list was written to /tmp/list.pdf.",
                  "cannot write /full/list.pdf: No space left on device",
                  "this build of fesk cannot write PDF files (it was built without Qt 6)"}));
    EXPECT_TRUE(user.frontEnd().errors().empty());
    EXPECT_TRUE(user.frontEnd().printPreviews().empty());
  });
  EXPECT_EQ(exitCode, 0);
  ASSERT_EQ(gWritten.size(), 1u);
  EXPECT_EQ(gWritten[0].path, "/tmp/list.pdf");
  EXPECT_EQ(gWritten[0].title, "fesk1 by code");
  EXPECT_EQ(gWritten[0].items, kByCode);
}

TEST_F(PrintList, AListThatCannotBeReadIsReportedAndNotShown) {
  apprt::FaultDriver faults(sqlite::defaultDriver());
  FESK1.bindDriver(faults);
  FESK2.bindDriver(faults);
  // The first record is read; the read of its numbers fails.
  faults.failOn(apprt::DriverOperation::kRead, apprt::kDriverError, 2);
  const int exitCode = runProgram([&](Session& user) {
    user.frontEnd().showPrintPreviews(true);
    user.answer(apprt::kButtonOk);
    user.menu(kPrintList);
    const auto texts = boxTexts(user);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("cannot read FESK2: ", 0), 0u) << texts[0];
    EXPECT_TRUE(user.frontEnd().printPreviews().empty());
  });
  FESK1.bindDriver(sqlite::defaultDriver());
  FESK2.bindDriver(sqlite::defaultDriver());
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace fesk::test
