// Text in cells and the editing of an entry: UTF-8 is never cut inside a
// character, wide characters take two cells, pictures limit bytes.

#include <gtest/gtest.h>

#include "ui/tui/entry_editor.h"
#include "ui/tui/text_cells.h"

namespace fesk::tui {
namespace {

// Character widths come from the locale (see utf8_locale.cpp).
class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (textCells(L"漢") != 2) GTEST_SKIP() << "no UTF-8 locale";
  }
};

TEST_F(TextTest, DecodesAndEncodesUtf8) {
  const std::string text = "Zürich €𝄞";
  std::wstring wide = decodeUtf8(text);
  EXPECT_EQ(wide, L"Zürich €𝄞");
  EXPECT_EQ(encodeUtf8(wide), text);
}

TEST_F(TextTest, InvalidBytesShowAsReplacementCharacters) {
  EXPECT_EQ(decodeUtf8("a\xC3"), L"a\xFFFD");                    // cut sequence
  EXPECT_EQ(decodeUtf8("\xC0\x80"), L"\xFFFD\xFFFD");            // overlong
  EXPECT_EQ(decodeUtf8("\xED\xA0\x80"), L"\xFFFD\xFFFD\xFFFD");  // surrogate
  EXPECT_EQ(decodeUtf8("\xC3(x"), L"\xFFFD(x");
}

TEST_F(TextTest, WideCharactersTakeTwoCellsAndAreNeverHalved) {
  EXPECT_EQ(textCells(L"漢字ab"), 6);
  EXPECT_EQ(fitCells(L"漢字", 3), L"漢");
  EXPECT_EQ(fitCells(L"ab漢", 3), L"ab");
  EXPECT_EQ(fitCells(L"e\u0301x", 1), L"e\u0301");  // a combining accent rides along
}

TEST_F(TextTest, MnemonicsMarkACharacterNotAByte) {
  MnemonicCells both = mnemonicCells("Save && E&xit");
  EXPECT_EQ(both.text, L"Save & Exit");
  EXPECT_EQ(both.marked, 8);
  EXPECT_EQ(both.key, 'X');
  MnemonicCells wide = mnemonicCells("漢字 &Insert");
  EXPECT_EQ(wide.text, L"漢字 Insert");
  EXPECT_EQ(wide.marked, 3);
  EXPECT_EQ(mnemonicCells("Close").marked, -1);
}

TEST_F(TextTest, EntryTakesAsManyCharactersOfAnyScriptAsThePictureSays) {
  EntryEditor e;
  e.start("", 4, false);
  EXPECT_TRUE(e.insert(L'a'));
  EXPECT_TRUE(e.insert(L'É'));
  EXPECT_TRUE(e.insert(L'漢'));
  EXPECT_TRUE(e.insert(U'😀'));  // four bytes of UTF-8, one character
  EXPECT_FALSE(e.insert(L'c'));
  EXPECT_TRUE(e.refused());
  EXPECT_EQ(e.text(), "aÉ漢😀");
  e.start("abc", 3, false);
  EXPECT_FALSE(e.insert(L'é'));
  EXPECT_EQ(e.text(), "abc");
  e.backspace();
  EXPECT_TRUE(e.insert(L'é'));
  EXPECT_EQ(e.text(), "abé");
}

TEST_F(TextTest, EntryEnteredByKeyHasItsTextSelectedAndTypingReplacesIt) {
  EntryEditor e;
  e.start("C001", 20, true);
  EXPECT_TRUE(e.allSelected());
  e.insert(L'X');
  EXPECT_EQ(e.text(), "X");
  EXPECT_FALSE(e.allSelected());
  e.start("C001", 20, true);
  e.end();  // moving the cursor keeps the text
  e.insert(L'9');
  EXPECT_EQ(e.text(), "C0019");
  e.start("C001", 20, true);
  EXPECT_TRUE(e.backspace());
  EXPECT_EQ(e.text(), "");
}

TEST_F(TextTest, EntryRefusedReplacementKeepsTheSelectedText) {
  EntryEditor e;
  e.start("ab", 1, true);  // a value the picture would not take any more
  EXPECT_FALSE(e.insert(L'\n'));
  EXPECT_EQ(e.text(), "ab");
  EXPECT_TRUE(e.allSelected());
}

TEST_F(TextTest, EntryEditsWholeCharacters) {
  EntryEditor e;
  e.start("aé漢", 0, false);
  EXPECT_EQ(e.cursorCells(), 4);
  e.backspace();
  EXPECT_EQ(e.text(), "aé");
  e.home();
  e.deleteForward();
  EXPECT_EQ(e.text(), "é");
  e.start("漢字", 0, false);
  e.placeCursor(3);  // a click on the second half of a wide character
  EXPECT_EQ(e.cursor(), 1u);
  e.left();
  e.left();
  EXPECT_EQ(e.cursor(), 0u);
  e.insert(L'x');
  EXPECT_EQ(e.text(), "x漢字");
  EXPECT_FALSE(e.insert(L'\t'));  // control characters are never text
}

}  // namespace
}  // namespace fesk::tui
