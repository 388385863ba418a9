// No FESK2 record is stored without its FESK1 record, whatever the forms are
// asked: FESK2 records added while their FESK1 record is being added go with
// it (or with its Cancel), and a FESK2 code is never given a code that no
// FESK1 record has.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kCodeEntry = 3;
constexpr int kChildList = 6;

class Orphans : public EveryDriverAcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed({{"A1", "Alpha"}, {"B2", "Bravo"}}, {{"A1", "n1"}, {"B2", "m1"}});
  }

  // In the form adding an FESK1 record: its code and name, then FESK2
  // records with these numbers added from its second tab.
  static void addWithChildren(Session& user, const std::string& code, const std::string& name,
                              const std::vector<std::string>& numbers) {
    user.click("&Insert");
    ASSERT_EQ(user.current().title, kAddFesk1Title);
    fill(user, "&code:", code);
    fill(user, "&name:", name);
    user.tab("fesk2");
    for (const std::string& number : numbers) {
      user.click("&Insert");
      ASSERT_EQ(user.current().title, kAddFesk2Title);
      EXPECT_EQ(control(user.current(), kCodeEntry).text, code);
      fill(user, "&Number:", number);
      user.click("OK");
      ASSERT_EQ(user.current().title, kAddFesk1Title);
    }
  }

  // The message boxes of the run with this title.
  static std::vector<std::string> textsOf(Session& user, const std::string& title) {
    std::vector<std::string> texts;
    for (const auto& box : user.frontEnd().messageBoxes())
      if (box.request.title == title) texts.push_back(box.request.text);
    return texts;
  }
};

TEST_P(Orphans, Fesk2RecordsAddedWithANewRecordGoWithItsOkOrItsCancel) {
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    addWithChildren(user, "N1", "Cancelled", {"x1", "x2"});
    EXPECT_EQ(rowsOf(user.current(), kChildList), (Records{{"N1", "x1"}, {"N1", "x2"}}));
    user.click("Cancel");
    ASSERT_EQ(user.current().title, kBrowseTitle);
    EXPECT_EQ(codesOf(user.current()), (std::vector<std::string>{"A1", "B2"}));

    addWithChildren(user, "N2", "Kept", {"y1"});
    user.click("OK");
    ASSERT_EQ(user.current().title, kBrowseTitle);
    EXPECT_EQ(selectedCode(user.current()), "N2");

    // A code changed after its FESK2 records were added takes them along.
    addWithChildren(user, "N3", "Renamed", {"z1"});
    user.tab("General");
    fill(user, "&code:", "N4");
    user.click("OK");
    ASSERT_EQ(user.current().title, kBrowseTitle);

    // A code already stored is refused before any FESK2 record is added.
    addWithChildren(user, "A1", "Twin", {});
    user.answer(apprt::kButtonOk);
    user.click("&Insert");
    EXPECT_EQ(user.current().title, kAddFesk1Title) << "no FESK2 form for a duplicate code";
    EXPECT_EQ(textsOf(user, "Duplicate Key Error").size(), 1u);
    user.click("Cancel");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(),
            (Records{{"A1", "Alpha"}, {"B2", "Bravo"}, {"N2", "Kept"}, {"N4", "Renamed"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A1", "n1"}, {"B2", "m1"}, {"N2", "y1"}, {"N4", "z1"}}));
}

TEST_P(Orphans, AFesk2CodeWithoutItsFesk1RecordIsRefusedAndTheFormStaysOpen) {
  const std::string refusal = "The value for code must be found in the fesk1 file.";
  const int exitCode = runProgram([&](Session& user) {
    openFirstFesk2Form(user);
    ASSERT_EQ(user.current().title, kChangeFesk2Title);
    fill(user, "&code:", "Z9");
    user.answer(apprt::kButtonOk);
    user.click("OK");
    EXPECT_EQ(user.current().title, kChangeFesk2Title) << "the form stays open";
    EXPECT_EQ(textsOf(user, "Field Contents Error"), std::vector<std::string>{refusal});
    fill(user, "&code:", "B2");  // another FESK1 record's code is taken
    user.click("OK");
    ASSERT_EQ(user.current().title, kChangeFesk1Title);
    EXPECT_TRUE(rowsOf(user.current(), kChildList).empty());

    // A code typed in the form, not stored yet, has no FESK1 record either.
    user.tab("General");
    fill(user, "&code:", "Q7");
    user.tab("fesk2");
    user.click("&Insert");
    EXPECT_EQ(control(user.current(), kCodeEntry).text, "Q7");
    fill(user, "&Number:", "q1");
    user.answer(apprt::kButtonOk);
    user.click("OK");
    EXPECT_EQ(user.current().title, kAddFesk2Title);
    EXPECT_EQ(textsOf(user, "Field Contents Error").size(), 2u);
    user.click("Cancel");
    user.click("Cancel");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"B2", "n1"}, {"B2", "m1"}})) << "in entry order";
}

INSTANTIATE_TEST_SUITE_P(Drivers, Orphans, allDrivers(), storeName);

}  // namespace
}  // namespace fesk::test
