#include "runtime/text/list_format.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using apprt::columnTextIndexes;
using apprt::ListAlignment;
using apprt::ListColumn;
using apprt::parseListFormat;

std::vector<ListColumn> parsed(const std::string& text) {
  std::string error;
  const auto columns = parseListFormat(text, &error);
  EXPECT_TRUE(columns.has_value()) << error;
  return columns.value_or(std::vector<ListColumn>{});
}

ListColumn onlyColumn(const std::string& text) {
  const auto columns = parsed(text);
  EXPECT_EQ(columns.size(), 1u) << text;
  return columns.empty() ? ListColumn{} : columns.front();
}

std::string refusal(const std::string& text) {
  std::string error;
  EXPECT_FALSE(parseListFormat(text, &error)) << text;
  return error;
}

TEST(ListFormat, TheBrowseListFormat) {
  const auto columns = parsed("80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@");
  ASSERT_EQ(columns.size(), 2u);
  for (const ListColumn& column : columns) {
    EXPECT_EQ(column.width, 80);
    EXPECT_EQ(column.alignment, ListAlignment::kLeft);
    EXPECT_EQ(column.indent, 2);
    EXPECT_TRUE(column.rightBorder);
    EXPECT_TRUE(column.resizable);
    EXPECT_TRUE(column.hasHeader);
    EXPECT_EQ(column.headerAlignment, ListAlignment::kLeft);
    EXPECT_EQ(column.headerIndent, 2);
    EXPECT_EQ(column.picture, "@S20");
    EXPECT_EQ(column.fieldNumber, 0);
    EXPECT_TRUE(column.otherElements.empty());
  }
  EXPECT_EQ(columns[0].header, "code");
  EXPECT_EQ(columns[1].header, "name");
  EXPECT_EQ(parsed("80L(2)|M~code~L(2)@S20@80L(2)|M~Number~L(2)@S20@")[1].header, "Number");
}

TEST(ListFormatElements, WidthAlone) {
  const ListColumn column = onlyColumn("45");
  EXPECT_EQ(column.width, 45);
  EXPECT_EQ(column.alignment, ListAlignment::kLeft);
  EXPECT_FALSE(column.hasHeader);
  EXPECT_TRUE(column.picture.empty());
}

TEST(ListFormatElements, AlignmentAndIndent) {
  EXPECT_EQ(onlyColumn("10L").alignment, ListAlignment::kLeft);
  EXPECT_EQ(onlyColumn("10R").alignment, ListAlignment::kRight);
  EXPECT_EQ(onlyColumn("10C").alignment, ListAlignment::kCenter);
  EXPECT_EQ(onlyColumn("10D").alignment, ListAlignment::kDecimal);
  EXPECT_EQ(onlyColumn("10R(4)").indent, 4);
  EXPECT_EQ(onlyColumn("10D(-3)").indent, -3);
  EXPECT_EQ(onlyColumn("10L").indent, 0);
}

TEST(ListFormatElements, BorderAndResizable) {
  const ListColumn border = onlyColumn("10L|");
  EXPECT_TRUE(border.rightBorder);
  EXPECT_FALSE(border.resizable);
  const ListColumn resizable = onlyColumn("10LM");
  EXPECT_FALSE(resizable.rightBorder);
  EXPECT_TRUE(resizable.resizable);
}

TEST(ListFormatElements, HeaderWithItsOwnOrTheColumnsAlignment) {
  const ListColumn own = onlyColumn("10L(1)~Total due~R(5)");
  EXPECT_EQ(own.header, "Total due");
  EXPECT_EQ(own.headerAlignment, ListAlignment::kRight);
  EXPECT_EQ(own.headerIndent, 5);
  EXPECT_EQ(own.alignment, ListAlignment::kLeft);
  EXPECT_EQ(own.indent, 1);

  const ListColumn inherited = onlyColumn("10C(3)~x~");
  EXPECT_EQ(inherited.headerAlignment, ListAlignment::kCenter);
  EXPECT_EQ(inherited.headerIndent, 3);

  const ListColumn empty = onlyColumn("10L~~");
  EXPECT_TRUE(empty.hasHeader);
  EXPECT_EQ(empty.header, "");

  EXPECT_EQ(onlyColumn("10L~a 1@#|~").header, "a 1@#|") << "delimiters of others are text";
  EXPECT_EQ(onlyColumn("10L~Grüße~").header, "Grüße");
}

