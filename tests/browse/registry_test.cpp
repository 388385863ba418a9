// The registry's rules: probe, set and get by number, registration once per
// list control, the working copy that every call switches, and the entries
// leaving with their window.

#include <mutex>

#include "browse/engine_loop.h"
#include "browse/window_hooks.h"
#include "browse_harness.h"
#include "runtime/frontend/constants.h"
#include "runtime/frontend/window_definition.h"
#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"

namespace fesk::browsetest {
namespace {

constexpr std::string_view kRegistryWindows = R"(
module "registrytest$WINDOWS"
window "TWO" mdi "Two Lists" size 200 200
  list 1 at 4 4 90 118 format "80L(2)|M~code~L(2)@S20@"
  list 2 at 100 4 90 62 format "80L(2)|M~code~L(2)@S20@"
  droplist 3 at 4 130 90 40 format "80L(2)|M~code~L(2)@S20@"
  dropcombo 4 at 100 130 90 40 format "80L(2)|M~code~L(2)@S20@"
  button 5 "&OK" at 4 180 40 14
)";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    apprt::registerWindowDefinitions(kRegistryWindows);
    BrowseRegistry.defaults.ExtVScroll = 0;
    BrowseRegistry.defaults.ForceVScrollAll = 0;
  }
  void TearDown() override {
    session.reset();
    BrowseRegistry.defaults.ExtVScroll = 0;
    BrowseRegistry.defaults.ForceVScrollAll = 0;
  }
  // Runs `body` in a procedure thread with the window open, then closes it.
  void inWindow(std::function<void()> body) {
    session = std::make_unique<headless::Session>([body = std::move(body)] {
      apprt::loadWindow("registrytest$WINDOWS", "TWO");
      apprt::bindList(1, first);
      apprt::bindList(2, second);
      apprt::openWindow();
      body();
      apprt::closeWindow();
      apprt::freeWindow();
    });
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& box : session->frontEnd().messageBoxes()) texts.push_back(box.request.text);
    return texts;
  }
  static inline apprt::Queue<Row> first;
  static inline apprt::Queue<Row> second;
  std::unique_ptr<headless::Session> session;
};

TEST_F(RegistryTest, AnUnregisteredListAnswersZeroToTheProbeAndMinusOneOtherwise) {
  inWindow([] {
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRegistered, 0, true), 0);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseAction, 0, true), -1);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRows, 9, false), -1);
    EXPECT_EQ(KX_BrowseProp(1, 0, 0, true), -1);
    EXPECT_EQ(KX_BrowseProp(1, 25, 0, true), -1);
  });
  EXPECT_TRUE(messages().empty());
}

TEST_F(RegistryTest, RegistrationTakesItsDefaultsFromTheControl) {
  BrowseRegistry.defaults.ExtVScroll = 1;
  inWindow([] {
    apprt::setProp(1, apprt::kPropVScroll, 3);
    ASSERT_TRUE(KX_InitBrowse(1, 7, 0, true));
    const BrowseBlock& b = BrowseRegistry.buffer;
    EXPECT_EQ(b.BRWHNDL, apprt::getProp(1, apprt::kPropHandle));
    EXPECT_EQ(b.WINHNDL, apprt::getProp(0, apprt::kPropHandle));
    EXPECT_EQ(b.LISTFLD, 1);
    EXPECT_EQ(b.THREAD, 7);
    EXPECT_EQ(b.VSCROLL, 3);
    EXPECT_EQ(b.DROPCOMBOFLAG, 0);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRegistered, 0, true), 1);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRows, 0, true), 15);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseExtVScroll, 0, true), 1);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseForceVScroll, 0, true), 0);
    for (uint8_t number = 1; number <= 24; ++number) {
      if (number == kBrowseRegistered || number == kBrowseRows || number == kBrowseExtVScroll)
        continue;
      EXPECT_EQ(KX_BrowseProp(1, number, 0, true), 0) << int{number};
    }
    EXPECT_TRUE(KX_InitBrowse(2, 7, 4, false));
    EXPECT_EQ(KX_BrowseProp(2, kBrowseRows, 0, true), 4) << "rows as passed";
  });
}

TEST_F(RegistryTest, ForceVScrollAllTurnsLookAheadOffAndForcesTheScrollBar) {
  BrowseRegistry.defaults.ExtVScroll = 1;
  BrowseRegistry.defaults.ForceVScrollAll = 1;
  inWindow([] {
    ASSERT_TRUE(KX_InitBrowse(1, 1, 0, true));
    EXPECT_EQ(KX_BrowseProp(1, kBrowseExtVScroll, 0, true), 0);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseForceVScroll, 0, true), 1);
  });
}

TEST_F(RegistryTest, SettingAndGettingByNumber) {
  inWindow([] {
    ASSERT_TRUE(KX_InitBrowse(1, 1, 0, true));
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRevOrder, 5, false), 1) << "any non-zero value stores 1";
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRevOrder, 0, true), 1);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseSetToItem, 200, false), 200);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRegistered, 9, false), 1) << "the probe stores nothing";
    EXPECT_EQ(KX_BrowseProp(1, kBrowseSetToItem, 0, true), 200);
    EXPECT_EQ(KX_BrowseProp(1, 25, 9, false), 0);
    EXPECT_EQ(KX_BrowseProp(1, 0, 0, true), 0);
  });
  EXPECT_EQ(messages(), (std::vector<std::string>{"Invalid Parameter ID", "Invalid Parameter ID"}));
}

