// The two programs as a user meets them: `fesk` runs a command or a script
// without loading the windowing toolkit (PDF pages load it when written),
// hands every other start to the whole program, and says plainly when a
// part of the installation is missing.

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

class ProgramHandoverTest : public ::testing::Test {
 protected:
  // Runs `program arguments` with `environment` (NAME=VALUE ...) before it,
  // with no display; the loader names on standard error every library it
  // loads when `environment` holds LD_DEBUG=libs.
  ShellRun run(const std::string& environment, const std::filesystem::path& program,
               const std::string& arguments) const {
    const std::filesystem::path out = folder_.path() / "out.txt", err = folder_.path() / "err.txt";
    const std::string line = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + environment +
                             " '" + program.string() + "' " + arguments + " >'" + out.string() +
                             "' 2>'" + err.string() + "' </dev/null";
    const int result = std::system(line.c_str());
    return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, readText(out), readText(err)};
  }

  // A script that opens the program and, with `print`, writes File > Print
  // List to list.pdf; the arguments that run it on an empty data directory.
  std::string script(bool print) const {
    const std::filesystem::path file = folder_.path() / "script.fesk";
    writeText(file, print
                        ? "save-as \"" + pdf().string() + "\"\nanswer OK\nmenu \"&Print List...\"\n"
                        : "wait\n");
    return "--data-dir '" + (folder_.path() / "data").string() + "' --ui=headless --script '" +
           file.string() + "'";
  }

  std::filesystem::path pdf() const { return folder_.path() / "list.pdf"; }

  TemporaryDirectory folder_;
};

TEST_F(ProgramHandoverTest, CommandsAndScriptsLoadNoToolkitUntilAPdfIsWritten) {
  const ShellRun command = run("LD_DEBUG=libs", FESK_PROGRAM, "export");
  EXPECT_EQ(command.status, 2) << "a command missing its file is a usage error";
  EXPECT_NE(command.err.find("name the data file to export"), std::string::npos) << command.err;
  EXPECT_NE(command.err.find("libsqlite3"), std::string::npos) << "the loader's words are read";
  EXPECT_EQ(command.err.find("libQt6"), std::string::npos) << "a command loaded the toolkit";

  const ShellRun quiet = run("LD_DEBUG=libs", FESK_PROGRAM, script(false));
  EXPECT_EQ(quiet.status, 0) << quiet.out;
  EXPECT_EQ(quiet.err.find("libQt6"), std::string::npos) << "a script loaded the toolkit";

  const ShellRun printing = run("LD_DEBUG=libs", FESK_PROGRAM, script(true));
  EXPECT_EQ(printing.status, 0) << printing.out;
  EXPECT_NE(printing.out.find("The list was written to"), std::string::npos) << printing.out;
  EXPECT_EQ(readText(pdf()).rfind("%PDF-", 0), 0u);
  EXPECT_NE(printing.err.find("libQt6Gui"), std::string::npos) << "who drew the pages?";
}

TEST_F(ProgramHandoverTest, EveryOtherStartIsTheWholeProgram) {
  // The desktop asked for without a display: the whole program says so.
  const ShellRun desktop = run("LD_DEBUG=libs", FESK_PROGRAM, "--ui=qt");
  EXPECT_EQ(desktop.status, 2);
  EXPECT_NE(desktop.err.find("no display is available"), std::string::npos) << desktop.err;
  EXPECT_NE(desktop.err.find("libQt6Widgets"), std::string::npos) << "not the whole program";
}

TEST_F(ProgramHandoverTest, AMissingPartIsSaidAndTheRestStillRuns) {
  const std::filesystem::path alone = folder_.path() / "fesk";
  std::filesystem::copy_file(FESK_PROGRAM, alone);

  const ShellRun desktop = run("", alone, "--ui=qt");
  EXPECT_EQ(desktop.status, 2);
  EXPECT_EQ(desktop.out, "");
  EXPECT_NE(desktop.err.find("fesk: cannot start"), std::string::npos) << desktop.err;
  EXPECT_NE(desktop.err.find("fesk-ui"), std::string::npos) << desktop.err;

  // Without the PDF module a script runs, and Print List says why it wrote nothing.
  const ShellRun printing = run("", alone, script(true));
  EXPECT_NE(printing.out.find("PDF files cannot be written"), std::string::npos) << printing.out;
  EXPECT_FALSE(std::filesystem::exists(pdf()));

  const ShellRun command = run("", alone, "export");
  EXPECT_NE(command.err.find("name the data file to export"), std::string::npos) << command.err;
}

}  // namespace
}  // namespace fesk::test
