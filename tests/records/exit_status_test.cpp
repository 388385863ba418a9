// The exit statuses as a user meets them: every command ends with each status
// of the one table (app/commands/exit_status.h) in the case it stands for, and the
// manual page says that table word for word.

#include "app/commands/exit_status.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "data/data_test_support.h"
#include "records/fesk_process.h"
#include "support/temporary_directory.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

// The EXIT STATUS section of the manual page: each status with its paragraph,
// lines joined by spaces and roff's escaped hyphens made plain.
std::map<int, std::string> manualPageStatuses() {
  std::istringstream page(readText(FESK_SOURCE_DIR "/packaging/fesk.1.in"));
  std::map<int, std::string> statuses;
  bool inSection = false;
  int status = -1;
  for (std::string line; std::getline(page, line);) {
    if (line.starts_with(".SH")) inSection = line == ".SH EXIT STATUS";
    if (!inSection || line.starts_with(".\\\"") || line == ".TP") continue;
    if (line.starts_with(".PP")) break;
    if (line.starts_with(".B ")) {
      status = std::stoi(line.substr(3));
      continue;
    }
    if (status < 0) continue;
    for (std::size_t at; (at = line.find("\\-")) != std::string::npos;) line.erase(at, 1);
    auto& text = statuses[status];
    text += (text.empty() ? "" : " ") + line;
  }
  return statuses;
}

TEST(ExitStatusTest, TheManualPageSaysTheProgramsTable) {
  std::map<int, std::string> table;
  for (const ExitStatus& status : kExitStatuses) table[status.status] = status.meaning;
  EXPECT_EQ(manualPageStatuses(), table);
  // --help wraps the lines: words are compared, each run of spaces as one.
  std::istringstream help(runFesk({"--help"}).out);
  std::string words;
  for (std::string word; help >> word;) words += word + " ";
  for (const ExitStatus& status : kExitStatuses) {
    const std::string said = std::to_string(status.status) + " " + std::string(status.meaning);
    EXPECT_NE(words.find(said), std::string::npos) << said;
  }
}

class EveryCommandsStatusTest : public DataTest {
 protected:
  std::string dataDir() const { return "--data-dir=" + dataSet_.directory().string(); }
  std::string scratch(const std::string& name) const { return (scratch_.path() / name).string(); }
  TemporaryDirectory scratch_;
};

// A script's background job starts with Ctrl+C ignored; the command catches
// it before it does any work all the same. The import waits here in the
// opening of its input (a pipe no one writes to yet) when Ctrl+C comes.
TEST_F(EveryCommandsStatusTest, CtrlCBeforeTheWorkStartsEndsTheCommand) {
  const std::string fifo = scratch("rows.csv");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct sigaction ignored {};
  ignored.sa_handler = SIG_IGN;
  struct sigaction before {};
  sigaction(SIGINT, &ignored, &before);
  FeskProcess import({"import", "FESK1", fifo, dataDir()});
  sigaction(SIGINT, &before, nullptr);
  const std::string waitsIn = "/proc/" + std::to_string(import.pid()) + "/wchan";
  ASSERT_TRUE(waitUntil([&] { return readText(waitsIn) == "wait_for_partner"; }))
      << "the import waits for its input to be opened";
  import.signal(SIGINT);
  const int rows = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (rows >= 0) {
    const std::string csv = "CODE,NAME\nK,k\n";
    EXPECT_EQ(write(rows, csv.data(), csv.size()), static_cast<ssize_t>(csv.size()));
    close(rows);
  }
  EXPECT_EQ(import.wait().status, kInterruptedStatus);
  // Stopped before it opened the data set, the import may not have made
  // FESK1 at all; where it did, the file holds nothing.
  if (std::filesystem::exists(dataSet_.directory() / "FESK1.sqlite")) {
    EXPECT_EQ(storedFesk1(), Records{}) << "nothing was stored";
  }
}

// A data file that is a link to a file that is not there (a drive not
// mounted): the import is refused before anything is made beside it.
TEST_F(EveryCommandsStatusTest, AnImportOverADanglingLinkMakesNothing) {
  const std::filesystem::path directory = scratch("linked");
  std::filesystem::create_directory(directory);
  std::filesystem::create_symlink(scratch("unmounted/FESK1.sqlite"), directory / "FESK1.sqlite");
  const std::string rows = scratch("rows.csv");
  writeText(rows, "CODE,NAME\nK,k\n");
  const auto run = runFesk({"import", "FESK1", rows, "--data-dir", directory.string()});
  EXPECT_EQ(run.status, kCommandFailed);
  EXPECT_NE(run.err.find("is a link to"), std::string::npos) << run.err;
  std::vector<std::string> made;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    made.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(made, std::vector<std::string>{"FESK1.sqlite"}) << "only the link is there";
}

