// The command line as a user types it: mistakes are named, never taken for
// something else, and the program does not run after one.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/start/program_options.h"

namespace fesk::test {
namespace {

struct Outcome {
  std::optional<int> exitCode;
  ProgramOptions options;
  std::string out;
  std::string err;
};

Outcome read(std::vector<std::string> arguments) {
  Outcome outcome;
  ArgumentReader reader(std::move(arguments));
  std::ostringstream out;
  std::ostringstream err;
  outcome.exitCode = readProgramOptions(
      reader, outcome.options, [] { return "qt"; }, out, err);
  outcome.out = out.str();
  outcome.err = err.str();
  return outcome;
}

TEST(CommandLine, ReadsOptionsInBothSpellings) {
  const auto spaced = read({"--data-dir", "/tmp/a", "--ui", "tui"});
  EXPECT_FALSE(spaced.exitCode);
  EXPECT_EQ(*spaced.options.dataSet.value("--data-dir"), "/tmp/a");
  EXPECT_EQ(spaced.options.ui, "tui");
  const auto joined = read({"--data-dir=/tmp/b", "--script=tour.fesk"});
  EXPECT_FALSE(joined.exitCode);
  EXPECT_EQ(*joined.options.dataSet.value("--data-dir"), "/tmp/b");
  EXPECT_EQ(joined.options.ui, "headless") << "a script runs without a screen";
}

TEST(CommandLine, AMissingValueIsNamedAsSuch) {
  for (const auto& arguments : std::vector<std::vector<std::string>>{
           {"--data-dir"}, {"--data-dir", "--ui=tui"}, {"--data-dir="}}) {
    const auto outcome = read(arguments);
    EXPECT_EQ(outcome.exitCode, kUsageError);
    EXPECT_NE(outcome.err.find("the option --data-dir needs a value"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(outcome.err.find("unknown option"), std::string::npos) << outcome.err;
  }
}

TEST(CommandLine, MistakesStopTheProgramWithTheirReason) {
  const auto directory = std::filesystem::temp_directory_path();
  const struct {
    std::vector<std::string> arguments;
    std::string said;
  } mistakes[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"--ui=web"}, "unknown front-end --ui=web"},
      {{"--ui=headless"}, "--ui=headless needs --script FILE"},
      {{"--script", directory.string()}, "is a directory"},
  };
  for (const auto& mistake : mistakes) {
    const auto outcome = read(mistake.arguments);
    EXPECT_EQ(outcome.exitCode, kUsageError) << mistake.said;
    EXPECT_NE(outcome.err.find(mistake.said), std::string::npos) << outcome.err;
  }
}

TEST(CommandLine, HelpListsTheOptionsAndEndsWell) {
  const auto outcome = read({"--help"});
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_NE(outcome.out.find("--data-dir DIR"), std::string::npos);
  EXPECT_NE(outcome.out.find("--script FILE"), std::string::npos);
}

}  // namespace
}  // namespace fesk::test
