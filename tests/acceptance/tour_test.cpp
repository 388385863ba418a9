// The newcomer's tour (examples/tour.fesk) runs through to the end as the
// program itself would run it, on either driver, and its transcript shows
// each step, the same on both.

#include <algorithm>
#include <fstream>
#include <sstream>

#include "acceptance_support.h"
#include "app/start/program_entry.h"
#include "data/data_files.h"
#include "ui/headless/script_runner.h"

namespace fesk::test {
namespace {

const std::filesystem::path kTour = std::filesystem::path(FESK_SOURCE_DIR) / "examples/tour.fesk";

// Runs the tour as `fesk --ui=headless --script examples/tour.fesk` does.
int runTour(std::string& transcript) {
  std::ifstream script(kTour);
  EXPECT_TRUE(script.good()) << kTour;
  std::ostringstream out;
  const int exitCode = ProgramEntry(
      [&](apprt::Procedure first) { return headless::runScript(script, std::move(first), out); });
  transcript = out.str();
  return exitCode;
}

using Tour = EveryDriverAcceptanceTest;

TEST_P(Tour, RunsToTheEndAndShowsEveryStep) {
  std::string transcript;
  EXPECT_EQ(runTour(transcript), 0);
  EXPECT_EQ(transcript.find("script error"), std::string::npos) << transcript;
  const auto has = [&](const std::string& line) {
    return transcript.find("\n" + line + "\n") != std::string::npos;
  };
  // Open, and in-line editing switched off.
  EXPECT_TRUE(has("window opened: \"Browse the fesk1 File\""));
  EXPECT_TRUE(has("  7 button \"InLine Off\""));
  // Inserted through the form, paged to the next page.
  EXPECT_TRUE(has("window opened: \"Adding a fesk1 Record\""));
  EXPECT_TRUE(has("    > row 15: \"P16\" | \"Luna\""));
  // Name order, located by typing "c" twice.
  EXPECT_TRUE(has("    > row 2: \"P10\" | \"Ceres\""));
  // Earth re-coded, its FESK2 numbers with it.
  EXPECT_TRUE(has("    > row 1: \"E03\" | \"Earth (home)\""));
  EXPECT_TRUE(has("    > row 1: \"E03\" | \"365\""));
  EXPECT_TRUE(has("      row 2: \"E03\" | \"24\""));
  // Deleted after confirming, and the program ended.
  EXPECT_NE(transcript.find("message box: \"Confirm Delete\""), std::string::npos);
  EXPECT_TRUE(has("window closed: \"Application\""));
  EXPECT_TRUE(transcript.ends_with("exit code 0\n"));

  const Records planets = storedFesk1();
  EXPECT_EQ(planets.size(), 15u);
  EXPECT_EQ(std::count(planets.begin(), planets.end(), Records::value_type{"P01", "Mercury"}), 1);
  EXPECT_TRUE(storedFesk2().empty()) << "Earth's numbers went with it";
}

using TourOnAServer = AcceptanceTest;

TEST_F(TourOnAServer, ShowsTheSameTranscriptAsOnTheEmbeddedDriver) {
  std::string embedded;
  runTour(embedded);
  ScratchDataSet server(Store::kPostgres);
  FESK1.bindDriver(server.driver());
  FESK2.bindDriver(server.driver());
  std::string serverTranscript;
  runTour(serverTranscript);
  EXPECT_EQ(serverTranscript, embedded);
}

INSTANTIATE_TEST_SUITE_P(Drivers, Tour, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
