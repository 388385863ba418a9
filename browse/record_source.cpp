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

std::string BrowseCycle::readPosition() const {
  return usingView() ? view_->position() : file_.positionByKey(key_);
}

void BrowseCycle::savePosition() {
  position_ = readPosition();
}

void BrowseCycle::resetTo(std::string_view position) {
  if (usingView()) {
    view_->resetToPosition(position);
  } else {
    file_.resetToPosition(key_, position);
  }
}

void BrowseCycle::resetToStored() {
  resetTo(position_);
}

// A row's record may have gone since the row was filled: another station
// deleted it or changed its key. The read after the reset then answers the
// neighbour, and a second read would step over that neighbour unseen; so the
// file goes back to the row's place, from where the next read in either
// direction answers the neighbour on that side.
bool BrowseCycle::standOnRow(size_t entry, bool forward) {
  if (!displayQueue_.get(entry)) return false;
  resetToStored();
  if (!(forward ? readForward() : readBackward())) return false;
  if (readPosition() != position_) resetToStored();
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
