#pragma once
// Reads and positions on what the browse reads: the file in the order of its
// key, or the view over it when USEVIEW is set.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "browse/browse_call.h"

namespace fesk::detail {

// Whether the read that just failed met trouble in the store (the driver's
// error, 90: a server gone, say) rather than the end of the records or a
// record that is gone. This is the one place where the browse tells them apart.
bool readMetStoreTrouble();

class RecordSource {
 public:
  explicit RecordSource(BrowseCall& call) : call_(call) {}

  bool usingView() const;
  bool readForward();
  bool readBackward();
  // Reads the next record that way for a new row, passing over records that
  // are on the page already at another place: a row kept from an earlier
  // read names its record at the key it had then, which another program may
  // have changed since, so that a fresh read meets the record again further
  // on. It shows once, at its row, until the page is read again. False when
  // no record is left that way.
  bool readNewRow(bool forward);
  std::string readPosition() const;  // of the record just read
  void savePosition();
  void resetTo(std::string_view position);
  void resetToStored();  // to the entry buffer's position
  // Fetches a display entry and stands on its record (read again `forward` or
  // backward), so that the next read that way answers the row beyond it. False
  // when there is no such entry or no record that way.
  bool standOnRow(size_t entry, bool forward);
  // Whether the record just read is on the page already. A store that sorts
  // a code stored with trailing blanks apart from the same code without them
  // (another tool wrote it) can answer such a record again when asked for the
  // one after it; it must not show twice. Leaves the entry buffer clear.
  bool readRecordShown();
  void setOnKey();
  void setOnKeyValue();
  void clearRecord(int fill);

 private:
  // Whether a row of the page holds a position that `matches`; leaves the
  // entry buffer clear.
  bool pageHolds(const std::function<bool(const std::string& position)>& matches);

  BrowseCall& call_;
};

}  // namespace fesk::detail
