// The declarations of FESK1 and FESK2 and what they promise: keys that ignore
// letter case alike, a unique code, padded codes, and per-thread buffers and
// globals.

#include "data/data_files.h"

#include <gtest/gtest.h>

#include <thread>

#include "data/thread_block.h"
#include "data_test_support.h"
#include "drivers/sqlite/sqlite_driver.h"
#include "runtime/files/errors.h"

namespace fesk::test {
namespace {

TEST(DataFiles, DeclarationsNameTheirFieldsAndKeysByLabel) {
  EXPECT_EQ(FESK1.fileName(), "FESK1");
  EXPECT_EQ(FESK2.fileName(), "FESK2");
  EXPECT_EQ(FESK1.recordLength(), 2 * apprt::fieldBytes(20));
  EXPECT_EQ(FESK2.recordLength(), 2 * apprt::fieldBytes(20));
  ASSERT_EQ(FESK1.fields().size(), 2u);
  EXPECT_EQ(FESK1.fields()[0].name, "FES:CODE");
  EXPECT_EQ(FESK1.fields()[1].name, "FES:NAME");
  EXPECT_EQ(FESK2.fields()[0].name, "FS2:CODE");
  EXPECT_EQ(FESK2.fields()[1].name, "FS2:NUMBER");
  for (const auto* file : {&FESK1.fields(), &FESK2.fields()})
    for (const auto& field : *file) EXPECT_EQ(field.characters, 20u) << field.name;

  ASSERT_EQ(FESK1.keys().size(), 2u);
  ASSERT_EQ(FESK2.keys().size(), 1u);
  struct Expected {
    const apprt::KeyDeclaration& key;
    const char* name;
    int attributes;
    int component;
  };
  for (const Expected& e :
       {Expected{FES_KEYCODE, "FES:KEYCODE", 6, 1}, Expected{FES_KEYNAME, "FES:KEYNAME", 5, 2},
        Expected{FS2_KEYCODE, "FS2:KEYCODE", 5, 1}}) {
    EXPECT_EQ(e.key.name, e.name);
    EXPECT_EQ(e.key.attributes, e.attributes) << e.name;
    EXPECT_EQ(e.key.components, std::vector<int>{e.component}) << e.name;
  }
  EXPECT_FALSE(FES_KEYCODE.allowsDuplicates());
  EXPECT_EQ(FES_KEYCODE.displayName, "FES:Keycode");
  EXPECT_EQ(FES_KEYNAME.displayName, "FES:Keyname");
}

TEST(DataFiles, EachThreadStartsWithBlankBuffersAndZeroedGlobals) {
  // A thread of its own sets the globals, so that later tests in this
  // process start from a clean thread.
  bool blank = false;
  bool kept = false;
  std::thread([&] {
    FESK1.buffer().CODE = "mine";
    threadBlock().RequestCode = 2;
    threadBlock().Fesk2OpenCount = 3;
    threadBlock().SavedCode = "X";
    std::thread([&] {
      const ThreadBlock& fresh = threadBlock();
      blank = FESK1.buffer().CODE == "" && FESK1.buffer().NAME == "" && FESK2.buffer().CODE == "" &&
              FESK2.buffer().NUMBER == "" && fresh.SavedCode == "" && fresh.RequestCode == 0 &&
              fresh.ResponseCode == 0 && fresh.CancelIfUnchanged == 0 &&
              fresh.Fesk1OpenCount == 0 && fresh.Fesk2OpenCount == 0 &&
              fresh.SavedCode.view() == std::string(apprt::fieldBytes(20), ' ');
    }).join();
    kept = FESK1.buffer().CODE.text() == "mine" && threadBlock().RequestCode == 2;
    threadBlock().Fesk2OpenCount = 0;
  }).join();
  EXPECT_TRUE(blank);
  EXPECT_TRUE(kept);
}

TEST(DataFiles, BindingToADriverHappensOnceForTheProcess) {
  bindDataFiles(sqlite::defaultDriver());
  apprt::FaultDriver other(sqlite::defaultDriver());
  EXPECT_FALSE(bindDataFiles(other));
  EXPECT_EQ(FESK1.driver(), &sqlite::defaultDriver());
  EXPECT_EQ(FESK2.driver(), &sqlite::defaultDriver());
}

class DataFileKeysTest : public DataTest {};

TEST_F(DataFileKeysTest, CodesAreUniqueWithoutRegardToLetterCaseAndPadding) {
  seed({{"abc", "one"}}, {});
  FESK1.open(apprt::kOpenSharedReadWrite);
  for (const char* code : {"ABC", "abc", "Abc"}) {
    FESK1.clear();
    FESK1.buffer().CODE = code;
    FESK1.add();
    EXPECT_EQ(apprt::ERRCODE(), apprt::kDuplicateKey) << code;
  }
  FESK1.clear();
  FESK1.buffer().CODE = "abc";
  FESK1.setOnKeyValue(FES_KEYCODE);
  FESK1.next();
  EXPECT_EQ(FESK1.buffer().CODE.view(), "abc" + std::string(apprt::fieldBytes(20) - 3, ' '));
  FESK1.close();
}

TEST_F(DataFileKeysTest, NamesMayRepeatAndEveryKeyIgnoresLetterCaseAlike) {
  seed({{"b", "Same"}, {"A", "same"}, {"C", "other"}}, {{"b", "1"}, {"A", "2"}, {"a", "3"}});
  EXPECT_EQ(storedFesk1(), (Records{{"A", "same"}, {"b", "Same"}, {"C", "other"}}));
  EXPECT_EQ(storedFesk2(), (Records{{"A", "2"}, {"a", "3"}, {"b", "1"}}));
}

}  // namespace
}  // namespace fesk::test
