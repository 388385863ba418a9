#pragma once
// Small files for the file-layer tests, in a scratch data set of their own
// that goes away after each test, kept by the driver the test is run on.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "raw_sql.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_transaction.h"
#include "runtime/files/file_view.h"
#include "support/scratch_data_set.h"

namespace filetest {

using apprt::FixedString;
using fesk::test::allDrivers;
using fesk::test::Capability;
using fesk::test::driversThatCan;
using fesk::test::Store;

// A file of unique codes with a name each (case-insensitive keys).
struct CodeRecord {
  FixedString<20> CODE;
  FixedString<20> NAME;
};
inline apprt::File<CodeRecord> CODES("CODES", {{"COD:CODE", 20}, {"COD:NAME", 20}},
                                     {{"COD:KEYCODE", 6, {1}, "COD:Keycode"},
                                      {"COD:KEYNAME", 5, {2}, "COD:Keyname"}});
inline const apprt::KeyDeclaration& CODE_KEY = CODES.key(0);
inline const apprt::KeyDeclaration& NAME_KEY = CODES.key(1);

// Any number of numbers under a code (duplicates allowed).
struct ItemRecord {
  FixedString<20> CODE;
  FixedString<20> NUMBER;
};
inline apprt::File<ItemRecord> ITEMS("ITEMS", {{"ITM:CODE", 20}, {"ITM:NUMBER", 20}},
                                     {{"ITM:KEYCODE", 5, {1}, "ITM:Keycode"}});
inline const apprt::KeyDeclaration& ITEM_KEY = ITEMS.key(0);

// Each test starts with CODES and ITEMS created empty and open in its thread,
// kept by the driver of the test's parameter.
class FileTest : public ::testing::TestWithParam<Store> {
 protected:
  FileTest() : dataSet_(GetParam()) {}
  void SetUp() override;
  void TearDown() override;

  static void addCode(const std::string& code, const std::string& name = "");
  static void addItem(const std::string& code, const std::string& number);
  // Every (CODE, NAME) of CODES read forward in the order of `key`.
  static std::vector<std::string> readAll(const apprt::KeyDeclaration& key);
  static std::string currentCode() { return CODES.buffer().CODE.text(); }

  fesk::test::ScratchDataSet dataSet_;
};

using fesk::test::runSqlOn;

// Opens both files in the calling thread (creating them when missing).
void openTestFiles();
void closeTestFiles();

}  // namespace filetest
