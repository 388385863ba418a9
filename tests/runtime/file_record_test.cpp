// Record fields and positions, without any driver.
#include <gtest/gtest.h>

#include <thread>

#include "runtime/file_declaration.h"
#include "runtime/file_position.h"

namespace apprt {
namespace {

struct PairRecord {
  FixedString<6> LEFT;
  FixedString<4> RIGHT;
};

TEST(FileRecordTest, AssignmentPadsWithSpacesAndCutsOnlyBetweenCharacters) {
  FixedString<6> field;
  field = "ab";
  EXPECT_EQ(field.view(), "ab    ");
  EXPECT_EQ(field.text(), "ab");
  field = "abcdefgh";
  EXPECT_EQ(field.view(), "abcdef");
  field = "abcde\xC3\xA9";  // the two-byte character would straddle the end
  EXPECT_EQ(field.view(), "abcde ");
  field = "a\xE2\x82\xAC\xE2\x82\xAC";  // a + two three-byte characters: only one fits
  EXPECT_EQ(field.text(), "a\xE2\x82\xAC");
  field = "";
  EXPECT_EQ(field.text(), "");
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
  pairs.buffer().LEFT = "left";
  pairs.field(1).assign("r");
  EXPECT_EQ(std::string(pairs.recordBytes().data(), 10), "left  r   ");
  EXPECT_EQ(pairs.field(0).text(), "left");
  pairs.clear(Fill::kHighest);
  EXPECT_EQ(pairs.buffer().RIGHT.view(), std::string(4, '\xff'));
  pairs.clear(Fill::kLowest);
  EXPECT_EQ(pairs.buffer().LEFT.view(), std::string(6, '\0'));
  pairs.clear();
  EXPECT_EQ(std::string(pairs.recordBytes().data(), 10), std::string(10, ' '));
}

TEST(FileRecordTest, EachThreadHasItsOwnRecordBuffer) {
  File<PairRecord> pairs("PAIRS", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {});
  pairs.buffer().LEFT = "main";
  std::string seen;
  std::thread([&] { seen = pairs.buffer().LEFT.view(); }).join();
  EXPECT_EQ(seen, "      ");
  EXPECT_EQ(pairs.buffer().LEFT.text(), "main");
}

TEST(FileRecordTest, DeclarationsThatCannotWorkAreRefused) {
  EXPECT_THROW((File<PairRecord>("BAD", {{"PR:LEFT", 6}}, {})), std::logic_error);
  EXPECT_THROW(
      (File<PairRecord>("BAD", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {{"PR:KEY", 4, {3}, "Key"}})),
      std::logic_error);
  FileDeclaration wide("WIDE", {{"W:TEXT", 500}}, {});
  EXPECT_THROW(FileDeclaration("WIDE", {{"W:TEXT", 500}}, {{"W:KEY", 4, {1}, "Key"}}),
               std::logic_error)
      << "a key too long for a 512-byte position";
}

TEST(FilePositionTest, APositionCarriesItsOrderIdentityAndValues) {
  FileDeclaration pairs("PAIRS", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {});
  const std::string record = "left  r:;@";
  const Position position{
      .fields = {1, 0}, .identity = -42, .values = orderValues(pairs, {1, 0}, record)};
  EXPECT_EQ(position.values, (std::vector<std::string>{"R:;@", "LEFT  "}));
  const std::string text = encodePosition(position);
  const auto decoded = decodePosition(pairs, text);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->fields, position.fields);
  EXPECT_EQ(decoded->identity, -42);
  EXPECT_EQ(decoded->values, position.values);
}

TEST(FilePositionTest, TextThatIsNoPositionOfTheFileIsRejected) {
  FileDeclaration pairs("PAIRS", {{"PR:LEFT", 6}, {"PR:RIGHT", 4}}, {});
  for (const char* text :
       {"", "0", "@", "@0;x;LEFT  ", "@0;1;LEFT", "@0;1;LEFT   ", "@7;1;LEFT  ", "@0;1"}) {
    EXPECT_FALSE(decodePosition(pairs, text)) << text;
  }
  EXPECT_TRUE(decodePosition(pairs, "@;12;"));
}

}  // namespace
}  // namespace apprt
