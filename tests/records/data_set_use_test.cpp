// What the commands make, read and leave behind: a data set that is read must
// exist and is never made or written to, a backup that does not finish leaves
// nothing, the files fesk makes are not for other users to read, and what
// cannot be imported is named line by line.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "data/data_test_support.h"
#include "records/fesk_process.h"
#include "support/scoped_environment.h"
#include "support/temporary_directory.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

namespace fs = std::filesystem;

class DataSetUseTest : public DataTest {
 protected:
  std::string dataDir() const { return "--data-dir=" + dataSet_.directory().string(); }
  fs::path scratch(const std::string& name) const { return scratch_.path() / name; }
  TemporaryDirectory scratch_;
};

mode_t modeOf(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

// Every entry of a directory with its size and time of last change.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> listing(const fs::path& d) {
  std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> entries;
  for (const auto& entry : fs::directory_iterator(d)) {
    entries[entry.path().filename()] = {entry.is_regular_file() ? entry.file_size() : 0,
                                        entry.last_write_time()};
  }
  return entries;
}

TEST_F(DataSetUseTest, ADataSetThatIsReadMustExistAndIsNeverMade) {
  const std::string missing = scratch("mistyped").string();
  const std::string aFile = scratch("file").string();
  writeText(aFile, "");
  const struct {
    std::vector<std::string> arguments;
    std::string said;
  } cases[] = {
      {{"export", "FESK1", "--data-dir", missing},
       "fesk export: there is no data directory " + missing + "\n"},
      {{"report", "--pdf", scratch("x.pdf").string(), "--data-dir", missing},
       "fesk report: there is no data directory " + missing + "\n"},
      {{"backup", scratch("b").string(), "--data-dir", missing},
       "fesk backup: there is no data directory " + missing + "\n"},
      {{"export", "FESK1", "--data-dir", aFile}, "fesk export: " + aFile + " is not a directory\n"},
      {{"import", "FESK1", "-", "--data-dir", aFile},
       "fesk import: " + aFile + " is not a directory\n"},
      {{"export", "FESK1", "--data-dir", ""},
       "fesk export: the name of the data directory is empty\n"},
  };
  for (const auto& each : cases) {
    const auto run = runFesk(each.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, each.said);
  }
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_FALSE(fs::exists(scratch("x.pdf")));
  EXPECT_FALSE(fs::exists(scratch("b")));

  // Nor is the default data directory made by work that only reads it.
  const ScopedEnvironment dataHome("XDG_DATA_HOME", scratch("home").string());
  const auto byDefault = runFesk({"export", "FESK1"});
  EXPECT_EQ(byDefault.status, 2);
  EXPECT_EQ(byDefault.err, "fesk export: there is no data directory " +
                               (scratch("home") / "fesk").string() + "\n");
  EXPECT_FALSE(fs::exists(scratch("home")));
}

TEST_F(DataSetUseTest, ASchemaThatHoldsNoDataSetIsNamed) {
  const ScratchDataSet server(Store::kPostgres);
  const std::vector<std::vector<std::string>> commands{
      {"export", "FESK1"},
      {"report", "--pdf", scratch("x.pdf").string()},
      {"backup", scratch("b").string()}};
  for (auto arguments : commands) {
    arguments.insert(arguments.end(),
                     {"--database", server.conninfo(), "--schema", server.schema() + "_mistyped"});
    const auto run = runFesk(arguments);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("no data set is kept in "), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(scratch("x.pdf")));
  EXPECT_FALSE(fs::exists(scratch("b")));
}

TEST_F(DataSetUseTest, ABackupThatDoesNotFinishLeavesNoTargetBehind) {
  seed({{"A", "a"}}, {{"A", "1"}});
  // A source without FESK2 cannot be copied: the copy fails after the target
  // was opened.
  fs::remove(dataSet_.directory() / "FESK2.sqlite");
  const auto newTarget = scratch("new") / "deeper";
  const auto intoNew = runFesk({"backup", newTarget.string(), dataDir()});
  EXPECT_EQ(intoNew.status, 1);
  EXPECT_NE(intoNew.err.find(newTarget.string() + " is as it was"), std::string::npos)
      << intoNew.err;
  EXPECT_FALSE(fs::exists(scratch("new"))) << "the directories it made are gone";

  const auto existing = scratch("existing");
  fs::create_directory(existing);
  writeText(existing / "notes.txt", "mine");
  const auto before = listing(existing);
  EXPECT_EQ(runFesk({"backup", existing.string(), dataDir()}).status, 1);
  EXPECT_EQ(listing(existing), before) << "nothing added, nothing taken away";
}

