#pragma once
// Damage to a SQLite data file made behind the program's back, page by page,
// as a failing disk or a kill in the middle of a write leaves it.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "raw_sql.h"

namespace fesk::test {

inline constexpr int kPageBytes = 4096;

inline std::string fileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Gives the first record of a leaf page of the file's table (named after the
// file: not another table beside it), the first page whose records start past
// identity 1000, the identity of the record before it. The page
// still reads to its end, with one record under the wrong identity: damage
// that only the order of the page's records shows.
inline void giveARecordItsNeighboursIdentity(const std::filesystem::path& database) {
  const std::string leaves =
      "," +
      runSqlOn(database, "SELECT group_concat(pageno) FROM dbstat WHERE name = '" +
                             database.stem().string() + "' AND pagetype = 'leaf'") +
      ",";
  std::string bytes = fileBytes(database);
  const auto byteAt = [&](std::size_t at) { return static_cast<std::uint8_t>(bytes[at]); };
  // A varint as SQLite writes them (big-endian groups of 7 bits): its value
  // and where it ends.
  const auto varint = [&](std::size_t at, std::size_t& end) {
    std::uint64_t value = 0;
    for (end = at; end < at + 8; ++end) {
      value = (value << 7) | (byteAt(end) & 0x7f);
      if ((byteAt(end) & 0x80) == 0) break;
    }
    ++end;
    return value;
  };
  for (std::size_t page = kPageBytes; page + kPageBytes <= bytes.size(); page += kPageBytes) {
    if (leaves.find("," + std::to_string(page / kPageBytes + 1) + ",") == std::string::npos) {
      continue;
    }
    const std::size_t cell = page + (std::size_t{byteAt(page + 8)} << 8 | byteAt(page + 9));
    std::size_t identityAt = 0;
    std::size_t end = 0;
    varint(cell, identityAt);
    const std::uint64_t identity = varint(identityAt, end);
    if (identity <= 1000 || end - identityAt != 2) continue;
    const std::uint64_t neighbour = identity - 1;
    bytes[identityAt] = static_cast<char>(0x80 | (neighbour >> 7));
    bytes[identityAt + 1] = static_cast<char>(neighbour & 0x7f);
    std::ofstream(database, std::ios::binary | std::ios::trunc) << bytes;
    return;
  }
  throw std::runtime_error("no table page to damage in " + database.string());
}

}  // namespace fesk::test
