#include "data/orphans.h"

#include <span>

#include "runtime/files/errors.h"
#include "runtime/files/key_lookup.h"

namespace fesk {

bool Fesk1HasCode(const apprt::FixedString<20>& code) {
  Fesk1Record parent;
  parent.CODE.fill(apprt::Fill::kSpaces);
  parent.NAME.fill(apprt::Fill::kSpaces);
  parent.CODE = code;
  return apprt::holdsKeyValue(
      FESK1, FES_KEYCODE,
      std::span<const char>(reinterpret_cast<const char*>(&parent), sizeof parent));
}

bool ForEachOrphanFesk2(bool fesk1Exists, const std::function<void(const Fesk2Record&)>& orphan) {
  FESK2.setOnKey(FS2_KEYCODE);
  bool lastCodeHasParent = false;
  bool first = true;
  apprt::FixedString<20> lastCode;
  for (FESK2.next(); apprt::ERRCODE() == apprt::kNoError; FESK2.next()) {
    const Fesk2Record record = FESK2.buffer();
    // The records of one code follow each other: one look-up serves them all.
    if (first || !sameCode(record.CODE.view(), lastCode.view())) {
      first = false;
      lastCode = record.CODE;
      lastCodeHasParent = fesk1Exists && Fesk1HasCode(record.CODE);
      if (apprt::ERRCODE() != apprt::kNoError) return false;
    }
    if (!lastCodeHasParent) orphan(record);
  }
  return apprt::ERRCODE() == apprt::kNoMoreRecords;
}

}  // namespace fesk
