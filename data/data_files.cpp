#include "data/data_files.h"

#include <mutex>

#include "runtime/files/file_history.h"
#include "runtime/text/key_text.h"

namespace fesk {
namespace {

// Key attributes: 1 allows duplicates; 2 marks the unique code key; 4 is set
// on all three keys (they compare without regard to letter case).
constexpr int kUniqueCodeKey = 6;
constexpr int kKeyWithDuplicates = 5;

}  // namespace

bool sameCode(std::string_view a, std::string_view b) {
  return apprt::sameKeyText(a, b);
}

apprt::File<Fesk1Record> FESK1("FESK1", {{"FES:CODE", 20}, {"FES:NAME", 20}},
                               {{"FES:KEYCODE", kUniqueCodeKey, {1}, "FES:Keycode"},
                                {"FES:KEYNAME", kKeyWithDuplicates, {2}, "FES:Keyname"}});
apprt::File<Fesk2Record> FESK2("FESK2", {{"FS2:CODE", 20}, {"FS2:NUMBER", 20}},
                               {{"FS2:KEYCODE", kKeyWithDuplicates, {1}, "FS2:Keycode"}});

// Who changed a record, when and from what is asked of both files.
[[maybe_unused]] const bool historyKept = [] {
  apprt::keepHistory(FESK1);
  apprt::keepHistory(FESK2);
  return true;
}();

const apprt::KeyDeclaration& FES_KEYCODE = FESK1.key(0);
const apprt::KeyDeclaration& FES_KEYNAME = FESK1.key(1);
const apprt::KeyDeclaration& FS2_KEYCODE = FESK2.key(0);

bool bindDataFiles(apprt::Driver& driver) {
  static std::once_flag bound;
  bool boundNow = false;
  std::call_once(bound, [&] {
    FESK1.bindDriver(driver);
    FESK2.bindDriver(driver);
    boundNow = true;
  });
  return boundNow;
}

}  // namespace fesk
