// Importing CSV into FESK1 and FESK2: every bad row named by its line and
// reason, and either all good rows stored or none.

#include "records/csv_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "data/data_files.h"
#include "data/data_test_support.h"
#include "runtime/files/file_history.h"

namespace fesk::test {
namespace {

using records::importCsv;

std::vector<std::string> badRows(const records::ImportOutcome& outcome) {
  std::vector<std::string> rows;
  for (const auto& bad : outcome.bad) rows.push_back(std::to_string(bad.line) + " " + bad.why);
  return rows;
}

class CsvImportTest : public DataTest {};

TEST_F(CsvImportTest, AHeaderThatDoesNotFitStopsBeforeAnythingIsOpened) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "the CSV is empty: it has no header row"},
      {"CODE,NAEM\n", "line 1: the column \"NAEM\" is no field of FESK1 (CODE, NAME)"},
      {"NAME\n",
       "line 1: the column CODE is missing (FESK1 needs it for its key FES:Keycode) (no comma, "
       "semicolon or tab separates the header's values)"},
      {"CODE,NAME,code\n", "line 1: the column CODE appears twice"},
      {"CODE|NAME\n",
       "line 1: the column \"CODE|NAME\" is no field of FESK1 (CODE, NAME) (no comma, semicolon "
       "or tab separates the header's values)"},
      {"CODE;NAEM\n",
       "line 1: the column \"NAEM\" is no field of FESK1 (CODE, NAME) (the header's values are "
       "separated by semicolons)"},
  };
  for (const auto& [csv, why] : cases) {
    std::istringstream in(csv);
    EXPECT_EQ(importCsv(FESK1, in).why, why);
  }
  EXPECT_FALSE(std::filesystem::exists(dataSet_.directory() / "FESK1.sqlite"));
}

TEST_F(CsvImportTest, ASpreadsheetsSemicolonsOrTabsAreFoundFromTheHeader) {
  // Commas inside values are text once the header chose another separator.
  std::istringstream semicolons(
      "\xEF\xBB\xBF"
      "CODE;NAME\r\nA1;Martin, Anna\r\n\"B;2\";\"x\"\"y\"\r\n");
  const auto bySemicolons = importCsv(FESK1, semicolons);
  EXPECT_EQ(bySemicolons.why, "");
  EXPECT_EQ(bySemicolons.separator, ';');
  EXPECT_EQ(bySemicolons.added, 2u);

  std::istringstream tabs("NAME\tCODE\nTab;bed, name\tC3\n");
  const auto byTabs = importCsv(FESK1, tabs);
  EXPECT_EQ(byTabs.separator, '\t');
  EXPECT_EQ(byTabs.added, 1u);
  EXPECT_EQ(storedFesk1(),
            (Records{{"A1", "Martin, Anna"}, {"B;2", "x\"y"}, {"C3", "Tab;bed, name"}}));

  // A row that uses another separator than its header is one value short.
  std::istringstream mixed("CODE;NAME\nD4,other\n");
  const auto refused = importCsv(FESK1, mixed);
  EXPECT_FALSE(refused.stored);
  ASSERT_EQ(refused.bad.size(), 1u);
  EXPECT_EQ(refused.bad[0].line, 2u);
}

