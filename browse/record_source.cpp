// Forward is the order in which rows run from top to bottom: the key order,
// or against it with REVORDER.

#include "browse/record_source.h"

#include <optional>
#include <string_view>

#include "runtime/files/errors.h"
#include "runtime/files/file_position.h"
#include "runtime/frontend/constants.h"

namespace fesk::detail {

bool readMetStoreTrouble() {
  return apprt::ERRCODE() == apprt::kDriverError;
}

bool RecordSource::usingView() const {
  return call_.view != nullptr && block().USEVIEW != 0;
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

bool RecordSource::readForward() {
  return readNext(call_.file, usingView() ? call_.view : nullptr, block().REVORDER == 0);
}

bool RecordSource::readBackward() {
  return readNext(call_.file, usingView() ? call_.view : nullptr, block().REVORDER != 0);
}

namespace {

// The record a position names, whatever its key values were then.
std::optional<apprt::RecordIdentity> recordAt(const apprt::FileDeclaration& file,
                                              std::string_view position) {
  const std::optional<apprt::Position> decoded = apprt::decodePosition(file, position);
  if (!decoded) return std::nullopt;
  return decoded->identity;
}

}  // namespace

bool RecordSource::readNewRow(bool forward) {
  for (;;) {
    if (!(forward ? readForward() : readBackward())) return false;
    const std::string read = readPosition();
    const std::optional<apprt::RecordIdentity> record = recordAt(call_.file, read);
    const bool elsewhere = record && pageHolds([&](const std::string& position) {
                             return position != read && recordAt(call_.file, position) == record;
                           });
    if (!elsewhere) return true;
  }
}

std::string RecordSource::readPosition() const {
  return usingView() ? call_.view->position() : call_.file.positionByKey(call_.key);
}

void RecordSource::savePosition() {
  call_.position = readPosition();
}

void RecordSource::resetTo(std::string_view position) {
  if (usingView()) {
    call_.view->resetToPosition(position);
  } else {
    call_.file.resetToPosition(call_.key, position);
  }
}

void RecordSource::resetToStored() {
  resetTo(call_.position);
}

// A row's record may have gone since the row was filled: another station
// deleted it or changed its key. The read after the reset then answers the
// neighbour, and a second read would step over that neighbour unseen; so the
// file goes back to the row's place, from where the next read in either
// direction answers the neighbour on that side.
bool RecordSource::standOnRow(size_t entry, bool forward) {
  if (!call_.displayQueue.get(entry)) return false;
  resetToStored();
  if (!(forward ? readForward() : readBackward())) return false;
  if (readPosition() != call_.position) resetToStored();
  return true;
}

bool RecordSource::readRecordShown() {
  const std::string read = readPosition();
  return pageHolds([&](const std::string& position) { return position == read; });
}

bool RecordSource::pageHolds(const std::function<bool(const std::string& position)>& matches) {
  bool held = false;
  for (size_t row = 1; row <= call_.rows() && !held; ++row) {
    call_.displayQueue.get(row);
    held = matches(call_.position);
  }
  call_.displayQueue.clearBuffer();
  return held;
}

void RecordSource::setOnKey() {
  call_.file.setOnKey(call_.key);
}

void RecordSource::setOnKeyValue() {
  call_.file.setOnKeyValue(call_.key);
}

// Fill 0 clears to blanks, -1 to the lowest and +1 to the highest values.
void RecordSource::clearRecord(int fill) {
  call_.file.clear(fill > 0   ? apprt::Fill::kHighest
                   : fill < 0 ? apprt::Fill::kLowest
                              : apprt::Fill::kSpaces);
}

}  // namespace fesk::detail
