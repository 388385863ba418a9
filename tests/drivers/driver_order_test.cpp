// Both drivers keep one order, the runtime's key order: fields compared
// ignoring ASCII letter case only, byte order otherwise, then the identity;
// and a read from any bound a record buffer can hold (blank, lowest and
// highest fills, bytes that are no text) finds the same neighbours on both.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "file_test_support.h"
#include "runtime/files/key_order.h"

namespace filetest {
namespace {

using apprt::ERRCODE;
using fesk::test::ScratchDataSet;

// Values whose order tells case folding, collations and byte order apart.
const std::vector<std::string> kValues{"a",
                                       "A",
                                       "b",
                                       "B",
                                       "_",
                                       "[",
                                       "`",
                                       "{",
                                       "~",
                                       "Z",
                                       "z",
                                       "1",
                                       "10",
                                       "9",
                                       "a b",
                                       "a_b",
                                       "ab",
                                       " a",
                                       "\x01",
                                       "a\x01",
                                       "\xC3\xA9",
                                       "\xC3\x89",
                                       "E",
                                       "e",
                                       "\xC3\x9F",
                                       "SS",
                                       "ss",
                                       "\xCE\xA9",
                                       "\xCF\x89",
                                       "\xE2\x82\xAC",
                                       "\xF0\x9F\x98\x80",
                                       "\xEF\xBF\xBD",
                                       "Ab",
                                       "aB"};

// Bounds as a record buffer may hold them: the field's 20 bytes.
std::vector<std::string> bounds() {
  std::vector<std::string> all;
  const auto field = [](std::string start, char fill) {
    start.resize(20, fill);
    return start;
  };
  for (const char* value : {"", "a", "A", "ab", "\xC3\xA9", "SS", "_", "E"}) {
    for (char fill : {' ', '\0', '\xFF'}) all.push_back(field(value, fill));
  }
  // Byte sequences cut short or never valid, at the start and inside.
  for (const char* value : {"\xC3", "a\xC3", "\xC3(", "e\xE2\x82", "\x80", "\xF4\x90",
                            "\xED\xA0\x80", "\xF0\x9F\x98", "z\xFE"}) {
    all.push_back(field(value, ' '));
  }
  return all;
}

// What reading ITEMS shows on one driver: both orders, and the neighbours
// of every bound.
std::vector<std::string> observe(Store store) {
  ScratchDataSet dataSet(store);
  CODES.bindDriver(dataSet.driver());
  ITEMS.bindDriver(dataSet.driver());
  openTestFiles();
  for (std::size_t i = 0; i < kValues.size(); ++i) {
    ITEMS.clear();
    ITEMS.buffer().CODE = kValues[i];
    ITEMS.buffer().NUMBER = std::to_string(i);
    ITEMS.add();
    EXPECT_EQ(ERRCODE(), 0) << kValues[i] << ": " << apprt::FILEERRORMSG();
  }
  std::vector<std::string> seen;
  for (bool forward : {true, false}) {
    std::string order;
    ITEMS.setOnKey(ITEM_KEY);
    for (forward ? ITEMS.next() : ITEMS.previous(); ERRCODE() == 0;
         forward ? ITEMS.next() : ITEMS.previous()) {
      order += ITEMS.buffer().NUMBER.text() + " ";
    }
    seen.push_back(order);
  }
  for (const std::string& bound : bounds()) {
    for (bool forward : {true, false}) {
      std::memcpy(ITEMS.recordBytes().data(), bound.data(), bound.size());
      ITEMS.setOnKeyValue(ITEM_KEY);
      forward ? ITEMS.next() : ITEMS.previous();
      seen.push_back(ERRCODE() == 0 ? ITEMS.buffer().NUMBER.text() : std::to_string(ERRCODE()));
    }
  }
  closeTestFiles();
  return seen;
}

// The numbers of kValues as the key order ranks them, identities rising in
// the order the values are added: forward, then backward.
std::vector<std::string> keyOrder() {
  std::vector<std::size_t> ranked(kValues.size());
  std::iota(ranked.begin(), ranked.end(), 0);
  std::ranges::sort(ranked, [](std::size_t a, std::size_t b) {
    return apprt::compareKeyPoints({{&kValues[a], 1}, static_cast<apprt::RecordIdentity>(a)},
                                   {{&kValues[b], 1}, static_cast<apprt::RecordIdentity>(b)}) < 0;
  });
  std::string forward;
  std::string backward;
  for (std::size_t i = 0; i < ranked.size(); ++i) {
    forward += std::to_string(ranked[i]) + " ";
    backward += std::to_string(ranked[ranked.size() - 1 - i]) + " ";
  }
  return {forward, backward};
}

TEST(DriverOrder, BothDriversReadTheKeyOrderAndFindTheSameNeighboursOfEveryBound) {
  const auto sqlite = observe(Store::kSqlite);
  const auto postgres = observe(Store::kPostgres);
  ASSERT_EQ(sqlite.size(), 2 + 2 * bounds().size());
  const std::vector<std::string> ranked = keyOrder();
  EXPECT_EQ(sqlite[0], ranked[0]) << "forward";
  EXPECT_EQ(sqlite[1], ranked[1]) << "backward";
  for (std::size_t i = 0; i < sqlite.size(); ++i) {
    EXPECT_EQ(postgres[i], sqlite[i]) << (i < 2 ? "order" : "bound " + std::to_string((i - 2) / 2));
  }
}

// Another tool may store a value with trailing blanks ("A "), the same key
// value as "A" by the files' rule, which a store's index sorts after it. A
// read from such a record finds its true neighbours either way: walked in
// either direction and turned back at every record but the first, each record
// is met once and every turn comes back to the record it left.
TEST(DriverOrder, ValuesStoredWithTrailingBlanksHaveTheSameNeighboursEitherWay) {
  for (Store store : {Store::kSqlite, Store::kPostgres}) {
    ScratchDataSet dataSet(store);
    CODES.bindDriver(dataSet.driver());
    ITEMS.bindDriver(dataSet.driver());
    openTestFiles();
    const auto add = [](const char* code, const char* number) {
      ITEMS.clear();
      ITEMS.buffer().CODE = code;
      ITEMS.buffer().NUMBER = number;
      ITEMS.add();
      ASSERT_EQ(ERRCODE(), 0) << apprt::FILEERRORMSG();
    };
    add("A", "1");
    dataSet.sql("ITEMS", "INSERT INTO items (code, number) VALUES ('A ', '2')");
    add("A", "3");
    dataSet.sql("ITEMS", "INSERT INTO items (code, number) VALUES ('a  ', '4')");
    add("B", "5");
    std::vector<std::string> walks;
    for (bool forward : {true, false}) {
      const auto step = [&](bool onward) { onward == forward ? ITEMS.next() : ITEMS.previous(); };
      std::string walked;
      ITEMS.setOnKey(ITEM_KEY);
      // A walk that meets a record twice is cut after twice the records.
      for (step(true); ERRCODE() == 0 && walked.size() < 10; step(true)) {
        const std::string at = ITEMS.buffer().NUMBER.text();
        walked += at;
        step(false);
        if (ERRCODE() != 0) continue;  // the first record: nothing to turn back from
        step(true);
        ASSERT_EQ(ERRCODE(), 0) << "turned back at " << at;
        EXPECT_EQ(ITEMS.buffer().NUMBER.text(), at) << "turned back at " << at;
      }
      walks.push_back(walked);
    }
    closeTestFiles();
    std::string sorted = walks[0];
    std::ranges::sort(sorted);
    const char* name = store == Store::kSqlite ? "SQLite" : "PostgreSQL";
    EXPECT_EQ(sorted, "12345") << name << ": " << walks[0];
    EXPECT_EQ(std::string(walks[1].rbegin(), walks[1].rend()), walks[0]) << name;
  }
}

// Another tool may store a value longer than its field. It reads cut, and
// change detection compares it in that form, so it can be written back.
TEST(DriverOrder, AnOverlongValueOnTheServerReadsCutAndCanBeWrittenBack) {
  ScratchDataSet dataSet(Store::kPostgres);
  CODES.bindDriver(dataSet.driver());
  ITEMS.bindDriver(dataSet.driver());
  openTestFiles();
  // 22 characters: a field of 20 keeps the first 20, the accented letter last.
  dataSet.sql("", "INSERT INTO codes (code, name) VALUES ('LONG', repeat('x', 19) || '\u00e9zz')");
  CODES.setOnKey(CODE_KEY);
  CODES.watch();
  CODES.next();
  ASSERT_EQ(ERRCODE(), 0);
  EXPECT_EQ(CODES.buffer().NAME.text(), std::string(19, 'x') + "\u00e9");
  CODES.buffer().NAME = "short";
  CODES.put();
  EXPECT_EQ(ERRCODE(), 0) << apprt::FILEERRORMSG();
  closeTestFiles();
}

}  // namespace
}  // namespace filetest
