// The printed list as `fesk report --pdf` writes it, read back with pdftotext
// the way a person reads the paper: every record in the order of the key,
// each FESK2 number under its record, the header and the page number on every
// page, on the paper of the locale. A list that cannot be written leaves the
// file that was there before.

#ifdef FESK_PROGRAM

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "command_output.h"
#include "data/data_files.h"
#include "desktop_fixture.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "records/report_list.h"
#include "runtime/files/data_directory.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_transaction.h"
#include "support/temporary_directory.h"
#include "ui/qt/pdf_file.h"

namespace fesk::qt::test {
namespace {

namespace fs = std::filesystem;
using records::ListOrder;
using records::printDate;

constexpr int kRecords = 40;
constexpr int kLongRecord = 20;  // its numbers fill more than a page
constexpr int kLongNumbers = 70;

std::string code(int n) {
  char text[8];
  std::snprintf(text, sizeof text, "C%03d", n);
  return text;
}

// Names sort the other way round from codes; two are not ASCII.
std::string nameOf(int n) {
  if (n == 7) return "Émile Zoë";
  if (n == 8) return "Αθήνα Office";
  char text[16];
  std::snprintf(text, sizeof text, "Name %02d", kRecords + 1 - n);
  return text;
}

int numbersOf(int n) {
  return n == kLongRecord ? kLongNumbers : n % 3;
}

std::string number(int n, int k) {
  return "N" + code(n).substr(1) + "-" + std::to_string(k);
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What a reader finds on the paper: the records in the order printed, the
// numbers printed under each, the records named again on a new page.
struct Paper {
  std::vector<std::pair<std::string, std::string>> records;
  std::map<std::string, std::vector<std::string>> numbers;
  std::vector<std::string> continued;
};

Paper read(const std::vector<std::string>& lines) {
  static const std::regex record(R"(^\s*(C\d{3})\s+(.*?)( \(continued\))?\s*$)");
  static const std::regex numberLine(R"(^\s+(N\d{3}-\d+)\s*$)");
  Paper paper;
  std::string under;
  for (const std::string& line : lines) {
    std::smatch m;
    if (std::regex_match(line, m, record)) {
      under = m[1];
      if (m[3].matched)
        paper.continued.push_back(under);
      else
        paper.records.emplace_back(m[1], m[2]);
    } else if (std::regex_match(line, m, numberLine)) {
      paper.numbers[under].push_back(m[1]);
    }
  }
  return paper;
}

class PrintedListPdf : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apprt::setDataDirectory(directory_.path()));
    bindDataFiles(sqlite::defaultDriver());
    FESK1.create();
    FESK2.create();
    FESK1.open(apprt::kOpenSharedReadWrite);
    FESK2.open(apprt::kOpenSharedReadWrite);
    apprt::beginTransaction(5, {&FESK1, &FESK2});  // one write to the disk
    for (int n = 1; n <= kRecords; ++n) {
      FESK1.buffer().CODE = code(n);
      FESK1.buffer().NAME = nameOf(n);
      FESK1.add();
      ASSERT_EQ(apprt::ERRCODE(), 0);
      for (int k = 1; k <= numbersOf(n); ++k) {
        FESK2.buffer().CODE = code(n);
        FESK2.buffer().NUMBER = number(n, k);
        FESK2.add();
        ASSERT_EQ(apprt::ERRCODE(), 0);
      }
    }
    apprt::commitTransaction();
    FESK2.close();
    FESK1.close();
  }

  // Runs the command in a locale; answers its exit status and what it said.
  int report(const std::string& arguments, std::string& said,
             const std::string& locale = "C.UTF-8") {
    int status = 0;
    said = commandOutput("env LC_ALL=" + locale + " " + FESK_PROGRAM + " report --data-dir '" +
                             directory_.path().string() + "' " + arguments + " 2>&1",
                         &status);
    return status;
  }

  // The records in the order of the key, as the file holds them.
  static std::vector<std::pair<std::string, std::string>> inKeyOrder(ListOrder order) {
    std::vector<std::pair<std::string, std::string>> records;
    FESK1.open(apprt::kOpenSharedReadWrite);
    FESK1.setOnKey(order == ListOrder::kName ? FES_KEYNAME : FES_KEYCODE);
    for (FESK1.next(); apprt::ERRCODE() == 0; FESK1.next())
      records.emplace_back(FESK1.buffer().CODE.text(), FESK1.buffer().NAME.text());
    FESK1.close();
    return records;
  }

  fesk::test::TemporaryDirectory directory_{"fesk-pdf"};
};

