// The export, import and copy commands as a user runs them: files round-trip
// byte for byte, a bad row stores nothing unless asked, Ctrl+C stores nothing.

#include <gtest/gtest.h>
#include <signal.h>

#include "data/data_files.h"
#include "data/data_test_support.h"
#include "records/fesk_process.h"
#include "support/temporary_directory.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

// A name of 20 characters, most of them two bytes long.
constexpr std::string_view kLongName = "Ångström-Éléonore Zü";

class RecordCommandsTest : public DataTest {
 protected:
  std::string dataDir() const { return "--data-dir=" + dataSet_.directory().string(); }
  TemporaryDirectory scratchDirectory_;
  const std::filesystem::path& scratch_ = scratchDirectory_.path();
};

FeskRun exportOf(const std::string& file, const std::filesystem::path& directory,
                 const std::string& order = "code") {
  return runFesk({"export", file, "--order", order, "--data-dir", directory.string()});
}

TEST_F(RecordCommandsTest, ExportedFilesImportedElsewhereExportByteForByteAlike) {
  seed({{"A,1", "Smith, \"Jo\""},
        {"  lead", "Zoë 東京 ☃"},
        {"L", std::string(kLongName)},
        {"N", "two\r\nlines"},
        {"b", "same"},
        {"a", "same"}},
       {{"A,1", "10"}, {"a", "\"7\""}, {"A,1", "2"}, {"L", "é"}});
  // Records with equal names keep their order only through a CSV in name order.
  for (const std::string order : {"name", "code"}) {
    const auto copy = scratch_ / order;
    for (const std::string file : {"FESK1", "FESK2"}) {
      const auto csv = scratch_ / (file + order + ".csv");
      const auto exported = runFesk({"export", file, "--order", file == "FESK1" ? order : "code",
                                     "--output", csv.string(), dataDir()});
      ASSERT_EQ(exported.status, 0) << exported.err;
      const auto imported = runFesk({"import", file, csv.string(), "--data-dir", copy.string()});
      ASSERT_EQ(imported.status, 0) << imported.err;
      EXPECT_EQ(exportOf(file, copy, file == "FESK1" ? order : "code").out, readText(csv))
          << file << " by " << order;
    }
  }
  const auto byName = readText(scratch_ / "FESK1name.csv");
  EXPECT_NE(byName.find("b,same\r\na,same\r\n"), std::string::npos);
  EXPECT_NE(byName.find("\"A,1\",\"Smith, \"\"Jo\"\"\""), std::string::npos);
  EXPECT_NE(byName.find(kLongName), std::string::npos) << "a 20-character name is whole";
}

TEST_F(RecordCommandsTest, ADuplicateInLine5000Of10000StoresNothingUnlessSkipped) {
  std::string csv = "CODE,NAME\r\n";
  for (int row = 0; row < 10000; ++row) {
    const int code = row == 4998 ? 4997 : row;  // line 5000 repeats line 4999
    csv += "C" + std::to_string(100000 + code) + ",name " + std::to_string(row) + "\r\n";
  }
  const auto path = scratch_ / "rows.csv";
  writeText(path, csv);
  const auto refused = runFesk({"import", "FESK1", path.string(), dataDir()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "line 5000: duplicate FES:Keycode: CODE C104997 is also in line 4999\n"
            "fesk import: 1 bad row, so nothing was stored (--skip-bad stores the others)\n");
  EXPECT_EQ(exportOf("FESK1", dataSet_.directory()).out, "CODE,NAME\r\n");

  const auto skipped = runFesk({"import", "FESK1", path.string(), "--skip-bad", dataDir()});
  EXPECT_EQ(skipped.status, 1) << "rows were refused: " << skipped.err;
  EXPECT_EQ(skipped.out, "Added 9999 records to FESK1; skipped 1 bad row.\n");
  const auto stored = exportOf("FESK1", dataSet_.directory()).out;
  EXPECT_EQ(std::count(stored.begin(), stored.end(), '\n'), 10000);
}

TEST_F(RecordCommandsTest, CtrlCInTheMiddleOfAnImportStoresNothing) {
  FeskProcess import({"import", "FESK1", "-", dataDir()});
  import.type("CODE,NAME\n");
  for (int row = 0; row < 2000; ++row) import.type("K" + std::to_string(row) + ",x\n");
  // Once the transaction has written, the import is well under way.
  const auto journal = dataSet_.directory() / "FESK1.sqlite-journal";
  ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(journal); }));
  import.signal(SIGINT);
  for (int row = 2000; row < 3000; ++row) import.type("K" + std::to_string(row) + ",x\n");
  const auto run = import.wait();
  EXPECT_EQ(run.status, 130);
  EXPECT_EQ(run.err, "fesk import: interrupted; nothing was stored\n");
  EXPECT_EQ(exportOf("FESK1", dataSet_.directory()).out, "CODE,NAME\r\n");
}

TEST_F(RecordCommandsTest, MistakesAreNamedAndChangeNothing) {
  const auto copy = (scratch_ / "copy").string();
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string said;
  } mistakes[] = {
      {{"export"}, 2, "fesk export: name the data file to export: FESK1 or FESK2"},
      {{"export", "FESK3"}, 2, "FESK1 or FESK2"},
      {{"export", "FESK2", "--order", "name"}, 2, "fesk export: FESK2 has no order name"},
      {{"export", "FESK1", "--output", "/nonexistent/x.csv", dataDir()},
       1,
       "cannot write /nonexistent/x.csv: No such file or directory"},
      {{"import", "FESK1", "/nonexistent.csv", dataDir()},
       1,
       "fesk import: cannot read /nonexistent.csv: No such file or directory"},
      {{"copy", "--from", copy}, 2, "fesk copy: name both --from and --to"},
      {{"copy", "--from", copy, "--to", copy}, 2, "there is no data directory " + copy},
      {{"copy", "--from", dataSet_.directory().string(), "--to", "host=/nonexistent dbname=fesk"},
       1,
       "fesk copy: the database server in /nonexistent"},
  };
  for (const auto& mistake : mistakes) {
    const auto run = runFesk(mistake.arguments);
    EXPECT_EQ(run.status, mistake.status) << mistake.said;
    EXPECT_NE(run.err.find(mistake.said), std::string::npos) << run.err;
  }
  seed({{"A", "a"}}, {});
  ASSERT_EQ(runFesk({"copy", "--from", dataSet_.directory().string(), "--to", copy}).status, 0);
  const auto twice = runFesk({"copy", "--from", dataSet_.directory().string(), "--to", copy});
  EXPECT_EQ(twice.err, "fesk copy: " + copy + " already holds records; --replace replaces them\n");
  EXPECT_EQ(runFesk({"copy", "--from", copy, "--to", copy, "--replace"}).status, 2)
      << "a data set is not copied onto itself";
}

}  // namespace
}  // namespace fesk::test