TEST_F(RegistryTest, RegisteringTwiceChangesNothing) {
  inWindow([] {
    ASSERT_TRUE(KX_InitBrowse(1, 1, 0, true));
    KX_BrowseProp(1, kBrowseNoDeletes, 1, false);
    KX_BrowseProp(1, kBrowseRows, 9, false);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRegistered, 0, true), 1);
    EXPECT_FALSE(KX_InitBrowse(1, 1, 0, true));
    EXPECT_EQ(KX_BrowseProp(1, kBrowseNoDeletes, 0, true), 1);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseRows, 0, true), 9);
  });
}

TEST_F(RegistryTest, EveryCallSwitchesTheWorkingCopyAndADetachedCopyWritesNothing) {
  inWindow([] {
    ASSERT_TRUE(KX_InitBrowse(1, 1, 0, true));
    ASSERT_TRUE(KX_InitBrowse(2, 1, 0, true));
    KX_BrowseProp(1, kBrowseAction, 5, false);
    KX_BrowseProp(2, kBrowseAction, 6, false);
    EXPECT_EQ(BrowseRegistry.buffer.LISTFLD, 2);
    // The working copy belongs to list 2 now; changing it changes list 2 only.
    BrowseRegistry.buffer.SETTOKEY = 4;
    EXPECT_EQ(KX_BrowseProp(1, kBrowseAction, 0, true), 5);
    EXPECT_EQ(KX_BrowseProp(1, kBrowseSetToKey, 0, true), 0);
    EXPECT_EQ(KX_BrowseProp(2, kBrowseSetToKey, 0, true), 4);
    // A probe of an unregistered control detaches it: what is changed then is lost.
    EXPECT_EQ(KX_BrowseProp(5, kBrowseRegistered, 0, true), 0);
    BrowseRegistry.buffer.ACTION = 9;
    EXPECT_EQ(KX_BrowseProp(2, kBrowseAction, 0, true), 6);
  });
}

TEST_F(RegistryTest, DropDownListsAreMarked) {
  inWindow([] {
    ASSERT_TRUE(KX_InitBrowse(3, 1, 0, true));
    EXPECT_EQ(BrowseRegistry.buffer.DROPCOMBOFLAG, 1);
    ASSERT_TRUE(KX_InitBrowse(4, 1, 0, true));
    EXPECT_EQ(BrowseRegistry.buffer.DROPCOMBOFLAG, 1);
  });
}

TEST_F(RegistryTest, TwoListsOfOneWindowHookItOnceAndLeaveWithIt) {
  size_t entries = 0;
  size_t hooks = 0;
  size_t entriesAfter = 99;
  size_t hooksAfter = 99;
  std::mutex mutex;
  session = std::make_unique<headless::Session>([&] {
    apprt::loadWindow("registrytest$WINDOWS", "TWO");
    apprt::openWindow();
    const size_t entriesBefore = BrowseRegistry.records();
    const size_t hooksBefore = WindowHooks.records();
    KX_InitBrowse(2, 1, 0, true);
    KX_InitBrowse(1, 1, 0, true);
    {
      std::lock_guard lock(mutex);
      entries = BrowseRegistry.records() - entriesBefore;
      hooks = WindowHooks.records() - hooksBefore;
    }
    for (size_t n = 2; n <= BrowseRegistry.records(); ++n) {
      BrowseRegistry.get(n - 1);
      const int32_t previous = BrowseRegistry.buffer.BRWHNDL;
      BrowseRegistry.get(n);
      EXPECT_LT(previous, BrowseRegistry.buffer.BRWHNDL) << "ordered by list handle";
    }
    apprt::closeWindow();
    std::lock_guard lock(mutex);
    entriesAfter = BrowseRegistry.records() - entriesBefore;
    hooksAfter = WindowHooks.records() - hooksBefore;
    apprt::freeWindow();
  });
  session->finish();
  EXPECT_EQ(entries, 2u);
  EXPECT_EQ(hooks, 1u);
  EXPECT_EQ(entriesAfter, 0u) << "destroying the window removes both browses";
  EXPECT_EQ(hooksAfter, 0u);
}

TEST_F(RegistryTest, RegisteringAFieldWithoutAControlEndsTheProgram) {
  inWindow([] { KX_InitBrowse(99, 1, 0, true); });
  session->finish();
  EXPECT_EQ(session->exitCode(), 0);
  EXPECT_EQ(messages(),
            std::vector<std::string>{"CRITICAL ERROR #2: Unable to Find Window Handle"});
}

TEST_F(RegistryTest, TheEngineOnAListWithoutAControlEndsTheProgram) {
  inWindow([] {
    std::string position;
    KX_RunBrowse(99, BRCODES, nullptr, CODE_KEY, first, position);
  });
  session->finish();
  EXPECT_EQ(messages(),
            std::vector<std::string>{"CRITICAL ERROR #1: Unable to Find Window Handle"});
}

TEST_F(RegistryTest, TheEngineOnAnUnregisteredListSaysSoOnEveryCallAndItsLoopStops) {
  std::vector<int> actions;
  int loopCalls = 0;
  inWindow([&] {
    std::string position;
    for (int call = 0; call < 2; ++call) {
      KX_RunBrowse(2, BRCODES, nullptr, CODE_KEY, second, position);
      actions.push_back(KX_BrowseProp(2, kBrowseAction, 0, true));
    }
    DriveUntilEventDone(2, {.runEngine =
                                [&] {
                                  ++loopCalls;
                                  KX_RunBrowse(2, BRCODES, nullptr, CODE_KEY, second, position);
                                },
                            .fillRow = [] {}});
  });
  session->finish();
  EXPECT_EQ(actions, (std::vector<int>{-1, -1}));
  EXPECT_EQ(loopCalls, 1) << "the loop asks no more of a list the engine does not know";
  const std::string notice = "KX_Browse Error -- No Browse Initialized for Field# 2";
  EXPECT_EQ(messages(), (std::vector<std::string>{notice, notice, notice}));
}

}  // namespace
}  // namespace fesk::browsetest
