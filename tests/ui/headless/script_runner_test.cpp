// The script runner: a test window driven by a script, its transcript
// checked line by line, and the ways a script can go wrong.

#include "ui/headless/script_runner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/frontend/window_definition.h"
#include "runtime/windows/queue.h"
#include "runtime/windows/windows.h"
#include "test_window.h"

namespace fesk::test {
namespace {

using headless::kScriptFailed;
using headless::runScript;

struct Row {
  std::string code, name;
};
std::vector<std::string> queueTexts(const Row& r) {
  return {r.code, r.name};
}

// The form of the script: code and name entries, a list of three rows moved
// by the arrow keys, and "OK" asking whether to save.
void form() {
  std::string code, name;
  apprt::Queue<Row> rows;
  for (int i = 1; i <= 3; ++i) {
    rows.buffer = {"c" + std::to_string(i), "n" + std::to_string(i)};
    rows.add();
  }
  apprt::loadWindow("test$WINDOWS", "FORM");
  apprt::bindEntry(2, apprt::bindString(code));
  apprt::bindEntry(4, apprt::bindString(name));
  apprt::bindList(5, rows);
  apprt::openWindow();
  apprt::startEventLoop();
  while (!apprt::endEventLoop(0)) {
    if (apprt::EVENT() == apprt::kEventScrollDown && apprt::FIELD() == 5)
      apprt::SELECT(5, std::min(apprt::CHOICE(5) + 1, 3));
    if (apprt::ACCEPTED() == 11 &&
        apprt::messageBox("Save " + code + " " + name + "?", "Save", apprt::Icon::Question,
                          apprt::kButtonYes + apprt::kButtonNo,
                          apprt::kButtonYes) == apprt::kButtonNo)
      apprt::beep();
  }
  apprt::closeWindow();
  apprt::freeWindow();
}

void frame() {
  apprt::loadWindow("test$WINDOWS", "FRAME");
  apprt::openWindow();
  apprt::startEventLoop();
  while (!apprt::endEventLoop(0))
    if (apprt::ACCEPTED() == -2) apprt::START(form, 25000);
  apprt::closeWindow();
  apprt::freeWindow();
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ScriptRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override { apprt::registerWindowDefinitions(kTestWindows); }

  int run(const std::string& script) {
    std::istringstream in(script);
    transcript.str("");
    return runScript(in, frame, transcript);
  }
  bool says(const std::string& line) const {
    return transcript.str().find(line + "\n") != std::string::npos;
  }

  std::ostringstream transcript;
};

TEST_F(ScriptRunnerTest, TheFormScriptGivesTheCheckedInTranscript) {
  auto dir = std::filesystem::path(FESK_SOURCE_DIR) / "tests/ui/headless/scripts";
  EXPECT_EQ(run(fileText(dir / "form.script")), 0);
  EXPECT_EQ(transcript.str(), fileText(dir / "form.transcript"));
}

TEST_F(ScriptRunnerTest, AnUnknownVerbStopsTheScriptWithItsLineNumber) {
  EXPECT_EQ(run("# a comment\n\nmenu \"Start Form\"\npress \"OK\"\nclose\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 4: unknown verb \"press\""));
  EXPECT_FALSE(says("> close")) << "nothing after the error is carried out";
  EXPECT_TRUE(says("window closed: \"Test Frame\"")) << "the program is still ended in order";
}

TEST_F(ScriptRunnerTest, AMissingControlIsAScriptError) {
  EXPECT_EQ(run("menu \"Start Form\"\nclick \"Apply\"\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 2: no button \"Apply\" in \"Test Form\""));
  EXPECT_EQ(run("menu \"Open\"\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 1: no menu item \"Open\""));
  EXPECT_EQ(run("menu \"Start Form\"\nkey Ctrl+Banana\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 2: unknown key \"Ctrl+Banana\""));
}

TEST_F(ScriptRunnerTest, AMessageBoxWithNoAnswerQueuedIsAScriptError) {
  EXPECT_EQ(run("menu \"Start Form\"\nclick \"OK\"\nclose\n"), kScriptFailed);
  EXPECT_TRUE(
      says("script error at line 2: no answer queued for message box \"Save\" \"Save  ?\""));
  EXPECT_FALSE(says("> close"));
}

TEST_F(ScriptRunnerTest, AnAnswerThatNoMessageBoxTookIsAScriptError) {
  EXPECT_EQ(run("answer No\n"), kScriptFailed);
  EXPECT_TRUE(says("script error: 1 queued answer(s) found no message box to answer"));
  EXPECT_EQ(run("answer Maybe\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 1: unknown button \"Maybe\""));
}

// A comment is skipped whole, whatever it holds; an answer is a choice only
// among the buttons of the box it meets.
TEST_F(ScriptRunnerTest, ACommentHoldsAnythingAndAnAnswerMustNameAButtonOfTheBox) {
  EXPECT_EQ(run("# the 5\" floppy\n  # \"\nmenu \"Start Form\"\nanswer No\nclick \"OK\"\n"), 0);
  EXPECT_TRUE(
      says("message box: \"Save\" \"Save  ?\" icon=question buttons=Yes,No default=Yes answer=No"))
      << transcript.str();
  EXPECT_EQ(run("menu \"Start Form\"\nanswer OK\nclick \"OK\"\nclose\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 3: the answer OK is not a button of \"Save\" (Yes,No)"))
      << transcript.str();
  EXPECT_FALSE(says("> close"));
}

TEST_F(ScriptRunnerTest, BadArgumentsAreScriptErrors) {
  EXPECT_EQ(run("menu \"Start Form\"\nrow two\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 2: not a number: two"));
  EXPECT_EQ(run("type \"unclosed\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 1: a quoted text is not closed"));
  EXPECT_EQ(run("show please\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 1: show takes no argument"));
}

TEST_F(ScriptRunnerTest, GesturesAfterTheProgramEndedAreScriptErrors) {
  EXPECT_EQ(run("menu \"Exit\"\nmenu \"Start Form\"\n"), kScriptFailed);
  EXPECT_TRUE(says("script error at line 2: the program has ended; menu cannot be carried out"));
}

TEST_F(ScriptRunnerTest, ExpectationsCheckTheCurrentWindow) {
  EXPECT_EQ(run("menu \"Start Form\"\ntype \"Z9\"\nexpect-field 2 \"Z9\"\n"
                "expect-window \"Test Form\"\n"),
            0);
  EXPECT_EQ(run("menu \"Start Form\"\nexpect-window \"Note\"\n"), kScriptFailed);
  EXPECT_TRUE(
      says("script error at line 2: the current window is \"Test Form\", expected \"Note\""));
}

}  // namespace
}  // namespace fesk::test
