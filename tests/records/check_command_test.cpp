// fesk check as a user runs it: it names the FESK2 records that belong to no
// FESK1 record, on either driver, and changes nothing.

#include <gtest/gtest.h>

#include "data/data_test_support.h"
#include "records/fesk_process.h"

namespace fesk::test {
namespace {

class CheckCommandTest : public EveryDriverDataTest {
 protected:
  FeskRun check() const {
    std::vector<std::string> arguments{"check"};
    for (const auto& option : optionsNaming(dataSet_)) arguments.push_back(option);
    return runFesk(arguments);
  }
};

TEST_P(CheckCommandTest, OrphansAreNamedAndKept) {
  const Records fesk2 = {{"A1", "n1"}, {"a1", "n2"}, {"B2", "m1"}, {"Z9", "z1"}, {"Z9", "z2"}};
  seed({{"A1", "Alpha"}, {"Q5", "Quebec"}}, fesk2);
  const auto found = check();
  EXPECT_EQ(found.status, 1) << found.err;
  EXPECT_EQ(found.out.substr(0, found.out.find("3 records")),
            "FESK2 records without their FESK1 record:\n"
            "  CODE \"B2\", NUMBER \"m1\"\n"
            "  CODE \"Z9\", NUMBER \"z1\"\n"
            "  CODE \"Z9\", NUMBER \"z2\"\n");
  EXPECT_NE(found.out.find("3 records of FESK2 belong to no FESK1 record"), std::string::npos)
      << found.out;
  EXPECT_EQ(storedFesk2(), fesk2) << "nothing is deleted";
}

TEST_P(CheckCommandTest, ADataSetWithoutOrphansPasses) {
  seed({{"A1", "Alpha"}}, {{"A1", "n1"}, {"a1", "n2"}});
  const auto clean = check();
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_EQ(clean.out, "Every FESK2 record has its FESK1 record.\n");
}

INSTANTIATE_TEST_SUITE_P(Drivers, CheckCommandTest, driversThatCan(Capability::kCommandLineNamed),
                         storeName);

}  // namespace
}  // namespace fesk::test
