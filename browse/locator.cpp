#include "browse/locator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "browse/list_control.h"
#include "runtime/files/errors.h"
#include "runtime/frontend/constants.h"
#include "runtime/text/key_text.h"
#include "runtime/windows/windows.h"

namespace fesk::detail {
namespace {

// The least character a text value can hold (a value never holds a NUL).
constexpr char kLowestCharacter = '\x01';

bool parseNumber(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0';
}

// Values as fixed-length fields compare them: trailing blanks do not count.
// Numbers compare by value when both sides are numbers.
int compareValues(std::string_view a, std::string_view b, bool asNumbers) {
  const std::string left(apprt::withoutPadding(a));
  const std::string right(apprt::withoutPadding(b));
  double x = 0;
  double y = 0;
  if (asNumbers && parseNumber(left, x) && parseNumber(right, y)) return x < y ? -1 : x > y;
  return left.compare(right);
}

std::string numberText(double value) {
  if (value == std::floor(value) && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<long long>(value));
  }
  return std::to_string(value);
}

// The fixed components in force: pairs from the first on, up to the first
// pair that lacks its field or its value.
std::vector<std::pair<apprt::FieldRef, std::string>> pairsInForce(
    const BrowseFixedComponents& fixed) {
  std::vector<std::pair<apprt::FieldRef, std::string>> inForce;
  for (const auto& [field, value] : {std::pair{&fixed.fixed1Field, &fixed.fixed1Value},
                                     std::pair{&fixed.fixed2Field, &fixed.fixed2Value},
                                     std::pair{&fixed.fixed3Field, &fixed.fixed3Value}}) {
    if (!*field || !*value) break;
    inForce.emplace_back(**field, **value);
  }
  return inForce;
}

}  // namespace

bool Locator::accepted() {
  if (!call_.RangeActive) return true;
  call_.OutOfRange = false;
  checkFixedComponents();
  checkRange();
  return !call_.OutOfRange;
}

void Locator::checkFixedComponents() {
  if (call_.OutOfRange) return;
  for (const auto& [field, value] : pairsInForce(call_.fixed)) {
    if (compareValues(field.bytes(), value, false) != 0) {
      call_.OutOfRange = true;
      return;
    }
  }
}

void Locator::checkRange() {
  if (call_.OutOfRange) return;
  const std::string_view value = call_.range.rangeField->bytes();
  if (call_.ExactRange) {
    const bool asNumbers = call_.range.rangeIsNumber != 0;
    call_.OutOfRange = compareValues(value, *call_.range.rangeLow, asNumbers) < 0 ||
                       compareValues(value, *call_.range.rangeHigh, asNumbers) > 0;
  } else {
    call_.OutOfRange = apprt::compareKeyFields(value, *call_.range.rangeLow) < 0 ||
                       apprt::compareKeyFields(value, *call_.range.rangeHigh) > 0;
  }
}

void Locator::setFixedComponents() {
  for (auto [field, value] : pairsInForce(call_.fixed)) field.assign(value);
}

// Puts into rangeField the least value beyond every value of the range: the
// number above the upper bound, or the text of the bound followed by the
// lowest character. (Stepping the bound's last character up instead would
// leave the codes that merely begin with it, "A10" or "a1x" for "A1", between
// the two, and the last page would start before them, out of the range.) A
// bound that fills its field leaves no room for one more character, and no
// longer value exists: its last character stepped up by one is then beyond
// it. Stepped in lower case: keys fold letters to lower case, so the signs
// between the upper- and lower-case letters sort before every letter, and "Z"
// stepped in upper case ("[") would land before the range instead of after it.
void Locator::setBeyondUpperBound() {
  apprt::FieldRef field = *call_.range.rangeField;
  if (call_.ExactRange) {
    double high = 0;
    parseNumber(std::string(apprt::withoutPadding(*call_.range.rangeHigh)), high);
    field.assign(numberText(high - call_.FillDirection));
    return;
  }
  std::string text = apprt::keyValue(*call_.range.rangeHigh);
  const std::string longer = text + kLowestCharacter;
  field.assign(longer);
  if (apprt::withoutPadding(field.bytes()) == longer) return;
  apprt::utf8StepLastCharacter(text);
  field.assign(text);
}

// Puts into rangeField the upper bound followed by blanks up to the field's
// end, the last of them stepped up to "!": beyond every stored value that is
// the bound by the files' rule, whatever blanks another tool stored after it
// ("A ", "a   "), and before every longer code. False when the bound fills
// the field (no blank can follow it).
bool Locator::setPastTrailingBlanks() {
  apprt::FieldRef field = *call_.range.rangeField;
  std::string text = apprt::keyValue(*call_.range.rangeHigh);
  const auto fits = [&](const std::string& value) {
    field.assign(value);
    return apprt::withoutPadding(field.bytes()) == value;
  };
  if (!fits(text + '!')) return false;
  while (fits(text + " !")) text += ' ';
  field.assign(text + '!');
  return true;
}

// The end of a text range in a store that sorts codes with trailing blanks
// after the same code without them: the record before the bound past the
// blanks must lie in the range (a code holding a character below the blank,
// "A\x01", lies between the two bounds, and only the bound of
// setBeyondUpperBound leaves it out). True when the file stands there.
bool Locator::positionPastTrailingBlanks() {
  if (call_.ExactRange || source_.usingView()) return false;
  const auto setBound = [this] {
    source_.clearRecord(call_.FillDirection);
    setFixedComponents();
    return setPastTrailingBlanks();
  };
  if (!setBound()) return false;
  source_.setOnKeyValue();
  if (!source_.readBackward() || !accepted()) return false;
  setBound();
  source_.setOnKeyValue();
  return true;
}

