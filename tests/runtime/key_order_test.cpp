// The key order every layer and driver compares by, and the name helper
// beside it.
#include "runtime/files/key_order.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/files/record_layout.h"
#include "runtime/text/ascii_case.h"
#include "runtime/text/key_text.h"

namespace apprt {
namespace {

TEST(KeyOrderTest, FieldsCompareWithoutPaddingAndAsciiCaseAsStoredKeysDo) {
  EXPECT_EQ(compareKeyFields("abc   ", "ABC"), 0);
  EXPECT_EQ(compareKeyFields("", "    "), 0);
  EXPECT_LT(compareKeyFields("ab", "ab\x01"), 0) << "a shorter value comes first";
  EXPECT_LT(compareKeyFields(" a", "a"), 0) << "leading blanks count";
  // Folding to lower case puts the signs between 'Z' and 'a' before every
  // letter, as the stores' indexes hold them.
  EXPECT_LT(compareKeyFields("_", "A"), 0);
  EXPECT_LT(compareKeyFields("A_", "AZ"), 0);
  EXPECT_LT(compareKeyFields("[", "a"), 0);
  // Only ASCII letters fold; other bytes compare unsigned, after ASCII.
  EXPECT_NE(compareKeyFields("\xC3\xA9", "\xC3\x89"), 0);
  EXPECT_LT(compareKeyFields("z", "\xC3\xA9"), 0);
  EXPECT_EQ(keyValue("MiXed \xC3\x89  "), "mixed \xC3\x89");
}

TEST(KeyOrderTest, KeyPointsCompareFieldByFieldThenByIdentity) {
  const std::vector<std::string> ab{"A", "b"};
  const std::vector<std::string> aB{"a ", "B"};
  const std::vector<std::string> ac{"a", "c"};
  EXPECT_EQ(compareKeyPoints({ab, 4}, {aB, 4}), 0);
  EXPECT_LT(compareKeyPoints({ab, 9}, {ac, 1}), 0) << "a field decides before the identity";
  EXPECT_GT(compareKeyPoints({ab, 5}, {aB, 4}), 0) << "equal fields: the identity decides";

  const ReadBound values{.kind = BoundKind::kValues, .values = {"a"}, .identity = 7};
  const ReadBound after{.kind = BoundKind::kRecord, .values = {"a"}, .identity = 7};
  EXPECT_LT(compareKeyPoints({values.values, boundIdentity(values)}, {ab, 1}), 0)
      << "a bound at values alone lies before every record that has them";
  EXPECT_TRUE(boundIncluded(values));
  EXPECT_FALSE(boundIncluded(after));
  EXPECT_EQ(boundIdentity(after), 7);
}

TEST(KeyOrderTest, TypedTextAndNamesFoldAsciiLettersOnly) {
  EXPECT_TRUE(sameKeyText("title", "TITLE"));
  EXPECT_FALSE(sameKeyText("Ã©", "Ã")) << "an accented letter keeps its case";
  EXPECT_FALSE(sameKeyText("ab", "ab ")) << "blanks count where text is typed";
  EXPECT_TRUE(sameIgnoringAsciiCase("fesk1", "FESK1"));
  EXPECT_FALSE(sameIgnoringAsciiCase("fesk1", "FESK"));
  EXPECT_EQ(asciiUpper(std::string_view("pad9-i")), "PAD9-I");
  EXPECT_EQ(asciiLower(std::string_view("Recover=10")), "recover=10");
  EXPECT_EQ(asciiUpper(L'i'), L'I');

  EXPECT_EQ(unprefixedName("FES:CODE"), "CODE");
  EXPECT_EQ(unprefixedName("PLAIN"), "PLAIN");
  EXPECT_EQ(withoutPadding("a b  "), "a b");
  EXPECT_EQ(withoutPadding("   "), "");
}

// Fields of every width, their text ending anywhere: blanks are passed over
// in blocks, and none but the trailing ones may go.
TEST(KeyOrderTest, PaddingIsTakenOffAtEveryWidthAndEveryEndOfText) {
  for (std::size_t width = 0; width <= 40; ++width) {
    EXPECT_EQ(withoutPadding(std::string(width, ' ')), "") << width;
    for (std::size_t end = 1; end <= width; ++end) {
      std::string field(width, ' ');
      field[0] = 'a';
      field[end - 1] = 'z';
      EXPECT_EQ(withoutPadding(field), field.substr(0, end)) << width << " " << end;
    }
  }
}

}  // namespace
}  // namespace apprt
