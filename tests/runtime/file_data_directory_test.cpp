// The data directory: named ones are made when missing; the default follows
// the user's data directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "runtime/files/data_directory.h"

namespace apprt {
namespace {

TEST(DataDirectoryTest, ANamedDirectoryIsCreatedWhenMissing) {
  std::string pattern = (std::filesystem::temp_directory_path() / "fesk-dir-XXXXXX").string();
  const std::filesystem::path base = ::mkdtemp(pattern.data());
  const auto nested = base / "shared" / "data";
  EXPECT_TRUE(setDataDirectory(nested));
  EXPECT_TRUE(std::filesystem::is_directory(nested));
  EXPECT_EQ(dataDirectory(), nested);

  std::ofstream(base / "plain-file") << "x";
  std::string why;
  EXPECT_FALSE(setDataDirectory(base / "plain-file", &why));
  EXPECT_NE(why.find("plain-file"), std::string::npos);
  EXPECT_EQ(dataDirectory(), nested) << "a refused directory changes nothing";
  std::filesystem::remove_all(base);
}

}  // namespace
}  // namespace apprt
