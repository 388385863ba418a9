// A caller that asks the browse to select a record (kSelectRecordRequest)
// gets the record chosen in the FESK1 buffer and kResponseCompleted, or
// kResponseCancelled when the user closes the window without a choice.

#include "acceptance_support.h"
#include "data/data_files.h"
#include "data/thread_block.h"
#include "procedures/browse_fesk1.h"
#include "procedures/request_codes.h"

namespace fesk::test {
namespace {

using headless::Session;

class SelectMode : public AcceptanceTest {
 protected:
  // Runs a caller that asks for a record, and tells what it got back.
  int selectWith(const std::function<void(Session&)>& user) {
    return runProgramWith(
        [this] {
          threadBlock().RequestCode = kSelectRecordRequest;
          BrowseFesk1();
          chosen_ = FESK1.buffer().CODE.text();
          response_ = threadBlock().ResponseCode;
        },
        user);
  }

  std::string chosen_;
  int response_ = 0;
};

TEST_F(SelectMode, TheSelectButtonHandsTheChosenRecordBack) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}});
  const int exitCode = selectWith([&](Session& user) {
    const auto browse = user.current();
    EXPECT_FALSE(control(browse, 3).hidden);
    EXPECT_TRUE(control(browse, 3).enabled);
    user.row(2);
    user.click("&Select");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(response_, kResponseCompleted);
  EXPECT_EQ(chosen_, "B2");
}

TEST_F(SelectMode, ADoubleClickOnARowChoosesIt) {
  seed({{"A1", "Alpha"}, {"B2", "Bravo"}, {"C3", "Charlie"}});
  const int exitCode = selectWith([&](Session& user) { user.doubleRow(3); });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(response_, kResponseCompleted);
  EXPECT_EQ(chosen_, "C3");
}

TEST_F(SelectMode, CloseChoosesNothingAndAnEmptyFileOffersNothingToSelect) {
  const int exitCode = selectWith([&](Session& user) {
    EXPECT_FALSE(control(user.current(), 3).enabled);
    user.click("Close");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(response_, kResponseCancelled);
}

}  // namespace
}  // namespace fesk::test
