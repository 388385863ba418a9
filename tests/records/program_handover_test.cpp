// The two programs as a user meets them: `fesk` runs a command without
// loading the windowing toolkit, hands every other start to the whole
// program, and says so plainly when that program is missing.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "records/fesk_process.h"
#include "support/temporary_directory.h"

namespace fesk::test {
namespace {

struct ShellRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `program arguments` with `environment` (NAME=VALUE ...) before it.
ShellRun runWith(const std::string& environment, const std::filesystem::path& program,
                 const std::string& arguments, const std::filesystem::path& folder) {
  const std::filesystem::path out = folder / "out.txt", err = folder / "err.txt";
  const std::string line = environment + " '" + program.string() + "' " + arguments + " >'" +
                           out.string() + "' 2>'" + err.string() + "' </dev/null";
  const int result = std::system(line.c_str());
  return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, readText(out), readText(err)};
}

TEST(ProgramHandoverTest, ACommandLoadsNoToolkitAndEveryOtherStartIsTheWholeProgram) {
  TemporaryDirectory folder;
  // The loader names every library it loads on standard error.
  const ShellRun command = runWith("LD_DEBUG=libs", FESK_PROGRAM, "export", folder.path());
  EXPECT_EQ(command.status, 2) << "a command missing its file is a usage error";
  EXPECT_NE(command.err.find("name the data file to export"), std::string::npos) << command.err;
  EXPECT_NE(command.err.find("libsqlite3"), std::string::npos) << "the loader's words are read";
  EXPECT_EQ(command.err.find("libQt6"), std::string::npos) << "a command loaded the toolkit";

  const ShellRun version = runWith("LD_DEBUG=libs", FESK_PROGRAM, "--version", folder.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("fesk ", 0), 0u) << version.out;
  EXPECT_NE(version.err.find("libQt6Core"), std::string::npos) << "not the whole program";
}

TEST(ProgramHandoverTest, AMissingWholeProgramIsSaidAndNothingElseRuns) {
  TemporaryDirectory folder;
  const std::filesystem::path alone = folder.path() / "fesk";
  std::filesystem::copy_file(FESK_PROGRAM, alone);
  const ShellRun run = runWith("", alone, "--version", folder.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("fesk: cannot start"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("fesk-ui"), std::string::npos) << run.err;
  // A command still runs: it needs nothing but itself.
  const ShellRun command = runWith("", alone, "export", folder.path());
  EXPECT_NE(command.err.find("name the data file to export"), std::string::npos) << command.err;
}

}  // namespace
}  // namespace fesk::test