TEST_F(CsvImportTest, StoppingOrAFailedWriteStoresNothing) {
  std::string csv = "CODE,NAME\n";
  for (int i = 0; i < 1200; ++i) csv += "K" + std::to_string(i) + ",n\n";
  std::istringstream in(csv);
  int calls = 0;
  const auto stopped =
      importCsv(FESK1, in, {.progress = [&](std::uint64_t) { return ++calls < 2; }});
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.why, "stopped after 1000 rows: nothing was stored");
  EXPECT_TRUE(storedFesk1().empty());

  // Storing the rows read takes long here (every one reads the file's list of
  // tables over and over); the progress is asked meanwhile, and a stop cuts
  // the store short. Without it, the only report would be the one before
  // the commit.
  dataSet_.sql("FESK1",
               "CREATE TRIGGER slow_adds AFTER INSERT ON FESK1 BEGIN SELECT count(*) FROM "
               "sqlite_schema a, sqlite_schema b, sqlite_schema c, sqlite_schema d, "
               "sqlite_schema e; END");
  std::istringstream few("CODE,NAME\nK1,n\nK2,n\nK3,n\n");
  calls = 0;
  const auto whileStoring =
      importCsv(FESK1, few, {.progress = [&](std::uint64_t) { return ++calls < 2; }});
  EXPECT_TRUE(whileStoring.stopped);
  EXPECT_EQ(whileStoring.why, "stopped after 3 rows: nothing was stored");
  EXPECT_TRUE(storedFesk1().empty());
  dataSet_.sql("FESK1", "DROP TRIGGER slow_adds");

  useFaultDriver();
  faults_.failOn(apprt::DriverOperation::kAdd, apprt::kDriverError, 700);
  std::istringstream again(csv);
  const auto failed = importCsv(FESK1, again);
  EXPECT_EQ(failed.why, "cannot add line 701 to FESK1: File Driver Error (90): injected failure");
  EXPECT_TRUE(storedFesk1().empty());
}

// On each driver: on a server the rows go at once and are judged together at
// the end, which must find and name the same bad rows, in the order of the
// input among those found as the rows are read.
class CsvImportEveryDriverTest : public EveryDriverDataTest {};

INSTANTIATE_TEST_SUITE_P(Drivers, CsvImportEveryDriverTest, allDrivers(), storeName);

TEST_P(CsvImportEveryDriverTest, EveryBadRowIsListedAndOnlySkippingStoresTheGoodOnes) {
  seed({{"S1", "stored before"}}, {});
  const std::string csv =
      "name,Fes:Code\r\n"                // 1: columns in another order, one with its prefix
      "Alpha,A1\r\n"                     // 2
      "\"Bee, the\",B2\n"                // 3
      "Dup,a1\r\n"                       // 4: the code of line 2 in other letters
      "Again,S1\r\n"                     // 5: the stored record's code
      "Long,C123456789012345678901\r\n"  // 6
      "Bad\xff,C3\r\n"                   // 7
      "Three,C4,extra\r\n"               // 8
      "\"un\"quoted,C5\r\n"              // 9
      "\"two\nlines\",C6\r\n"            // 10 and 11
      "\r\n"
      "Last,C7";  // 13, no line end
  std::istringstream in(csv);
  const auto refused = importCsv(FESK1, in);
  EXPECT_FALSE(refused.stored);
  EXPECT_EQ(refused.added, 0u);
  const std::vector<std::string> expected{
      "4 duplicate FES:Keycode: CODE a1 is also in line 2",
      "5 duplicate FES:Keycode: a record with CODE S1 is already stored",
      "6 CODE is too long (at most 20)",
      "7 text that is not UTF-8 at column 4",
      "8 has 3 values where the header has 2",
      "9 text follows the closing quote of value 1"};
  EXPECT_EQ(badRows(refused), expected);
  EXPECT_EQ(storedFesk1(), (Records{{"S1", "stored before"}})) << "nothing was stored";

  std::istringstream again(csv);
  const auto skipped = importCsv(FESK1, again, {.skipBad = true});
  EXPECT_TRUE(skipped.stored);
  EXPECT_EQ(skipped.added, 4u);
  EXPECT_EQ(badRows(skipped), expected);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"},
                                    {"B2", "Bee, the"},
                                    {"C6", "two\nlines"},
                                    {"C7", "Last"},
                                    {"S1", "stored before"}}));
}

