// The data directory: named ones are made when missing; the default follows
// the user's data directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runtime/files/data_directory.h"
#include "support/temporary_directory.h"

namespace apprt {
namespace {

TEST(DataDirectoryTest, ANamedDirectoryIsCreatedWhenMissing) {
  const fesk::test::TemporaryDirectory scratch("fesk-dir");
  const std::filesystem::path& base = scratch.path();
  const auto nested = base / "shared" / "data";
  EXPECT_TRUE(setDataDirectory(nested));
  EXPECT_TRUE(std::filesystem::is_directory(nested));
  EXPECT_EQ(dataDirectory(), nested);

  std::ofstream(base / "plain-file") << "x";
  std::string why;
  EXPECT_FALSE(setDataDirectory(base / "plain-file", &why));
  EXPECT_NE(why.find("plain-file"), std::string::npos);
  EXPECT_EQ(dataDirectory(), nested) << "a refused directory changes nothing";
}

}  // namespace
}  // namespace apprt