TEST_F(PrintedListPdf, EveryRecordInKeyOrderWithItsNumbersUnderItOnEveryPage) {
  for (ListOrder order : {ListOrder::kCode, ListOrder::kName}) {
    const std::string word = order == ListOrder::kName ? "name" : "code";
    const fs::path pdf = directory_.path() / ("list-" + word + ".pdf");
    std::string said;
    ASSERT_EQ(report("--order " + word + " --pdf '" + pdf.string() + "'", said), 0) << said;
    EXPECT_EQ(said, "") << "a report that worked says nothing";

    const auto lines = linesOf(commandOutput("pdftotext -layout '" + pdf.string() + "' -"));
    Paper paper = read(lines);
    EXPECT_EQ(paper.records, inKeyOrder(order)) << word;
    for (int n = 1; n <= kRecords; ++n) {
      std::vector<std::string> expected;
      for (int k = 1; k <= numbersOf(n); ++k) expected.push_back(number(n, k));
      EXPECT_EQ(paper.numbers[code(n)], expected) << code(n) << " by " << word;
    }
    EXPECT_EQ(paper.continued, std::vector<std::string>{code(kLongRecord)})
        << "the record whose numbers go on is named again on the next page";

    const std::string info = commandOutput("pdfinfo '" + pdf.string() + "'");
    std::smatch pages;
    ASSERT_TRUE(std::regex_search(info, pages, std::regex(R"(Pages:\s+(\d+))"))) << info;
    const int pageCount = std::stoi(pages[1]);
    EXPECT_GE(pageCount, 2);
    EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
    int titles = 0, dataSets = 0, numbered = 0;
    for (const std::string& line : lines) {
      if (line.find("fesk1 by " + word) != std::string::npos &&
          line.find(printDate()) != std::string::npos)
        ++titles;
      if (line.find("Data set: " + directory_.path().string()) != std::string::npos) ++dataSets;
      if (std::regex_search(line,
                            std::regex("^\\s*Page " + std::to_string(numbered + 1) + "\\s*$")))
        ++numbered;
    }
    EXPECT_EQ(titles, pageCount) << "title and date head every page";
    EXPECT_EQ(dataSets, pageCount);
    EXPECT_EQ(numbered, pageCount) << "the pages are numbered from 1";
  }
}

TEST_F(PrintedListPdf, ThePaperIsTheLocalesAndMistakesAreSaid) {
  const fs::path pdf = directory_.path() / "letter.pdf";
  std::string said;
  ASSERT_EQ(report("--pdf '" + pdf.string() + "'", said, "en_US.UTF-8"), 0) << said;
  EXPECT_NE(commandOutput("pdfinfo '" + pdf.string() + "'").find("(letter)"), std::string::npos);

  EXPECT_EQ(report("--order size --pdf x.pdf", said), 2);
  EXPECT_NE(said.find("--order is code or name, not size"), std::string::npos) << said;
  EXPECT_EQ(report("--order name", said), 2);
  EXPECT_NE(said.find("--pdf PATH"), std::string::npos) << said;
  EXPECT_EQ(report("--pdf '" + (directory_.path() / "none" / "x.pdf").string() + "'", said), 1);
  EXPECT_NE(said.find("cannot write " + (directory_.path() / "none" / "x.pdf").string()),
            std::string::npos)
      << said;
}

// A source whose second block cannot be read.
class FailingSource : public apprt::PrintedListSource {
 public:
  bool read(std::vector<apprt::PrintedItem>& items) override {
    if (blocks_++ > 0) throw apprt::PrintError("cannot read FESK1: Disk Error (90)");
    items = {{{"C001", "One"}, {"N001-1"}}};
    return true;
  }

 private:
  int blocks_ = 0;
};

TEST_F(PrintedListPdf, AFailedWriteLeavesTheFileThatWasThere) {
  ensureApplication();
  const fs::path pdf = directory_.path() / "kept.pdf";
  std::ofstream(pdf) << "the list of last week";
  FailingSource source;
  try {
    writePdfFile(pdf.string(), {"fesk1 by code", "here", "2024-01-01", {"Code", "Name"}}, source);
    ADD_FAILURE() << "the failure was not reported";
  } catch (const apprt::PrintError& e) {
    EXPECT_STREQ(e.what(), "cannot read FESK1: Disk Error (90)");
  }
  std::ifstream kept(pdf);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the list of last week");
  for (const auto& entry : fs::directory_iterator(directory_.path()))
    EXPECT_EQ(entry.path().extension() == ".part", false) << entry.path();
}

}  // namespace
}  // namespace fesk::qt::test

#endif  // FESK_PROGRAM
