// Key names as scripts and front-ends write them, and back.

#include "runtime/frontend/key_names.h"

#include <gtest/gtest.h>

#include "runtime/frontend/constants.h"

namespace apprt {
namespace {

TEST(KeyNames, NamesGiveTheirPcKeyCodes) {
  struct {
    const char* name;
    int code;
  } cases[] = {
      {"Down", kKeyDown},
      {"Ctrl+PgDn", kCtrl + kKeyPgDn},
      {"Enter", kKeyEnter},
      {"Shift+Tab", kKeyShiftTab},
      {"Ins", kKeyInsert},
      {"Del", kKeyDelete},
      {"Esc", kKeyEsc},
      {"F1", kKeyF1},
      {"F12", kKeyF1 + 11},
      {"a", 'A'},
      {"Z", 'Z'},
      {"7", '7'},
      {"Pad7", kKeyPad0 + 7},
      {"Alt+F4", kAlt + kKeyF4},
      {"Ctrl+Enter", kKeyCtrlEnter},
      {"ctrl+shift+home", kCtrl + kShift + kKeyHome},
      {"Shift+Ctrl+Home", kCtrl + kShift + kKeyHome},
      {"MouseLeft", kKeyMouseLeft},
      {"MouseDouble", kKeyMouseLeftDouble},
  };
  for (auto& c : cases) EXPECT_EQ(keyCodeFromName(c.name), c.code) << c.name;
}

TEST(KeyNames, EveryCodeRoundTrips) {
  for (int modifiers : {0, kShift, kCtrl, kAlt, kShift + kCtrl, kCtrl + kAlt})
    for (int key = 1; key < 256; ++key) {
      int code = modifiers + key;
      std::string name = keyName(code);
      EXPECT_EQ(keyCodeFromName(name), code) << name;
    }
}

TEST(KeyNames, WhatIsNoKeyIsRefused) {
  for (const char* name : {"", "Ctrl+", "Banana", "F0", "F13", "F99999999999999", "Pad", "Key",
                           "Key256", "Key-1", "Ctrl+Banana", "ab", "+"})
    EXPECT_EQ(keyCodeFromName(name), std::nullopt) << name;
}

TEST(KeyNames, NamesReadAsPeopleWriteThem) {
  EXPECT_EQ(keyName(kCtrl + kKeyPgDn), "Ctrl+PgDn");
  EXPECT_EQ(keyName(kKeyShiftTab), "Shift+Tab");
  EXPECT_EQ(keyName('Q' + kAlt), "Alt+Q");
  EXPECT_EQ(keyName(kKeyPad0 + 3), "Pad3");
}

TEST(KeyNames, PunctuationIsTheKeyThatTypesIt) {
  EXPECT_EQ(punctuationKeyCode(U'='), 187);
  EXPECT_EQ(punctuationKeyCode(U'+'), kShift + 187) << "the shifted character adds Shift";
  EXPECT_EQ(punctuationKeyCode(U'\\'), 220);
  EXPECT_EQ(punctuationKeyCode(U'"'), kShift + 222);
  EXPECT_EQ(punctuationKeyCode(U'a'), 0);
  EXPECT_EQ(punctuationKeyCode(U'\u00e9'), 0) << "no key of the US layout types it";
}

}  // namespace
}  // namespace apprt
