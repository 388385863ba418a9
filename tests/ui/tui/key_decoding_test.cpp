// Terminal keys as the runtime's key codes.

#include "ui/tui/key_decoding.h"

#include <curses.h>
#include <gtest/gtest.h>

#include <set>

#include "runtime/frontend/constants.h"

namespace fesk::tui {
namespace {

using namespace apprt;

DecodedKey character(wchar_t c, bool alt = false) {
  return decodeKey({false, static_cast<int>(c), alt});
}
int function(int key) {
  return decodeKey({true, key, false}).code;
}

TEST(KeyDecodingTest, TypedCharactersKeepTheCharacterAndGetTheirKeysCode) {
  EXPECT_EQ(character(L'a').code, kKeyA);
  EXPECT_EQ(character(L'a').typed, L'a');
  EXPECT_EQ(character(L'Z').code, kShift + kKeyA + 25);
  EXPECT_EQ(character(L'7').code, kKey0 + 7);
  EXPECT_EQ(character(L' ').code, kKeySpace);
  EXPECT_EQ(character(L';').code, 186);
  EXPECT_EQ(character(L':').code, kShift + 186);
  // A character with no key code of its own is a key that types it.
  EXPECT_EQ(character(L'é').code, kKeyCharacter);
  EXPECT_EQ(character(L'é').typed, L'é');
}

TEST(KeyDecodingTest, ControlCharactersAreKeysNotText) {
  EXPECT_EQ(character(9).code, kKeyTab);
  EXPECT_EQ(character(13).code, kKeyEnter);
  EXPECT_EQ(character(10).code, kKeyEnter);
  EXPECT_EQ(character(27).code, kKeyEsc);
  EXPECT_EQ(character(127).code, 8);
  EXPECT_EQ(character(1).code, kCtrl + kKeyA);
  EXPECT_EQ(character(22).code, kCtrl + kKeyA + 21);  // Ctrl+V
  for (wchar_t c : {9, 13, 27, 127, 1}) EXPECT_EQ(character(c).typed, 0) << static_cast<int>(c);
}

TEST(KeyDecodingTest, FunctionKeys) {
  EXPECT_EQ(function(KEY_NPAGE), kKeyPgDn);
  EXPECT_EQ(function(KEY_PPAGE), kKeyPgUp);
  EXPECT_EQ(function(KEY_BTAB), kKeyShiftTab);
  EXPECT_EQ(function(KEY_DC), kKeyDelete);
  EXPECT_EQ(function(KEY_F(10)), kKeyF10);
  EXPECT_EQ(function(KEY_F(6) + 24), kCtrl + kKeyF1 + 5);  // Ctrl+F6 as terminfo numbers it
  EXPECT_EQ(function(KEY_F(1) + 12), kShift + kKeyF1);
  EXPECT_EQ(function(KEY_SR), kShift + kKeyUp);
  EXPECT_EQ(function(KEY_MOUSE), 0);
}

TEST(KeyDecodingTest, AltIsAddedAndTheLetterIsTheSameWhateverTheCase) {
  EXPECT_EQ(character(L'i', true).code, kAlt + kKeyA + 8);
  EXPECT_EQ(character(L'I', true).code, kAlt + kKeyA + 8);
  EXPECT_EQ(character(L'i', true).typed, 0);
  EXPECT_EQ(decodeKey({true, KEY_F(4), true}).code, kAlt + kKeyF4);
}

TEST(KeyDecodingTest, ModifiedKeySequencesOfXterm) {
  const auto& sequences = modifiedKeySequences();
  auto codeOf = [&](const std::string& text) {
    for (size_t i = 0; i < sequences.size(); ++i)
      if (sequences[i].first == text)
        return decodeKey({true, kFirstOwnKey + static_cast<int>(i), false}).code;
    return -1;
  };
  EXPECT_EQ(codeOf("\033[6;5~"), kCtrl + kKeyPgDn);
  EXPECT_EQ(codeOf("\033[5;5~"), kCtrl + kKeyPgUp);
  EXPECT_EQ(codeOf("\033[1;5H"), kCtrl + kKeyHome);
  EXPECT_EQ(codeOf("\033[1;5F"), kCtrl + kKeyEnd);
  EXPECT_EQ(codeOf("\033[17;5~"), kCtrl + kKeyF1 + 5);
  EXPECT_EQ(codeOf("\033[17;6~"), kCtrl + kShift + kKeyF1 + 5);
  EXPECT_EQ(codeOf("\033[1;2A"), kShift + kKeyUp);
  EXPECT_EQ(codeOf("\033[1;3B"), kAlt + kKeyDown);
  EXPECT_EQ(codeOf("\033[1;8P"), kCtrl + kShift + kAlt + kKeyF1);
  std::set<std::string> distinct;
  for (const auto& [text, code] : sequences) distinct.insert(text);
  EXPECT_EQ(distinct.size(), sequences.size());
  // A code past the table is no key.
  EXPECT_EQ(function(kFirstOwnKey + static_cast<int>(sequences.size())), 0);
}

}  // namespace
}  // namespace fesk::tui
