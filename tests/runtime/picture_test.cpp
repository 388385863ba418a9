#include "runtime/text/picture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using apprt::Picture;

Picture stringPicture(const char* text) {
  std::string error;
  const auto picture = Picture::parse(text, &error);
  EXPECT_TRUE(picture.has_value()) << error;
  return picture.value_or(*Picture::parse("@s1"));
}

std::string repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(PictureParse, StringPictureInEitherCase) {
  EXPECT_EQ(stringPicture("@s20").maxCharacters(), 20u);
  EXPECT_EQ(stringPicture("@S20").maxCharacters(), 20u);
  EXPECT_EQ(stringPicture("@S20").text(), "@S20");
  EXPECT_EQ(stringPicture("@s512").maxCharacters(), 512u);
}

TEST(PictureParse, OtherKindsAreRefusedByName) {
  for (const char* text : {"@n9", "@d6", "@t4", "@p###p", "@k##k", "@e12.2"}) {
    std::string error;
    EXPECT_FALSE(Picture::parse(text, &error)) << text;
    EXPECT_NE(error.find(std::string("kind '") + text[1] + "'"), std::string::npos) << error;
  }
}

TEST(PictureParse, MalformedTextIsRefusedWithAReason) {
  for (const char* text : {"", "@", "s20", "@s", "@s0", "@sx", "@s20x", "@s-3", "@s+3", "@s 20",
                           "@s99999999999999999999", "@s70000", "@s20@"}) {
    std::string error;
    EXPECT_FALSE(Picture::parse(text, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(PictureDisplay, DropsPaddingAndCutsAtTheLength) {
  const Picture picture = stringPicture("@s5");
  EXPECT_EQ(picture.formatForDisplay("ab   "), "ab");
  EXPECT_EQ(picture.formatForDisplay("  ab"), "  ab");
  EXPECT_EQ(picture.formatForDisplay("     "), "");
  EXPECT_EQ(picture.formatForDisplay("abcdefgh"), "abcde");
}

TEST(PictureDisplay, CountsCharactersOfAnyScript) {
  const Picture picture = stringPicture("@s20");
  EXPECT_EQ(picture.formatForDisplay(repeat("a", 19) + "é"), repeat("a", 19) + "é");
  EXPECT_EQ(picture.formatForDisplay(repeat("é", 21)), repeat("é", 20));
  EXPECT_EQ(picture.formatForDisplay(repeat("€", 20) + "x"), repeat("€", 20));
  EXPECT_EQ(picture.formatForDisplay(repeat("😀", 25)), repeat("😀", 20));
  EXPECT_EQ(picture.formatForDisplay("Ångström Émile Öland"), "Ångström Émile Öland");
}

TEST(PictureDisplay, StrayBytesCountAsOneCharacterEach) {
  const Picture picture = stringPicture("@s3");
  EXPECT_EQ(picture.formatForDisplay("a\x80\xFFzz"), "a\x80\xFF");
  EXPECT_EQ(picture.formatForDisplay("ab\xE2\x82"), "ab\xE2");
}

TEST(PictureInput, TakesTextThatFitsWithoutPadding) {
  const Picture picture = stringPicture("@s20");
  EXPECT_EQ(picture.acceptInput("Alpha"), "Alpha");
  EXPECT_EQ(picture.acceptInput("  lead"), "  lead");
  EXPECT_EQ(picture.acceptInput(repeat("x", 20)), repeat("x", 20));
  EXPECT_EQ(picture.acceptInput(repeat("x", 20) + "    "), repeat("x", 20));
  EXPECT_EQ(picture.acceptInput(repeat("é", 20)), repeat("é", 20));
  EXPECT_EQ(picture.acceptInput(repeat("😀", 20) + " "), repeat("😀", 20));
  EXPECT_EQ(picture.acceptInput(""), "");
}

TEST(PictureInput, RefusesTooLongRatherThanCutting) {
  const Picture picture = stringPicture("@s20");
  EXPECT_FALSE(picture.acceptInput(repeat("x", 21)));
  EXPECT_FALSE(picture.acceptInput(repeat("é", 20) + "x"));
  EXPECT_FALSE(picture.acceptInput(repeat("x", 19) + "ÉÉ"));
}

TEST(PictureInput, RefusesBrokenUtf8AndControlCharacters) {
  const Picture picture = stringPicture("@s20");
  for (const std::string& typed :
       {std::string("a\x80"), std::string("\xC3"), std::string("\xC0\x80"),
        std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80"), std::string("\xE2\x82 x"),
        std::string("tab\there"), std::string("line\n"), std::string("nul\0x", 5),
        std::string("del\x7F")}) {
    EXPECT_FALSE(picture.acceptInput(typed)) << testing::PrintToString(typed);
  }
}

TEST(PictureInput, WhatIsShownIsTakenBackUnchanged) {
  const Picture picture = stringPicture("@s20");
  for (const std::string& stored :
       {std::string("Alpha"), repeat("é", 20), std::string("€ 5") + repeat(" ", 10)}) {
    const std::string shown = picture.formatForDisplay(stored);
    EXPECT_EQ(picture.acceptInput(shown), shown);
  }
}

}  // namespace
