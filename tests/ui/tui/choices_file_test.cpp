// The terminal program's remembered choices, kept in a file of their own.

#include "ui/tui/choices_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temporary_directory.h"

namespace fesk::tui {
namespace {

TEST(ChoicesFile, WhatIsKeptIsReadByTheNextRunAndOddLinesAreLeftAlone) {
  fesk::test::TemporaryDirectory directory("fesk-choices");
  const auto path = directory.path() / "not-yet" / "terminal.conf";
  {
    ChoicesFile first(path);
    EXPECT_EQ(first.value("browse/inline"), "") << "nothing kept yet";
    first.setValue("browse/inline", "off");
    first.setValue("browse/order", "name");
    first.setValue("browse/order", "code");
  }
  ChoicesFile next(path);
  EXPECT_EQ(next.value("browse/inline"), "off");
  EXPECT_EQ(next.value("browse/order"), "code");

  std::ofstream(path, std::ios::app) << "no equals sign\n=no key\nkey=a=b\n";
  ChoicesFile third(path);
  EXPECT_EQ(third.value("key"), "a=b") << "a value may hold '='";
  EXPECT_EQ(third.value(""), "");
  EXPECT_EQ(third.value("browse/inline"), "off");
}

}  // namespace
}  // namespace fesk::tui
