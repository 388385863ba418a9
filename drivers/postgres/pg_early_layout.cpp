#include "drivers/postgres/pg_early_layout.h"

namespace fesk::postgres {

void EarlyLayout::keep(int opening, Result answer) {
  opening_ = opening;
  askedAt_ = std::chrono::steady_clock::now();
  answer_ = std::move(answer);
  taken_.clear();
}

void EarlyLayout::forget() {
  keep(0, Result());
}

std::optional<LayoutRows> EarlyLayout::take(int opening, std::string_view table) {
  if (opening == 0 || opening != opening_ || !answer_.get() || taken_.contains(table) ||
      std::chrono::steady_clock::now() - askedAt_ > kFresh) {
    return {};
  }
  taken_.emplace(table);
  LayoutRows rows{answer_, 0, 0};
  const int count = answer_.rows();
  while (rows.first < count && answer_.text(rows.first, 0) != table) ++rows.first;
  rows.end = rows.first;
  while (rows.end < count && answer_.text(rows.end, 0) == table) ++rows.end;
  if (rows.first == rows.end) return {};
  return rows;
}

}  // namespace fesk::postgres