TEST_P(CsvImportEveryDriverTest, AFesk2RowNeedsTheFesk1RecordOfItsCode) {
  seed({{"P1", "parent"}}, {});
  std::istringstream in("CODE,NUMBER\np1,1\nP1,2\nQ9,3\n");
  const auto outcome = importCsv(FESK2, in, {.skipBad = true});
  EXPECT_EQ(badRows(outcome), std::vector<std::string>{"4 no FESK1 record has CODE Q9"});
  EXPECT_EQ(storedFesk2(), (Records{{"p1", "1"}, {"P1", "2"}}))
      << "children belong to their parent as the cascades find them: letter case aside";
}

// An empty CODE and a CODE of blanks are the same blank code, as the forms
// store it: one FESK1 record may have it, its FESK2 records follow it, and a
// second is a duplicate however it is written; the messages name it.
TEST_P(CsvImportEveryDriverTest, EmptyAndBlankCodesAreOneBlankCodeAsInTheForms) {
  seed({{"S1", "stored before"}}, {});
  std::istringstream parents("CODE,NAME\n,empty\n\" \",one blank\n\"   \",three\n");
  const auto first = importCsv(FESK1, parents, {.skipBad = true});
  EXPECT_EQ(badRows(first),
            (std::vector<std::string>{"3 duplicate FES:Keycode: CODE (blank) is also in line 2",
                                      "4 duplicate FES:Keycode: CODE (blank) is also in line 2"}));
  std::istringstream again("CODE,NAME\n\" \",again\n");
  EXPECT_EQ(badRows(importCsv(FESK1, again)),
            std::vector<std::string>{
                "2 duplicate FES:Keycode: a record with CODE (blank) is already stored"});
  EXPECT_EQ(storedFesk1(), (Records{{"", "empty"}, {"S1", "stored before"}}));

  std::istringstream children("CODE,NUMBER\n,1\n\" \",2\n");
  EXPECT_TRUE(badRows(importCsv(FESK2, children)).empty());
  EXPECT_EQ(storedFesk2(), (Records{{"", "1"}, {"", "2"}}));
}

// Another tool may have stored a code with trailing blanks ("S2 "): by the
// files' rule it is the code S2, so an imported S2 duplicates it, in any case,
// and is the parent of FESK2 records coded S2.
TEST_P(CsvImportEveryDriverTest, ACodeStoredWithTrailingBlanksIsDuplicatedByTheBareCode) {
  if (!can(GetParam(), Capability::kOutsideStatements)) GTEST_SKIP() << "no other program";
  seed({{"S1", "stored before"}}, {});
  dataSet_.sql("FESK1", "INSERT INTO fesk1 (code, name) VALUES ('S2  ', 'by another tool')");
  std::istringstream in("CODE,NAME\nS3,new\ns2,again\n");
  const auto outcome = importCsv(FESK1, in);
  EXPECT_FALSE(outcome.stored);
  EXPECT_EQ(
      badRows(outcome),
      std::vector<std::string>{"3 duplicate FES:Keycode: a record with CODE s2 is already stored"});
  EXPECT_EQ(storedFesk1().size(), 2u) << "nothing was stored";
  std::istringstream children("CODE,NUMBER\ns2,1\n");
  EXPECT_TRUE(badRows(importCsv(FESK2, children)).empty()) << "its FESK2 records have a parent";
  EXPECT_EQ(storedFesk2(), (Records{{"s2", "1"}}));
}

