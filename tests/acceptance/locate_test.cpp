// Locating a record by typing its first character in the list.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;

class Locate : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed({{"1abc", "Zulu"},
          {"2def", "Yankee"},
          {"Apple", "Whiskey"},
          {"Banana", "Victor"},
          {"Blueberry", "Uniform"},
          {"Bramble", "Tango"},
          {"Cherry", "Sierra"},
          {"Damson", "Romeo"}});
  }
};

TEST_F(Locate, ALetterFindsTheFirstCodeAndTheSameLetterAgainMovesOn) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(1);
    user.type("b");
    EXPECT_EQ(selectedCode(user.current()), "Banana");
    // "b" again while the selected code begins with "B": the next record.
    user.type("b");
    EXPECT_EQ(selectedCode(user.current()), "Blueberry");
    user.type("b");
    EXPECT_EQ(selectedCode(user.current()), "Bramble");
    user.type("c");
    EXPECT_EQ(selectedCode(user.current()), "Cherry");
    // Nothing starts with "E": the first code after it is the nearest.
    user.type("e");
    EXPECT_EQ(selectedCode(user.current()), "Damson");
    user.type("a");
    EXPECT_EQ(selectedCode(user.current()), "Apple");
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1().size(), 8u) << "locating writes nothing";
}

TEST_F(Locate, KeypadDigitsLocateAsTheDigitKeys) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(5);
    user.key("Pad2");
    EXPECT_EQ(selectedCode(user.current()), "2def");
    user.key("Pad1");
    EXPECT_EQ(selectedCode(user.current()), "1abc");
    user.key("1");  // the same first character: on to the next record
    EXPECT_EQ(selectedCode(user.current()), "2def");
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(Locate, InNameOrderTheNameIsLocated) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(1);
    user.tab("FES:Keyname");
    user.type("t");
    auto browse = user.current();
    EXPECT_EQ(selectedCode(browse), "Bramble") << "named Tango";
    user.type("w");
    EXPECT_EQ(selectedCode(user.current()), "Apple") << "named Whiskey";
  });
  EXPECT_EQ(exitCode, 0);
}

TEST_F(Locate, KeysThatAreNeitherLettersNorDigitsLocateNothing) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(4);
    for (const char* key : {"F2", "Space", "Shift+F3"}) {
      user.key(key);
      EXPECT_EQ(selectedCode(user.current()), "Banana") << key;
    }
  });
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace fesk::test