TEST(ListFormatElements, Picture) {
  EXPECT_EQ(onlyColumn("10L@s5@").picture, "@s5");
  EXPECT_NE(refusal("10L@N9@").find("kind 'N'"), std::string::npos);
  EXPECT_FALSE(refusal("10L@S@").empty());
}

TEST(ListFormatElements, FieldNumber) {
  EXPECT_EQ(onlyColumn("10L#3#").fieldNumber, 3);
  EXPECT_FALSE(refusal("10L#0#").empty());
  EXPECT_FALSE(refusal("10L#x#").empty());
  EXPECT_FALSE(refusal("10L##").empty());
}

TEST(ListFormatElements, UnknownElementsAreKeptInOrder) {
  const ListColumn column = onlyColumn("10L_YS(100)*|");
  EXPECT_EQ(column.otherElements, (std::vector<std::string>{"_", "Y", "S(100)", "*"}));
  EXPECT_TRUE(column.rightBorder);
}

TEST(ListFormatElements, ElementsInAnyOrderAfterTheAlignment) {
  EXPECT_EQ(onlyColumn("20R@s4@#2#M~h~|"), onlyColumn("20R|~h~M#2#@s4@"));
}

TEST(ListFormatErrors, ReasonAndOffset) {
  EXPECT_NE(refusal("L(2)").find("offset 0: expected the width"), std::string::npos);
  EXPECT_NE(refusal("10L~head").find("offset 3: unterminated header"), std::string::npos);
  EXPECT_NE(refusal("10L@S20").find("offset 3: unterminated picture"), std::string::npos);
  EXPECT_NE(refusal("10L(2").find("offset 5: expected ')'"), std::string::npos);
  EXPECT_NE(refusal("10L(x)").find("offset 4: indent"), std::string::npos);
  EXPECT_NE(refusal("10|L").find("offset 3: alignment 'L'"), std::string::npos);
  EXPECT_NE(refusal("10L~a~~b~").find("only one header"), std::string::npos);
  EXPECT_NE(refusal("10L@s1@@s2@").find("only one picture"), std::string::npos);
  EXPECT_NE(refusal("10L#1##2#").find("only one field number"), std::string::npos);
  EXPECT_NE(refusal("99999999999L").find("width"), std::string::npos);
  EXPECT_NE(refusal("40000L").find("width"), std::string::npos);
  EXPECT_NE(refusal("10LZ(3").find("offset 3: unterminated argument"), std::string::npos);
}

TEST(ListFormatErrors, EmptyFormatHasNoColumns) {
  EXPECT_TRUE(parsed("").empty());
}

TEST(ListFormatColumns, TextIndexesFollowFieldNumbers) {
  EXPECT_EQ(columnTextIndexes(parsed("10L10L10L")), (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(columnTextIndexes(parsed("10L#3#10L10L#1#")), (std::vector<size_t>{2, 3, 0}));
}

// Any text either parses or is refused with a reason; nothing may crash or read
// past the end (run under the sanitizers to see the latter).
TEST(ListFormatErrors, RandomTextNeverBreaksTheParser) {
  std::mt19937 random(20240601);
  const std::string alphabet = "0123456789LRCDM|~@#()-sSN_ Y*é";
  std::uniform_int_distribution<int> length(0, 40);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> anyByte(0, 255);
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int size = length(random);
    for (int i = 0; i < size; ++i) {
      text += round % 4 == 0 ? static_cast<char>(anyByte(random)) : alphabet[pick(random)];
    }
    std::string error;
    const auto columns = parseListFormat(text, &error);
    EXPECT_NE(columns.has_value(), !error.empty()) << testing::PrintToString(text);
  }
  const std::string real = "80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@";
  for (size_t cut = 0; cut <= real.size(); ++cut) {
    std::string error;
    const auto columns = parseListFormat(real.substr(0, cut), &error);
    EXPECT_NE(columns.has_value(), !error.empty()) << cut;
  }
}

}  // namespace
