// Deleting FESK1 records with in-line editing on: a confirmation, no form.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

class InLineDelete : public AcceptanceTest {};

TEST_F(InLineDelete, ConfirmedTheRecordGoesAndTheListStaysOpen) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}});
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    user.answer(apprt::kButtonOk);
    user.key("Del");
    const auto boxes = user.frontEnd().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].request.title, "Confirm Delete");
    const auto browse = user.current();
    EXPECT_EQ(browse.title, kBrowseTitle) << "no form opened";
    EXPECT_EQ(rowsOf(browse, 1), (Records{{"A1", "Alpha"}, {"C3", "Charlie"}}));
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"C3", "Charlie"}}));
}

TEST_F(InLineDelete, CancelDeletesNothing) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}}, {{"B2", "100"}});
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(2);
    user.answer(apprt::kButtonCancel);
    user.key("Del");
    EXPECT_EQ(user.frontEnd().messageBoxes().size(), 1u);
    EXPECT_EQ(rowsOf(user.current(), 1), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
    EXPECT_EQ(selectedCode(user.current()), "B2");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), (Records{{"A1", "Alpha"}, {"B2", "Bravo"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"B2", "100"}}));
}

}  // namespace
}  // namespace fesk::test