// Earlier rows of the file are found through the file's own key inside the
// import's transaction; the line they came from must still be named, also
// after rows that break the run of lines (bad rows, empty lines, values over
// several lines), and lengths are counted in characters.
TEST_P(CsvImportEveryDriverTest, DuplicatesNameTheLineOfTheEarlierRowAcrossLongFiles) {
  seed({{"S1", "stored before"}}, {});
  std::string csv = "CODE,NAME\n";                                                // line 1
  for (int row = 0; row < 600; ++row) csv += "R" + std::to_string(row) + ",n\n";  // lines 2-601
  csv +=
      "\"M\nL\",two lines\n"                // 602-603
      "\n"                                  // 604
      "R5,again\n"                          // 605
      "ÄÖÜäöüÀÉÈÊËÎÏÔŒÙÛŸÇß,twenty\n"       // 606: 20 characters, 40 bytes
      "ÄÖÜäöüÀÉÈÊËÎÏÔŒÙÛŸÇßx,twenty-one\n"  // 607
      "T,after\n"                           // 608
      "m\nl,case\n"                         // 609: one value; 610 adds L
      "t,case\n"                            // 611
      "s1,stored\n"                         // 612
      "r599,first run end\n";               // 613
  std::istringstream in(csv);
  const auto outcome = records::importCsv(FESK1, in, {.skipBad = true});
  ASSERT_TRUE(outcome.stored) << outcome.why;
  EXPECT_EQ(outcome.added, 600u + 4u);
  EXPECT_EQ(badRows(outcome),
            (std::vector<std::string>{
                "605 duplicate FES:Keycode: CODE R5 is also in line 7",
                "607 CODE is too long (at most 20)", "609 has 1 value where the header has 2",
                "611 duplicate FES:Keycode: CODE t is also in line 608",
                "612 duplicate FES:Keycode: a record with CODE s1 is already stored",
                "613 duplicate FES:Keycode: CODE r599 is also in line 601"}));
}

// The codes of the "add" entries in FESK1's history, each as often as it has
// one; false when the driver keeps no history.
bool addedCodes(std::map<std::string, int>& codes) {
  FESK1.open(apprt::kOpenSharedReadOnly);
  const bool kept =
      apprt::readHistory(FESK1, apprt::HistoryRead{}, [&](const apprt::HistoryEntry& entry) {
        if (entry.action == "add") ++codes[entry.after.at(0)];
        return true;
      });
  FESK1.close();
  return kept;
}

// Every FESK1 record in the order of the name key.
Records fesk1ByName() {
  Records records;
  FESK1.open(apprt::kOpenSharedReadOnly);
  FESK1.setOnKey(FES_KEYNAME);
  for (FESK1.next(); apprt::ERRCODE() == apprt::kNoError; FESK1.next()) {
    records.emplace_back(FESK1.field(0).text(), FESK1.field(1).text());
  }
  FESK1.close();
  return records;
}

// A few rows into a file that holds more records than they are: rows that
// repeat each other or a stored record are refused by their line, and each
// good row is stored once, with one history entry, however the repeats
// were found.
TEST_P(CsvImportEveryDriverTest, AFewRowsIntoALargerFileAreJudgedAgainstEachOtherAndTheStored) {
  seed({{"S1", "one"},
        {"S2", "two"},
        {"S3", "three"},
        {"S4", "four"},
        {"S5", "five"},
        {"S6", "six"},
        {"S7", "seven"}},
       {});
  std::istringstream in("CODE,NAME\nN1,new\ns3,stored\nN2,other\nn1,again\nN1,thrice\n");
  const auto outcome = importCsv(FESK1, in, {.skipBad = true});
  ASSERT_TRUE(outcome.stored) << outcome.why;
  EXPECT_EQ(outcome.added, 2u);
  EXPECT_EQ(
      badRows(outcome),
      (std::vector<std::string>{"3 duplicate FES:Keycode: a record with CODE s3 is already stored",
                                "5 duplicate FES:Keycode: CODE n1 is also in line 2",
                                "6 duplicate FES:Keycode: CODE N1 is also in line 2"}));
  EXPECT_EQ(storedFesk1(), (Records{{"N1", "new"},
                                    {"N2", "other"},
                                    {"S1", "one"},
                                    {"S2", "two"},
                                    {"S3", "three"},
                                    {"S4", "four"},
                                    {"S5", "five"},
                                    {"S6", "six"},
                                    {"S7", "seven"}}));
  std::map<std::string, int> added;
  if (addedCodes(added)) {
    EXPECT_EQ(added["N1"], 1);
    EXPECT_EQ(added["N2"], 1);
  } else {
    EXPECT_EQ(GetParam(), Store::kMemory) << "the driver keeps a history";
  }
}

