// Exporting a file as CSV through the file layer: what a spreadsheet gets, in
// the order asked for, a page at a time and stoppable.

#include "records/csv_export.h"

#include <gtest/gtest.h>

#include <sstream>

#include "data/data_files.h"
#include "data/data_test_support.h"
#include "records/csv_import.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

using records::exportCsv;

class CsvExportTest : public DataTest {};

TEST_F(CsvExportTest, WritesTheHeaderAndQuotesOnlyWhatMustBe) {
  seed({{"B2", "Smith, Jane"},
        {"A1", "say \"hi\""},
        {"C3", "Zoë 東京"},
        {"  D4", "line\nbreak"},
        {"E5", "Ærø"}},
       {});
  std::ostringstream out;
  const auto byName = exportCsv(FESK1, FES_KEYNAME, out);
  ASSERT_TRUE(byName.done) << byName.why;
  EXPECT_EQ(byName.records, 5u);
  EXPECT_EQ(out.str(),
            "CODE,NAME\r\n"
            "  D4,\"line\nbreak\"\r\n"
            "A1,\"say \"\"hi\"\"\"\r\n"
            "B2,\"Smith, Jane\"\r\n"
            "C3,Zoë 東京\r\n"
            "E5,Ærø\r\n")
      << "names order case-insensitively byte-wise; trailing blanks are not written";
  EXPECT_FALSE(FESK1.isOpen()) << "a file the export opened is closed again";
}

TEST_F(CsvExportTest, AFileNotCreatedYetIsItsHeaderAlone) {
  std::ostringstream out;
  const auto outcome = exportCsv(FESK2, FS2_KEYCODE, out);
  EXPECT_TRUE(outcome.done) << outcome.why;
  EXPECT_EQ(out.str(), "CODE,NUMBER\r\n");
}

// Adds 1200 FESK1 records N10000... (to those there are), then exports
// FESK1 by code, stopped by the progress callback at its second look: the
// counts it was told after each page, and the CSV written.
std::vector<std::uint64_t> exportStoppedAtTheSecondPage(records::ExportOutcome& outcome,
                                                        std::string& text) {
  std::string csv = "CODE,NAME\n";
  for (int i = 0; i < 1200; ++i) csv += "N" + std::to_string(10000 + i) + ",x\n";
  std::istringstream in(csv);
  EXPECT_TRUE(records::importCsv(FESK1, in).stored);
  std::vector<std::uint64_t> told;
  std::ostringstream out;
  outcome = exportCsv(FESK1, FES_KEYCODE, out, [&](std::uint64_t written) {
    told.push_back(written);
    return told.size() < 2;
  });
  text = out.str();
  return told;
}

TEST_F(CsvExportTest, ProgressComesAfterEveryPageAndCanStopTheExport) {
  records::ExportOutcome outcome;
  std::string text;
  const auto told = exportStoppedAtTheSecondPage(outcome, text);
  EXPECT_FALSE(outcome.done);
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(told, (std::vector<std::uint64_t>{500, 1000}));
  EXPECT_EQ(outcome.records, 1000u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1001);
  EXPECT_NE(text.find("N10999,x\r\n"), std::string::npos);
  EXPECT_EQ(text.find("N11000"), std::string::npos);
}

TEST_F(CsvExportTest, AFailedReadIsReportedWithTheFileAndTheReason) {
  seed({{"A", "a"}, {"B", "b"}}, {});
  useFaultDriver();
  faults_.failOn(apprt::DriverOperation::kRead, apprt::kDriverError, 2);
  std::ostringstream out;
  const auto outcome = exportCsv(FESK1, FES_KEYCODE, out);
  EXPECT_FALSE(outcome.done);
  EXPECT_EQ(outcome.why, "cannot read FESK1: File Driver Error (90): injected failure");
  EXPECT_FALSE(FESK1.isOpen());
}

class CsvExportEveryDriverTest : public EveryDriverDataTest {};

// Every driver, read record by record or at once, gives the same rows in the
// same order, escapes and all, and stops after the page the callback refuses.
TEST_P(CsvExportEveryDriverTest, EveryDriverWritesTheSameRowsAndStopsWhenAsked) {
  seed({{"b2", "tab\there"}, {"B1", "back\\slash \\N"}, {"a", "line\nbreak, and \"so\""}},
       {{"b2", "2"}, {"B1", "7"}, {"b2", "1"}});
  std::ostringstream byName;
  ASSERT_TRUE(exportCsv(FESK1, FES_KEYNAME, byName).done);
  EXPECT_EQ(byName.str(),
            "CODE,NAME\r\n"
            "B1,back\\slash \\N\r\n"
            "a,\"line\nbreak, and \"\"so\"\"\"\r\n"
            "b2,tab\there\r\n");
  std::ostringstream children;
  ASSERT_TRUE(exportCsv(FESK2, FS2_KEYCODE, children).done);
  EXPECT_EQ(children.str(), "CODE,NUMBER\r\nB1,7\r\nb2,2\r\nb2,1\r\n")
      << "equal keys keep the order they were added in";

  records::ExportOutcome outcome;
  std::string text;
  EXPECT_EQ(exportStoppedAtTheSecondPage(outcome, text), (std::vector<std::uint64_t>{500, 1000}));
  EXPECT_TRUE(outcome.stopped);
  EXPECT_EQ(outcome.records, 1000u);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1002)
      << "the header, 1000 rows, and a line "
         "break inside a value";
  std::ostringstream all;
  const auto again = exportCsv(FESK1, FES_KEYCODE, all);
  EXPECT_TRUE(again.done) << again.why;
  EXPECT_EQ(again.records, 1203u) << "the file reads whole after a stop";
}

INSTANTIATE_TEST_SUITE_P(Drivers, CsvExportEveryDriverTest, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
