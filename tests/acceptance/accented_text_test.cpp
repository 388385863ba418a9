// Codes and names of twenty characters of any script, typed, stored, shown,
// located and keyed whole.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

std::string repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// Twenty characters each, forty bytes of UTF-8 and more; the two codes differ
// only in their last character.
const std::string kLongName = "Ångström Émile Öland";
const std::string kCode = repeated("É", 20);
const std::string kNeighbourCode = repeated("É", 19) + "Ê";

class AccentedText : public AcceptanceTest {};

TEST_F(AccentedText, ATwentyCharacterAccentedNameIsStoredShownLocatedAndKeyedWhole) {
  seed({{"B2", "Bravo"}, {"Z9", "Zulu"}});
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    // In place, in the list's own row.
    user.key("Ins");
    user.type(kCode);
    user.key("Tab");
    user.type(kLongName);
    user.key("Ctrl+Enter");
    EXPECT_EQ(selectedCode(user.current()), kCode);

    // Through the form, with in-line editing off.
    user.click("InLine On");
    user.click("&Insert");
    ASSERT_EQ(user.current().title, kAddFesk1Title);
    fill(user, "&code:", kNeighbourCode);
    fill(user, "&name:", "Émile");
    user.click("OK");
    ASSERT_EQ(user.current().title, kBrowseTitle);
    EXPECT_TRUE(user.frontEnd().messageBoxes().empty()) << "codes differing in their 20th "
                                                           "character are two codes";
    EXPECT_EQ(
        rowsOf(user.current(), 1),
        (Records{{"B2", "Bravo"}, {"Z9", "Zulu"}, {kCode, kLongName}, {kNeighbourCode, "Émile"}}));

    // The same code again is a duplicate: the key holds all of it.
    user.answer(apprt::kButtonOk);
    user.click("&Insert");
    fill(user, "&code:", kCode);
    user.click("OK");
    ASSERT_EQ(user.frontEnd().messageBoxes().size(), 1u);
    EXPECT_EQ(user.frontEnd().messageBoxes()[0].request.title, "Duplicate Key Error");
    user.click("Cancel");

    // Typed in the list in name order, the accented letters locate their names.
    user.tab("FES:Keyname");
    user.row(1);
    user.type("É");
    EXPECT_EQ(selectedCode(user.current()), kNeighbourCode);
    user.type("Å");
    EXPECT_EQ(selectedCode(user.current()), kCode);
    user.type("b");
    EXPECT_EQ(selectedCode(user.current()), "B2");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(
      storedFesk1(),
      (Records{{"B2", "Bravo"}, {"Z9", "Zulu"}, {kCode, kLongName}, {kNeighbourCode, "Émile"}}));
}

}  // namespace
}  // namespace fesk::test
