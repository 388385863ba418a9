// The terminal front-end works in the user's locale, which the program takes
// at start-up; the tests take a UTF-8 one, as a terminal showing the
// program's texts needs, so that character classes and widths are known.

#include <gtest/gtest.h>

#include <clocale>

namespace {

class Utf8Locale : public ::testing::Environment {
 public:
  // Runs before any test, so before any thread of the program starts.
  void SetUp() override { std::setlocale(LC_CTYPE, "C.UTF-8"); }  // NOLINT(concurrency-mt-unsafe)
};

const auto* const kLocale = ::testing::AddGlobalTestEnvironment(new Utf8Locale);

}  // namespace