void Locator::positionAtStart() {
  if (call_.RangeActive) {
    source_.clearRecord(call_.FillDirection);
    setFixedComponents();
    apprt::FieldRef(*call_.range.rangeField).assign(*call_.range.rangeLow);
    if (source_.usingView())
      reopenViewAtKeyValue();
    else
      source_.setOnKeyValue();
  } else if (source_.usingView()) {
    reopenViewAtKeyStart();
  } else {
    source_.setOnKey();
  }
}

// The procedure has put the sought value into the record; a value outside
// the range starts at its lower bound.
void Locator::positionAtLocatedValue() {
  if (call_.RangeActive) {
    call_.OutOfRange = false;
    setFixedComponents();
    checkRange();
    if (call_.OutOfRange) apprt::FieldRef(*call_.range.rangeField).assign(*call_.range.rangeLow);
  }
  if (source_.usingView())
    reopenViewAtKeyValue();
  else
    source_.setOnKeyValue();
}

void Locator::positionAtEnd() {
  if (call_.RangeActive) {
    if (positionPastTrailingBlanks()) return;
    source_.clearRecord(call_.FillDirection);
    setFixedComponents();
    setBeyondUpperBound();
    if (source_.usingView()) {
      reopenViewAtKeyValue();
    } else {
      source_.setOnKeyValue();
      if (call_.file.pastEnd()) source_.setOnKey();
    }
  } else if (source_.usingView()) {
    reopenViewAtKeyStart();
  } else {
    source_.setOnKey();
  }
}

Reposition Locator::repositionOnRequest() {
  BrowseBlock& blk = block();
  if (blk.SETTOPOSITION == kRepositionNone) return Reposition::kNone;
  if (blk.SETTOPOSITION == kRepositionOnSelected || blk.SETTOPOSITION == kRepositionKeepRow) {
    if (!blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
    call_.displayQueue.get(blk.CURITEM);
    if (blk.SETTOPOSITION == kRepositionKeepRow) {
      // The selected row's record keeps its row (at most the last one).
      blk.SETTOPOSITION = kRepositionNone;
      blk.SETTOITEM = std::min(blk.CURITEM, blk.ROWS);
      source_.clearRecord(call_.OrderSign);
      source_.resetToStored();
      engineState().NudgeList = 1;
      return Reposition::kLoad;
    }
    source_.resetToStored();
    source_.readForward();  // the row's own record
  }
  blk.SETTOPOSITION = kRepositionNone;
  blk.SETTOITEM = kReloadOnSelected;
  if (source_.usingView()) return repositionInView();
  const std::string current = call_.file.positionByKey(call_.key);
  const bool known = apprt::ERRCODE() == apprt::kNoError;
  if (call_.rows() > 0) {
    // The selected row takes the record just written; the reload shows it there.
    if (known) {
      call_.position = current;
      call_.displayQueue.put();
    }
    return Reposition::kReselect;
  }
  if (current.empty())
    source_.setOnKeyValue();
  else
    call_.file.resetToPosition(call_.key, current);
  return Reposition::kLoad;
}

// Through a view the record to show is found by its key position: the record
// just written when the file has a current record, else the row's own record
// re-read through the view. (Re-reading the row first would show the old row
// instead of a record the procedure has just inserted or changed.)
Reposition Locator::repositionInView() {
  call_.scratch = call_.file.positionByKey(call_.key);
  if (apprt::ERRCODE() != apprt::kNoError) {
    call_.view->reget(call_.position);
    call_.scratch = call_.file.positionByKey(call_.key);
  }
  call_.view->close();
  applyViewStrings();
  if (call_.rows() > 0) {
    call_.file.resetToPosition(call_.key, call_.scratch);
    call_.view->open(apprt::kOpenViewMode);
    call_.view->next();
    if (apprt::ERRCODE() == apprt::kNoError) {
      call_.position = call_.view->position();
      call_.displayQueue.put();
      return Reposition::kReselect;
    }
    call_.view->close();
  }
  // No row to take it, or the record no longer lies in the view: load from
  // the record's key position or key value.
  if (call_.scratch.empty())
    source_.setOnKeyValue();
  else
    call_.file.resetToPosition(call_.key, call_.scratch);
  call_.view->open(apprt::kOpenViewMode);
  return Reposition::kLoad;
}

void Locator::applyViewStrings() {
  const BrowseBlock& blk = block();
  const std::pair<ViewStringRef, int> strings[] = {{blk.VIEWFILTER, apprt::kPropViewFilter},
                                                   {blk.VIEWSQLFILTER, apprt::kPropViewSqlFilter},
                                                   {blk.VIEWORDER, apprt::kPropViewOrder}};
  for (const auto& [text, property] : strings) {
    if (text == nullptr || *text == UnsetViewString) continue;
    if (apprt::withoutPadding(*text).empty()) continue;
    call_.view->setProperty(property, *text);
  }
}

void Locator::reopenViewAtKeyStart() {
  call_.view->close();
  applyViewStrings();
  source_.setOnKey();
  call_.view->open(apprt::kOpenViewMode);
}

void Locator::reopenViewAtKeyValue() {
  call_.view->close();
  applyViewStrings();
  source_.setOnKeyValue();
  call_.view->open(apprt::kOpenViewMode);
}

}  // namespace fesk::detail
