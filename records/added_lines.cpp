#include "records/added_lines.h"

#include <algorithm>

namespace fesk::records {

void AddedLines::add(apprt::RecordIdentity identity, std::uint64_t line) {
  if (!runs_.empty()) {
    Run& last = runs_.back();
    const auto rows = static_cast<apprt::RecordIdentity>(last.rows);
    if (identity == last.firstIdentity + rows && line == last.firstLine + last.rows) {
      ++last.rows;
      return;
    }
    if (identity < last.firstIdentity + rows) ascending_ = false;
  }
  runs_.push_back({identity, line, 1});
}

std::optional<std::uint64_t> AddedLines::lineOf(apprt::RecordIdentity identity) const {
  const auto holds = [identity](const Run& run) {
    return identity >= run.firstIdentity &&
           identity - run.firstIdentity < static_cast<apprt::RecordIdentity>(run.rows);
  };
  auto run = runs_.end();
  if (ascending_) {
    const auto after = std::upper_bound(
        runs_.begin(), runs_.end(), identity,
        [](apprt::RecordIdentity wanted, const Run& each) { return wanted < each.firstIdentity; });
    if (after != runs_.begin() && holds(*std::prev(after))) run = std::prev(after);
  } else {
    run = std::find_if(runs_.begin(), runs_.end(), holds);
  }
  if (run == runs_.end()) return std::nullopt;
  return run->firstLine + static_cast<std::uint64_t>(identity - run->firstIdentity);
}

}  // namespace fesk::records