TEST_F(DataSetUseTest, ABackupIsRefusedWhileAnotherFeskUsesItsDirectory) {
  seed({{"A", "a"}}, {{"A", "1"}});
  // A backup replaces the files of its directory whole: one that another fesk
  // is writing into must not have them swapped under it.
  const auto target = scratch("backup");
  FeskProcess holder({"import", "FESK1", "-", "--data-dir=" + target.string()});
  holder.type("CODE,NAME\nH,held\n");
  ASSERT_TRUE(waitUntil([&] { return fs::exists(target / "FESK1.sqlite-journal"); }));
  const auto refused = runFesk({"backup", target.string(), dataDir()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("another fesk is using the data"), std::string::npos) << refused.err;
  ASSERT_EQ(holder.wait().status, 0);
  EXPECT_EQ(runFesk({"export", "FESK1", "--data-dir=" + target.string()}).out,
            "CODE,NAME\r\nH,held\r\n")
      << "the other fesk's import is whole";
}

TEST_F(DataSetUseTest, ARestoreWritesNothingIntoItsSource) {
  seed({{"A", "a"}}, {{"A", "1"}});
  const auto backup = scratch("backup");
  ASSERT_EQ(runFesk({"backup", backup.string(), dataDir()}).status, 0);
  fs::remove(backup / "fesk.lock");
  const auto before = listing(backup);
  const auto restored = runFesk({"restore", backup.string(), "--yes", dataDir()});
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(listing(backup), before);
}

TEST_F(DataSetUseTest, FilesFeskMakesAreNotForOtherUsersUnlessTheGroupSharesTheDirectory) {
  // Whatever mask fesk is started with: here none at all.
  const mode_t startedWith = ::umask(0);
  const auto csv = scratch("in.csv");
  writeText(csv, "CODE,NAME\nA,a\n");
  const auto privateDirectory = scratch("private").string();
  ASSERT_EQ(runFesk({"import", "FESK1", csv.string(), "--data-dir", privateDirectory}).status, 0);
  ASSERT_EQ(runFesk({"export", "FESK1", "--output", scratch("private.csv").string(), "--data-dir",
                     privateDirectory})
                .status,
            0);
  ASSERT_EQ(runFesk({"backup", scratch("backup").string(), "--data-dir", privateDirectory}).status,
            0);
  const fs::path privateFiles = privateDirectory;
  for (const auto& made :
       {privateFiles, privateFiles / "FESK1.sqlite", privateFiles / "fesk.lock",
        scratch("private.csv"), scratch("backup"), scratch("backup") / "FESK2.sqlite"}) {
    EXPECT_EQ(modeOf(made) & 077, 0) << made;
  }

  const auto shared = scratch("shared");
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::owner_all | fs::perms::group_all | fs::perms::set_gid);
  ASSERT_EQ(runFesk({"import", "FESK1", csv.string(), "--data-dir", shared.string()}).status, 0);
  ASSERT_EQ(runFesk({"export", "FESK1", "--output", scratch("shared.csv").string(), "--data-dir",
                     shared.string()})
                .status,
            0);
  for (const auto& made : {shared / "FESK1.sqlite", shared / "fesk.lock", scratch("shared.csv")}) {
    EXPECT_EQ(modeOf(made) & 007, 0) << made;
    EXPECT_NE(modeOf(made) & 040, 0) << made << " is for the group to read";
  }
  ::umask(startedWith);
}

TEST_F(DataSetUseTest, ImportNamesEveryLineItCannotStore) {
  const auto cut = scratch("cut.csv");
  writeText(cut, "CODE,NAME\r\n\r\nA,a\r\nB,\"b\r\nC,c\r\n");
  const auto skipped = runFesk({"import", "FESK1", cut.string(), "--skip-bad", dataDir()});
  EXPECT_EQ(skipped.status, 1);
  EXPECT_EQ(skipped.err,
            "lines 4-5: value 2, quoted from line 4, is not closed where the input ends, in line "
            "5\n");
  EXPECT_EQ(skipped.out,
            "Added 1 record to FESK1; skipped 1 bad row (2 lines); passed over 1 empty line.\n");

  const auto nul = scratch("nul.csv");
  writeText(nul, std::string("CODE,NAME\nN,a\0b\n", 16));
  const auto refused = runFesk({"import", "FESK1", nul.string(), dataDir()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "line 2: a NUL byte at column 4\n"
            "fesk import: 1 bad row, so nothing was stored (--skip-bad stores the others)\n");

  const auto directory = runFesk({"import", "FESK1", scratch_.path().string(), dataDir()});
  EXPECT_EQ(directory.status, 1);
  EXPECT_EQ(directory.err, "fesk import: cannot read " + scratch_.path().string() +
                               ": it is a directory, not a file\n");
}

TEST_F(DataSetUseTest, AnExportWithAByteOrderMarkImportsBackTheSame) {
  seed({{"A", "Zoë"}, {"B", "東京"}}, {});
  const auto marked = scratch("marked.csv");
  ASSERT_EQ(runFesk({"export", "FESK1", "--bom", "--output", marked.string(), dataDir()}).status,
            0);
  const std::string plain = runFesk({"export", "FESK1", dataDir()}).out;
  EXPECT_EQ(readText(marked), "\xEF\xBB\xBF" + plain);
  const auto copy = scratch("copy");
  ASSERT_EQ(runFesk({"import", "FESK1", marked.string(), "--data-dir", copy.string()}).status, 0);
  EXPECT_EQ(runFesk({"export", "FESK1", "--data-dir", copy.string()}).out, plain);
}

}  // namespace
}  // namespace fesk::test
