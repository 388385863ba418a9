// The program's life as a user sees it: the first start on an empty data
// directory, several browse windows at once, and the ways the program ends.

#include <set>

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

class ProgramLife : public AcceptanceTest {};

TEST_F(ProgramLife, FirstStartCreatesAnEmptyFesk1WithoutAMessage) {
  ASSERT_FALSE(dataFileExists("FESK1"));
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    const auto browse = user.current();
    EXPECT_EQ(browse.title, kBrowseTitle);
    EXPECT_TRUE(control(browse, 1).rows.empty());
    EXPECT_TRUE(control(browse, 4).enabled) << "Insert";
    EXPECT_FALSE(control(browse, 5).enabled) << "Change";
    EXPECT_FALSE(control(browse, 6).enabled) << "Delete";
    EXPECT_TRUE(control(browse, 3).hidden) << "Select, outside select mode";
    EXPECT_EQ(control(browse, 7).text, "InLine On");
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty());
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(dataFileExists("FESK1"));
  EXPECT_TRUE(storedFesk1().empty());
  // Only the FESK1 form uses FESK2, so the browse alone does not create it.
  EXPECT_FALSE(dataFileExists("FESK2"));
}

TEST_F(ProgramLife, EachFeskChoiceOpensOneMoreIndependentBrowse) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}});
  const int exitCode = runProgram([&](Session& user) {
    for (int i = 0; i < 3; ++i) user.menu("&fesk");
    std::set<int> threads;
    std::vector<int> browses;
    for (const auto& w : user.frontEnd().windows()) {
      if (w.title != kBrowseTitle) continue;
      threads.insert(w.thread);
      browses.push_back(w.handle);
      EXPECT_EQ(codesOf(w), (std::vector<std::string>{"A1", "B2", "C3"}));
      EXPECT_EQ(selectedCode(w), "A1");
    }
    ASSERT_EQ(browses.size(), 3u);
    EXPECT_EQ(threads.size(), 3u) << "each browse runs in a thread of its own";

    // The newest browse switches to name order and selects a row; the others
    // keep their own order and selection.
    user.row(3);
    user.tab("FES:Keyname");
    const auto newest = user.current();
    EXPECT_EQ(control(newest, 2).choice, 2);
    EXPECT_EQ(selectedCode(newest), "C3");
    for (const auto& w : user.frontEnd().windows()) {
      if (w.title != kBrowseTitle || w.handle == newest.handle) continue;
      EXPECT_EQ(control(w, 2).choice, 1);
      EXPECT_EQ(selectedCode(w), "A1");
    }

    // Closing one leaves the others open.
    user.click("Close");
    int open = 0;
    for (const auto& w : user.frontEnd().windows()) open += w.title == kBrowseTitle;
    EXPECT_EQ(open, 2);
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(ProgramLife, CloseEndsTheBrowseAndExitEndsTheProgram) {
  seed({{"A1", "Alpha"}});
  bool endedByExit = false;
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.click("Close");
    EXPECT_FALSE(user.window(kBrowseTitle));
    EXPECT_FALSE(user.ended()) << "closing a browse does not end the program";
    user.menu("E&xit");
    endedByExit = user.ended();
  });
  EXPECT_TRUE(endedByExit);
  EXPECT_EQ(exitCode, 0);
  EXPECT_TRUE(transcriptHas("window closed: \"Application\""));
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}}));
}

TEST_F(ProgramLife, ExitWithFormsOpenClosesThemFirstAndWritesNothing) {
  seed({{"A1", "Alpha"}}, {{"A1", "n1"}});
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    fill(user, "&name:", "Edited but not saved");
    user.tab("fesk2");
    user.click("&Insert");
    ASSERT_EQ(user.current().title, kAddFesk2Title);
    openBrowseWithForms(user);      // a second browse thread, idle
    user.answer(apprt::kButtonOk);  // exit anyway, over the typed name
    user.menu("E&xit");
    EXPECT_TRUE(user.ended());
  });
  EXPECT_EQ(exitCode, 0);
  // Every window got its close-down and closed before the frame did.
  std::vector<std::string> closings;
  for (const auto& line : transcript_)
    if (line.starts_with("window closed: ")) closings.push_back(line);
  ASSERT_EQ(closings.size(), 5u);
  EXPECT_EQ(closings.back(), "window closed: \"Application\"");
  const auto closedAt = [&](const std::string& title) {
    return std::find(closings.begin(), closings.end(), "window closed: \"" + title + "\"") -
           closings.begin();
  };
  EXPECT_LT(closedAt(kAddFesk2Title), closedAt(kChangeFesk1Title));
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A1", "n1"}}));
}

}  // namespace
}  // namespace fesk::test