// Rows into an empty file, which may take its keys made again after the
// rows are in: both of FESK1's keys read every record, the file opens again
// as declared, and FESK2 records of one code read in the order sent.
TEST_P(CsvImportEveryDriverTest, RowsIntoAnEmptyFileLeaveEveryKeyWhole) {
  std::string csv = "CODE,NAME\n";
  Records byCode;
  for (int row = 0; row < 300; ++row) {
    const std::string code = "C" + std::to_string(1000 + row * 7 % 300);
    const std::string name = row % 2 ? "odd" : "even " + std::to_string(row);
    csv += code + "," + name + "\n";
    byCode.emplace_back(code, name);
  }
  std::istringstream in(csv);
  const auto outcome = importCsv(FESK1, in);
  ASSERT_TRUE(outcome.stored) << outcome.why;
  std::ranges::sort(byCode);
  EXPECT_EQ(storedFesk1(), byCode);
  Records byName = fesk1ByName();
  EXPECT_EQ(byName.size(), byCode.size());
  EXPECT_TRUE(std::ranges::is_sorted(byName, {}, &Records::value_type::second)) << "name order";
  std::ranges::sort(byName);
  EXPECT_EQ(byName, byCode);

  std::istringstream children("CODE,NUMBER\nC1001,1\nC1000,2\nC1002,3\nc1001,4\n");
  ASSERT_TRUE(importCsv(FESK2, children).stored);
  EXPECT_EQ(storedFesk2(),
            (Records{{"C1000", "2"}, {"C1001", "1"}, {"c1001", "4"}, {"C1002", "3"}}))
      << "equal codes in the order sent";
}

// Rows into a large file, as many as it holds (its keys may be made again
// after them) and then a few (they go into its keys as they stand): a stored
// code (also one stored with trailing blanks by another tool) and a repeat
// among the rows are refused by their lines, every good row is stored once
// with one history entry, and every key reads them all.
TEST_F(CsvImportTest, RowsIntoALargeFileAreJudgedAndEveryKeyHoldsThem) {
  constexpr int kRows = 12000;
  seed({}, {});
  runSql(FESK1, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kRows) +
                    ") INSERT INTO FESK1 (CODE, NAME) SELECT 'S' || i, 'stored' FROM n; INSERT "
                    "INTO FESK1 (CODE, NAME) VALUES ('P1  ', 'by another tool')");
  std::string csv = "CODE,NAME\n";
  for (int row = 0; row < kRows; ++row) csv += "N" + std::to_string(row) + ",new\n";
  csv += "s77,again\np1,again\nn5,again\n";  // lines 12002 to 12004
  std::istringstream in(csv);
  const auto outcome = importCsv(FESK1, in, {.skipBad = true});
  ASSERT_TRUE(outcome.stored) << outcome.why;
  EXPECT_EQ(outcome.added, static_cast<std::uint64_t>(kRows));
  EXPECT_EQ(badRows(outcome),
            (std::vector<std::string>{
                "12002 duplicate FES:Keycode: a record with CODE s77 is already stored",
                "12003 duplicate FES:Keycode: a record with CODE p1 is already stored",
                "12004 duplicate FES:Keycode: CODE n5 is also in line 7"}));
  constexpr std::size_t kAll = 2 * kRows + 1;
  EXPECT_EQ(storedFesk1().size(), kAll);
  EXPECT_EQ(fesk1ByName().size(), kAll);
  std::map<std::string, int> added;
  ASSERT_TRUE(addedCodes(added));
  int newCodes = 0;
  for (const auto& [code, entries] : added) {
    if (!code.starts_with("N")) continue;
    ++newCodes;
    EXPECT_EQ(entries, 1) << code;
  }
  EXPECT_EQ(newCodes, kRows);

  std::istringstream few("CODE,NAME\nX1,new\nN1,stored\nx1,again\n");
  EXPECT_EQ(
      badRows(importCsv(FESK1, few, {.skipBad = true})),
      (std::vector<std::string>{"3 duplicate FES:Keycode: a record with CODE N1 is already stored",
                                "4 duplicate FES:Keycode: CODE x1 is also in line 2"}));
  EXPECT_EQ(storedFesk1().size(), kAll + 1);
  EXPECT_EQ(fesk1ByName().size(), kAll + 1);
}

