// Record fields and positions, without any driver.
#include <gtest/gtest.h>

#include <thread>

#include "runtime/files/file_declaration.h"
#include "runtime/files/file_position.h"

namespace apprt {
namespace {

struct PairRecord {
  FixedString<6> LEFT;
  FixedString<4> RIGHT;
};

std::string repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(FileRecordTest, AFieldHoldsItsCharactersOfAnyScriptPaddedWithSpaces) {
  FixedString<6> field;
  field = "ab";
  EXPECT_EQ(field.view(), "ab" + std::string(fieldBytes(6) - 2, ' '));
  EXPECT_EQ(field.text(), "ab");
  field = "abcdefgh";
  EXPECT_EQ(field.text(), "abcdef");
  field = "abcdeÉ";
  EXPECT_EQ(field.text(), "abcdeÉ");
  field = repeated("€", 7);
  EXPECT_EQ(field.text(), repeated("€", 6));
  field = repeated("😀", 6) + "x";  // the widest characters fill the field exactly
  EXPECT_EQ(field.view(), repeated("😀", 6));
  field = "ab\xC3";  // a broken sequence: its byte is kept as a character of its own
  EXPECT_EQ(field.text(), "ab\xC3");
  field = "";
  EXPECT_EQ(field.text(), "");
}

TEST(FileRecordTest, TextIsCountedAndCutByWholeCharacters) {
  EXPECT_EQ(utf8CharacterCount("Ångström Émile Öland"), 20u);
  EXPECT_EQ(utf8CharacterCount("a\x80\xE2\x82"), 4u) << "stray bytes count one each";
  EXPECT_EQ(utf8CharactersPrefix("É€😀x", 3), std::string_view("É€😀").size());
  EXPECT_EQ(utf8CharactersPrefix("ab", 5), 2u);
  EXPECT_EQ(utf8CharactersPrefix("a\xE2\x82", 2), 2u) << "a broken sequence is cut byte by byte";
}

TEST(FileRecordTest, SteppingTheLastCharacterGivesTheNextWholeCharacter) {
  for (const auto& [original, stepped] : std::vector<std::pair<std::string, std::string>>{
           {"a1", "a2"},
           {"дп", "др"},                          // 0xD0 0xBF: the byte after would cut the letter
           {"xÿ", "xĀ"},                          // two bytes to two bytes of the next lead
           {"x\u07FF", "x\u0800"},                // two bytes to three
           {"x\uD7FF", "x\uE000"},                // over the surrogates
           {"x\U0010FFFF", "x\xF4\x8F\xBF\xC0"},  // no character follows: the byte is stepped
           {"ab\xC3", "ab\xC4"}}) {               // a stray byte is stepped as a byte
    std::string text = original;
    utf8StepLastCharacter(text);
    EXPECT_EQ(text, stepped) << original;
  }
}

TEST(FileRecordTest, ComparisonWithTextIgnoresOnlyThePadding) {
  FixedString<6> field;
  field = "A";
  EXPECT_TRUE(field == "A");
  EXPECT_TRUE(field == "A     ");
  EXPECT_FALSE(field == "a");
  EXPECT_FALSE(field == " A");
}

TEST(FileRecordTest, ClearingFillsEveryFieldAndFieldsAreReachableByNumber) {
  File<PairRecord> pairs("PAIRS", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}},
                         {{"PR:KEY", 4, {2, 1}, "Key"}});
  const std::size_t leftBytes = fieldBytes(6);
  const std::size_t recordBytes = leftBytes + fieldBytes(4);
  ASSERT_EQ(pairs.recordLength(), recordBytes);
  pairs.buffer().LEFT = "left";
  pairs.field(1).assign("rÉ");
  const std::string_view record(pairs.recordBytes().data(), recordBytes);
  EXPECT_EQ(record.substr(0, leftBytes), "left" + std::string(leftBytes - 4, ' '));
  EXPECT_EQ(record.substr(leftBytes, 3), "rÉ");
  EXPECT_EQ(pairs.field(0).text(), "left");
  EXPECT_EQ(pairs.buffer().RIGHT.text(), "rÉ");
  pairs.clear(Fill::kHighest);
  EXPECT_EQ(pairs.buffer().RIGHT.view(), std::string(fieldBytes(4), '\xff'));
  pairs.clear(Fill::kLowest);
  EXPECT_EQ(pairs.buffer().LEFT.view(), std::string(leftBytes, '\0'));
  pairs.clear();
  EXPECT_EQ(std::string(pairs.recordBytes().data(), recordBytes), std::string(recordBytes, ' '));
}

TEST(FileRecordTest, EachThreadHasItsOwnRecordBuffer) {
  File<PairRecord> pairs("PAIRS", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {});
  pairs.buffer().LEFT = "main";
  std::string seen;
  std::thread([&] { seen = pairs.buffer().LEFT.view(); }).join();
  EXPECT_EQ(seen, std::string(fieldBytes(6), ' '));
  EXPECT_EQ(pairs.buffer().LEFT.text(), "main");
}

TEST(FileRecordTest, DeclarationsThatCannotWorkAreRefused) {
  EXPECT_THROW((File<PairRecord>("BAD", {{"PR:LEFT", 6}}, {})), std::logic_error);
  EXPECT_THROW(
      (File<PairRecord>("BAD", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {{"PR:KEY", 4, {3}, "Key"}})),
      std::logic_error);
  FileDeclaration wide("WIDE", {{"W:TEXT", 120}}, {});
  EXPECT_THROW(FileDeclaration("WIDE", {{"W:TEXT", 120}}, {{"W:KEY", 4, {1}, "Key"}}),
               std::logic_error)
      << "a key of 120 characters is too long for a 512-byte position";
}

TEST(FilePositionTest, APositionCarriesItsOrderIdentityAndValues) {
  File<PairRecord> pairs("PAIRS", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {});
  pairs.buffer().LEFT = "leftÉé";
  pairs.buffer().RIGHT = "R:;@";
  const Position position{
      .fields = {1, 0}, .identity = -42, .values = orderValues(pairs, {1, 0}, pairs.recordBytes())};
  // Values as keys compare them: ASCII letters folded, the rest as it is.
  EXPECT_EQ(position.values,
            (std::vector<std::string>{"r:;@" + std::string(fieldBytes(4) - 4, ' '),
                                      "leftÉé" + std::string(fieldBytes(6) - 8, ' ')}));
  const std::string text = encodePosition(position);
  const auto decoded = decodePosition(pairs, text);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->fields, position.fields);
  EXPECT_EQ(decoded->identity, -42);
  EXPECT_EQ(decoded->values, position.values);
}

TEST(FilePositionTest, TextThatIsNoPositionOfTheFileIsRejected) {
  FileDeclaration pairs("PAIRS", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {});
  const std::string left = "LEFT" + std::string(fieldBytes(6) - 4, ' ');
  for (const std::string& text :
       {std::string(), std::string("0"), std::string("@"), "@0;x;" + left, "@0;1;" + left.substr(1),
        "@0;1;" + left + " ", "@7;1;" + left, std::string("@0;1")}) {
    EXPECT_FALSE(decodePosition(pairs, text)) << text;
  }
  EXPECT_TRUE(decodePosition(pairs, "@0;1;" + left));
  EXPECT_TRUE(decodePosition(pairs, "@;12;"));
}

}  // namespace
}  // namespace apprt
