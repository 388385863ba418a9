// A change form whose record another program changes or deletes says so in
// its title at once, with no gesture at the form, and keeps what was typed;
// its save then offers the choice between the versions as ever.

#include "acceptance_support.h"
#include "other_station.h"
#include "support/wait_until.h"

namespace fesk::test {
namespace {

using headless::Session;

constexpr int kCodeEntry = 3;
constexpr int kNameEntry = 5;
constexpr int kNumberEntry = 5;

class FormNotice : public TwoStationsTest {
 protected:
  // Waits, with no gesture, until the form `handle` has the title `title`.
  static bool titled(Session& user, int handle, const std::string& title) {
    return waitUntil([&] { return windowWithHandle(user, handle).title == title; });
  }
};

TEST_P(FormNotice, TheFesk1FormTellsOfAChangeAndKeepsTheTypingThroughTheSave) {
  seed({{"C010", "Alpha"}, {"C020", "Beta"}});
  startOtherStation();
  const int exitCode = runProgram([&](Session& user) {
    openBrowseWithForms(user);
    user.row(1);
    user.click("&Change");
    const int form = user.current().handle;
    fill(user, "&name:", "Typed at B");

    station_->commit("FESK1", "UPDATE fesk1 SET name = 'Changed at A' WHERE code = 'C010'");
    ASSERT_TRUE(titled(user, form, kChangeFesk1Title + " - Record Changed by Another Station"));
    const auto shown = windowWithHandle(user, form);
    EXPECT_EQ(control(shown, kCodeEntry).text, "C010");
    EXPECT_EQ(control(shown, kNameEntry).text, "Typed at B");

    // OK meets the change as before, and keep mine writes the typing.
    user.useWindow(form);
    user.answer(apprt::kButtonOk);
    user.click("OK");
    user.useWindow("Record Changed by Another Station");
    user.key("Enter");
    EXPECT_FALSE(user.window(kChangeFesk1Title + " - Record Changed by Another Station"));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"C010", "Typed at B"}, {"C020", "Beta"}}));
}

TEST_P(FormNotice, TheFesk2FormTellsOfADeleteAndKeepsTheTyping) {
  seed({{"A1", "Alpha"}}, {{"A1", "n1"}});
  startOtherStation();
  const int exitCode = runProgram([&](Session& user) {
    openFirstFesk2Form(user);
    const int form = user.current().handle;
    fill(user, "&Number:", "typed");

    station_->commit("FESK2", "DELETE FROM fesk2 WHERE code = 'A1'");
    ASSERT_TRUE(titled(user, form, kChangeFesk2Title + " - Record Deleted by Another Station"));
    EXPECT_EQ(control(windowWithHandle(user, form), kNumberEntry).text, "typed");

    // OK offers to add it again; Esc goes back to the form, typing kept.
    user.useWindow(form);
    user.answer(apprt::kButtonOk);
    user.click("OK");
    user.useWindow("Record Deleted by Another Station");
    user.key("Esc");
    EXPECT_EQ(control(windowWithHandle(user, form), kNumberEntry).text, "typed");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk2(), Records{});
}

INSTANTIATE_TEST_SUITE_P(Stores, FormNotice, driversThatCan(Capability::kSharedByProcesses),
                         storeName);

}  // namespace
}  // namespace fesk::test