// As many rows as a file of many records holds: its keys are dropped and
// made again around the rows, in the pages they took, all inside the
// import's transaction; that must store them like any other pages.
TEST_F(CsvImportTest, RowsAreStoredWhereTheKeysThatAreMadeAgainWere) {
  constexpr int kRows = 50000;
  seed({}, {});
  runSql(FESK1, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                    std::to_string(kRows) +
                    ") INSERT INTO FESK1 (CODE, NAME) SELECT 'S' || i, 'stored name ' || i FROM n");
  std::string csv = "CODE,NAME\n";
  for (int row = 0; row < kRows; ++row) {
    csv += "R" + std::to_string(row * 7919 % kRows) + ",new name " + std::to_string(row) + "\n";
  }
  std::istringstream in(csv);
  const auto outcome = importCsv(FESK1, in);
  ASSERT_TRUE(outcome.stored) << outcome.why;
  EXPECT_EQ(storedFesk1().size(), static_cast<std::size_t>(2 * kRows));
}

// Rows refused by SQLite itself (its unique index), deep in an import far
// larger than what it keeps in memory, undo only themselves: every other row
// is stored once, with one history entry each, and the refused are named.
TEST_F(CsvImportTest, RowsRefusedDeepInALongImportUndoOnlyThemselves) {
  constexpr int kRows = 20000;
  std::string csv = "CODE,NAME\n";
  Records expected;
  std::vector<std::string> expectedBad;
  for (int row = 0; row < kRows; ++row) {
    const std::string code = "K" + std::to_string(row * 7919 % kRows);
    const std::string name = "name of row " + std::to_string(row);
    csv += code + "," + name + "\n";
    expected.emplace_back(code, name);
    if (row % 2500 == 2499) {
      // The code of the row 1,000 rows before, in other letters.
      const int earlier = row - 1000;
      const std::string again = "k" + std::to_string(earlier * 7919 % kRows);
      csv += again + ",again\n";
      expectedBad.push_back(std::to_string(row + 3 + row / 2500) + " duplicate FES:Keycode: CODE " +
                            again + " is also in line " +
                            std::to_string(earlier + 2 + earlier / 2500));
    }
  }
  std::istringstream in(csv);
  const auto outcome = importCsv(FESK1, in, {.skipBad = true});
  ASSERT_TRUE(outcome.stored) << outcome.why;
  EXPECT_EQ(outcome.added, static_cast<std::uint64_t>(kRows));
  EXPECT_EQ(badRows(outcome), expectedBad);
  Records stored = storedFesk1();
  std::ranges::sort(stored);
  std::ranges::sort(expected);
  EXPECT_EQ(stored, expected);

  FESK1.open(apprt::kOpenSharedReadOnly);
  std::map<std::string, int> actions;
  const bool kept =
      apprt::readHistory(FESK1, apprt::HistoryRead{}, [&](const apprt::HistoryEntry& entry) {
        ++actions[entry.action];
        return true;
      });
  FESK1.close();
  EXPECT_TRUE(kept);
  EXPECT_EQ(actions, (std::map<std::string, int>{{"add", kRows}}));
}

}  // namespace
}  // namespace fesk::test