TEST_F(EveryCommandsStatusTest, EachCommandEndsWithTheStatusOfItsCase) {
  seed({{"A", "a"}}, {{"A", "1"}});
  const std::string missing = scratch("missing");
  const std::string aFile = scratch("file");
  writeText(aFile, "x");
  const std::string good = scratch("good.csv");
  writeText(good, "CODE,NAME\nB,b\n");
  const std::string oneBad = scratch("bad.csv");
  writeText(oneBad, "CODE,NAME\nC,c\n\"D,d\n");
  const std::string backup = scratch("backup");
  const std::string copy = scratch("copy");
  const struct {
    std::string command;
    int status;
    std::vector<std::string> arguments;
    std::string input;
  } cases[] = {
      {"export", kDone, {"FESK1", dataDir()}, ""},
      {"export", kCommandFailed, {"FESK1", "--output", "/nonexistent/x.csv", dataDir()}, ""},
      {"export", kUsageError, {"FESK1", "--data-dir", missing}, ""},
      {"export", kUsageError, {"FESK1", "--schema", "s"}, ""},
      {"import", kDone, {"FESK1", good, dataDir()}, ""},
      {"import", kCommandFailed, {"FESK1", oneBad, "--skip-bad", dataDir()}, ""},
      {"import", kCommandFailed, {"FESK1", oneBad, dataDir()}, ""},
      {"import", kUsageError, {"FESK1", good, "--data-dir", aFile}, ""},
      {"backup", kDone, {backup, dataDir()}, ""},
      {"backup", kCommandFailed, {backup, dataDir()}, ""},
      {"backup", kUsageError, {backup, "--data-dir", missing}, ""},
      {"restore", kDone, {backup, "--yes", dataDir()}, ""},
      {"restore", kCommandFailed, {backup, dataDir()}, "n\n"},
      {"restore", kUsageError, {missing, "--yes", dataDir()}, ""},
      {"copy", kDone, {"--from", dataSet_.directory().string(), "--to", copy}, ""},
      {"copy", kCommandFailed, {"--from", dataSet_.directory().string(), "--to", copy}, ""},
      {"copy", kUsageError, {"--from", missing, "--to", copy}, ""},
      {"report", kDone, {"--pdf", scratch("list.pdf"), dataDir()}, ""},
      {"report", kCommandFailed, {"--pdf", "/nonexistent/x.pdf", dataDir()}, ""},
      {"report", kUsageError, {"--pdf", scratch("x.pdf"), "--data-dir", missing}, ""},
      {"report", kUsageError, {"--pdf", scratch("x.pdf"), "--data-dir", ""}, ""},
      {"export", kUsageError, {"FESK1", "--data-dir", aFile, "--database", "dbname=x"}, ""},
      {"export", kUsageError, {"FESK1", "--database", "dbname=x password=secret"}, ""},
  };
  std::map<std::string, std::set<int>> seen;
  for (const auto& each : cases) {
    std::vector<std::string> arguments{each.command};
    arguments.insert(arguments.end(), each.arguments.begin(), each.arguments.end());
    const auto run = runFesk(arguments, each.input);
    EXPECT_EQ(run.status, each.status) << each.command << ": " << run.err;
    EXPECT_EQ(run.err.empty(), each.status == kDone) << "every refusal is said: " << run.err;
    seen[each.command].insert(run.status);
  }
  EXPECT_FALSE(std::filesystem::exists(missing)) << "a data set that is read is never made";

  // Ctrl+C: during an export held up by a full pipe, during an import, and at
  // restore's question.
  std::string many = "CODE,NAME\n";
  for (int row = 0; row < 5000; ++row) many += "K" + std::to_string(row) + ",a name of some size\n";
  writeText(scratch("many.csv"), many);
  ASSERT_EQ(runFesk({"import", "FESK1", scratch("many.csv"), "--data-dir", scratch("many")}).status,
            kDone);
  FeskProcess exporting({"export", "FESK1", "--data-dir", scratch("many")},
                        FeskProcess::Output::kPipe);
  ASSERT_FALSE(exporting.readSomeOutput().empty()) << "the export is under way";
  exporting.signal(SIGINT);
  const auto exported = exporting.wait();
  EXPECT_EQ(exported.err, "fesk export: interrupted\n");
  seen["export"].insert(exported.status);

  FeskProcess import({"import", "FESK1", "-", dataDir()});
  import.type("CODE,NAME\nK,k\n");
  // Once its transaction has written, the import is under way.
  ASSERT_TRUE(waitUntil(
      [&] { return std::filesystem::exists(dataSet_.directory() / "FESK1.sqlite-journal"); }));
  import.signal(SIGINT);
  seen["import"].insert(import.wait().status);
  FeskProcess restore({"restore", backup, dataDir()});
  ASSERT_TRUE(waitUntil([&] { return restore.errorsSoFar().ends_with("[y/N] "); }));
  restore.signal(SIGINT);
  seen["restore"].insert(restore.wait().status);

  std::set<int> table;
  for (const ExitStatus& status : kExitStatuses) table.insert(status.status);
  for (const auto& [command, statuses] : seen) {
    for (const int status : statuses) EXPECT_TRUE(table.contains(status)) << command << status;
  }
  for (const std::string command : {"export", "import", "restore"}) {
    EXPECT_EQ(seen[command], table) << command;
  }
}

}  // namespace
}  // namespace fesk::test
