// Where a page load starts and which records a browse may show: the range on
// one key field with up to three fixed key components, positioning at the
// start, at a located value and at the end, the reposition requests, and the
// view's strings and re-openings.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "browse/browse_cycle.h"
#include "runtime/constants.h"
#include "runtime/errors.h"
#include "runtime/windows.h"

namespace fesk::detail {
namespace {

// The least character a text value can hold (a value never holds a NUL).
constexpr char kLowestCharacter = '\x01';

std::string withoutTrailingBlanks(std::string_view text) {
  const auto last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string upperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool parseNumber(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0';
}

// Values as fixed-length fields compare them: trailing blanks do not count.
// Numbers compare by value when both sides are numbers.
int compareValues(std::string_view a, std::string_view b, bool asNumbers) {
  const std::string left = withoutTrailingBlanks(a);
  const std::string right = withoutTrailingBlanks(b);
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

void BrowseCycle::checkFixedComponents() {
  if (OutOfRange) return;
  for (const auto& [field, value] : pairsInForce(fixed_)) {
    if (compareValues(field.bytes(), value, false) != 0) {
      OutOfRange = true;
      return;
    }
  }
}

void BrowseCycle::checkRange() {
  if (OutOfRange) return;
  const std::string_view value = range_.rangeField->bytes();
  if (ExactRange) {
    const bool asNumbers = range_.rangeIsNumber != 0;
    OutOfRange = compareValues(value, *range_.rangeLow, asNumbers) < 0 ||
                 compareValues(value, *range_.rangeHigh, asNumbers) > 0;
  } else {
    const std::string upper = upperAscii(std::string(value));
    OutOfRange = compareValues(upper, upperAscii(*range_.rangeLow), false) < 0 ||
                 compareValues(upper, upperAscii(*range_.rangeHigh), false) > 0;
  }
}

void BrowseCycle::setFixedComponents() {
  for (auto [field, value] : pairsInForce(fixed_)) field.assign(value);
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
void BrowseCycle::setBeyondUpperBound() {
  apprt::FieldRef field = *range_.rangeField;
  if (ExactRange) {
    double high = 0;
    parseNumber(withoutTrailingBlanks(*range_.rangeHigh), high);
    field.assign(numberText(high - FillDirection));
    return;
  }
  std::string text = lowerAscii(withoutTrailingBlanks(*range_.rangeHigh));
  const std::string longer = text + kLowestCharacter;
  field.assign(longer);
  if (withoutTrailingBlanks(field.bytes()) == longer) return;
  apprt::utf8StepLastCharacter(text);
  field.assign(text);
}

void BrowseCycle::positionAtStart() {
  if (RangeActive) {
    clearRecord(FillDirection);
    setFixedComponents();
    apprt::FieldRef(*range_.rangeField).assign(*range_.rangeLow);
    if (usingView())
      reopenViewAtKeyValue();
    else
      setOnKeyValue();
  } else if (usingView()) {
    reopenViewAtKeyStart();
  } else {
    setOnKey();
  }
}

// The procedure has put the sought value into the record; a value outside
// the range starts at its lower bound.
void BrowseCycle::positionAtLocatedValue() {
  if (RangeActive) {
    OutOfRange = false;
    setFixedComponents();
    checkRange();
    if (OutOfRange) apprt::FieldRef(*range_.rangeField).assign(*range_.rangeLow);
  }
  if (usingView())
    reopenViewAtKeyValue();
  else
    setOnKeyValue();
}

void BrowseCycle::positionAtEnd() {
  if (RangeActive) {
    clearRecord(FillDirection);
    setFixedComponents();
    setBeyondUpperBound();
    if (usingView()) {
      reopenViewAtKeyValue();
    } else {
      setOnKeyValue();
      if (file_.pastEnd()) setOnKey();
    }
  } else if (usingView()) {
    reopenViewAtKeyStart();
  } else {
    setOnKey();
  }
}

Reposition BrowseCycle::repositionOnRequest() {
  BrowseBlock& blk = b();
  if (blk.SETTOPOSITION == 0) return Reposition::kNone;
  if (blk.SETTOPOSITION == 2 || blk.SETTOPOSITION == 3) {
    if (!blk.THUMBOPTION) setThumb(apprt::kThumbMiddle);
    displayQueue_.get(blk.CURITEM);
    if (blk.SETTOPOSITION == 3) {
      // The selected row's record keeps its row (at most the last one).
      blk.SETTOPOSITION = 0;
      blk.SETTOITEM = std::min(blk.CURITEM, blk.ROWS);
      clearRecord(OrderSign);
      resetToStored();
      NudgeList = 1;
      return Reposition::kLoad;
    }
    resetToStored();
    readForward();  // the row's own record
  }
  blk.SETTOPOSITION = 0;
  blk.SETTOITEM = 1;
  if (usingView()) return repositionInView();
  const std::string current = file_.positionByKey(key_);
  const bool known = apprt::ERRCODE() == apprt::kNoError;
  if (rows() > 0) {
    // The selected row takes the record just written; the reload shows it there.
    if (known) {
      position_ = current;
      displayQueue_.put();
    }
    return Reposition::kReselect;
  }
  if (current.empty())
    setOnKeyValue();
  else
    file_.resetToPosition(key_, current);
  return Reposition::kLoad;
}

// Through a view the record to show is found by its key position: the record
// just written when the file has a current record, else the row's own record
// re-read through the view. (Re-reading the row first would show the old row
// instead of a record the procedure has just inserted or changed.)
Reposition BrowseCycle::repositionInView() {
  scratch_ = file_.positionByKey(key_);
  if (apprt::ERRCODE() != apprt::kNoError) {
    view_->reget(position_);
    scratch_ = file_.positionByKey(key_);
  }
  view_->close();
  applyViewStrings();
  if (rows() > 0) {
    file_.resetToPosition(key_, scratch_);
    view_->open(apprt::kOpenViewMode);
    view_->next();
    if (apprt::ERRCODE() == apprt::kNoError) {
      position_ = view_->position();
      displayQueue_.put();
      return Reposition::kReselect;
    }
    view_->close();
  }
  // No row to take it, or the record no longer lies in the view: load from
  // the record's key position or key value.
  if (scratch_.empty())
    setOnKeyValue();
  else
    file_.resetToPosition(key_, scratch_);
  view_->open(apprt::kOpenViewMode);
  return Reposition::kLoad;
}

void BrowseCycle::serveNudgeList() {
  if (!NudgeList) return;
  NudgeList = 0;
  const long width = apprt::getProp(list(), apprt::kPropWidth);
  apprt::setProp(list(), apprt::kPropWidth, width - 1);
  apprt::setProp(list(), apprt::kPropWidth, width);
}

void BrowseCycle::applyViewStrings() {
  const BrowseBlock& blk = b();
  const std::pair<ViewStringRef, int> strings[] = {{blk.VIEWFILTER, apprt::kPropViewFilter},
                                                   {blk.VIEWSQLFILTER, apprt::kPropViewSqlFilter},
                                                   {blk.VIEWORDER, apprt::kPropViewOrder}};
  for (const auto& [text, property] : strings) {
    if (text == nullptr || *text == UnsetViewString) continue;
    if (withoutTrailingBlanks(*text).empty()) continue;
    view_->setProperty(property, *text);
  }
}

void BrowseCycle::reopenViewAtKeyStart() {
  view_->close();
  applyViewStrings();
  setOnKey();
  view_->open(apprt::kOpenViewMode);
}

void BrowseCycle::reopenViewAtKeyValue() {
  view_->close();
  applyViewStrings();
  setOnKeyValue();
  view_->open(apprt::kOpenViewMode);
}

}  // namespace fesk::detail
