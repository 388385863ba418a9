// Reads and positions on what the browse reads: the file in the order of its
// key, or the view over it when USEVIEW is set. Forward is the order in which
// rows run from top to bottom: the key order, or against it with REVORDER.

#include "browse/browse_cycle.h"
#include "runtime/constants.h"
#include "runtime/errors.h"
#include "runtime/windows.h"

namespace fesk::detail {

bool BrowseCycle::usingView() const {
  return view_ != nullptr && BrowseRegistry.buffer.USEVIEW != 0;
}

namespace {

bool readNext(const apprt::FileDeclaration& file, apprt::View* view, bool next) {
  if (view) {
    next ? view->next() : view->previous();
  } else {
    next ? file.next() : file.previous();
  }
  return apprt::ERRCODE() == apprt::kNoError;
}

}  // namespace

bool BrowseCycle::readForward() {
  return readNext(file_, usingView() ? view_ : nullptr, b().REVORDER == 0);
}

bool BrowseCycle::readBackward() {
  return readNext(file_, usingView() ? view_ : nullptr, b().REVORDER != 0);
}

// Whether the record just read may become a row.
bool BrowseCycle::accepted() {
  if (!RangeActive) return true;
  OutOfRange = false;
  checkFixedComponents();
  checkRange();
  return !OutOfRange;
}

void BrowseCycle::savePosition() {
  position_ = usingView() ? view_->position() : file_.positionByKey(key_);
}

void BrowseCycle::resetToStored() {
  if (usingView()) {
    view_->resetToPosition(position_);
  } else {
    file_.resetToPosition(key_, position_);
  }
}

bool BrowseCycle::fetchAndReset(size_t entry) {
  if (!displayQueue_.get(entry)) return false;
  resetToStored();
  return true;
}

void BrowseCycle::setOnKey() {
  file_.setOnKey(key_);
}

void BrowseCycle::setOnKeyValue() {
  file_.setOnKeyValue(key_);
}

// Fill 0 clears to blanks, -1 to the lowest and +1 to the highest values.
void BrowseCycle::clearRecord(int fill) {
  file_.clear(fill > 0   ? apprt::Fill::kHighest
              : fill < 0 ? apprt::Fill::kLowest
                         : apprt::Fill::kSpaces);
}

void BrowseCycle::setThumb(int value) {
  apprt::setProp(list(), apprt::kPropVScrollPos, value);
}

int BrowseCycle::thumb() {
  return static_cast<int>(apprt::getProp(list(), apprt::kPropVScrollPos));
}

}  // namespace fesk::detail
