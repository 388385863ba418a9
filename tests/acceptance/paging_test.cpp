// Paging through 100 records a row and a page at a time, to the first and
// the last page, in code order and in name order.

#include "acceptance_support.h"

namespace fesk::test {
namespace {

using headless::Session;
using Codes = std::vector<std::string>;

constexpr int kRecords = 100;
constexpr int kRowsShown = 15;  // the list's height holds 15 rows

// C001 .. C100, named so that name order runs the other way: C001 is N100.
Records hundredRecords() {
  Records records;
  for (int i = 1; i <= kRecords; ++i)
    records.emplace_back(numbered('C', i), numbered('N', kRecords + 1 - i));
  return records;
}

Codes codesFrom(int first, int last) {
  Codes codes;
  for (int i = first; first <= last ? i <= last : i >= last; first <= last ? ++i : --i)
    codes.push_back(numbered('C', i));
  return codes;
}

class Paging : public AcceptanceTest {
 protected:
  void SetUp() override {
    AcceptanceTest::SetUp();
    seed(hundredRecords());
  }
};

TEST_F(Paging, ByRowByPageAndToEitherEndInCodeOrder) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    auto browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(1, kRowsShown));

    user.row(1);
    for (int i = 1; i < kRowsShown; ++i) user.key("Down");
    browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(1, kRowsShown)) << "the selection moved, not the page";
    EXPECT_EQ(selectedCode(browse), "C015");

    user.key("Down");
    browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(2, 16)) << "one row further down";
    EXPECT_EQ(selectedCode(browse), "C016");
    user.key("Up");
    EXPECT_EQ(selectedCode(user.current()), "C015");

    user.key("PgDn");  // the selection goes to the last row first
    EXPECT_EQ(selectedCode(user.current()), "C016");
    user.key("PgDn");
    browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(17, 31));
    EXPECT_EQ(selectedCode(browse), "C031");

    user.key("PgUp");  // the selection goes to the first row first
    EXPECT_EQ(selectedCode(user.current()), "C017");
    user.key("PgUp");
    browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(2, 16));
    EXPECT_EQ(selectedCode(browse), "C002");

    user.key("Ctrl+End");
    browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(86, 100));
    EXPECT_EQ(selectedCode(browse), "C100");
    EXPECT_EQ(control(browse, 1).thumb, 100);
    const int beepsAtEnd = user.frontEnd().beeps();
    user.key("Down");
    EXPECT_EQ(codesOf(user.current()), codesFrom(86, 100)) << "nothing lies beyond the last";
    EXPECT_GT(user.frontEnd().beeps(), beepsAtEnd);

    user.key("Ctrl+Home");
    browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(1, kRowsShown));
    EXPECT_EQ(selectedCode(browse), "C001");
    EXPECT_EQ(control(browse, 1).thumb, 0);
  });
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(storedFesk1(), hundredRecords()) << "paging writes nothing";
}

TEST_F(Paging, NameOrderKeepsTheSelectedRecordAndPagesByName) {
  const int exitCode = runProgram([&](Session& user) {
    user.menu("&fesk");
    user.row(3);
    user.tab("FES:Keyname");
    auto browse = user.current();
    EXPECT_EQ(control(browse, 2).choice, 2);
    EXPECT_EQ(selectedCode(browse), "C003") << "the list stays on the selected record";
    EXPECT_EQ(rowsOf(browse, 1).at(control(browse, 1).selected - 1).second, "N098");
    EXPECT_EQ(control(browse, 1).format, "80L(2)|M~code~L(2)@S20@80L(2)|M~name~L(2)@S20@");

    user.key("Ctrl+Home");
    browse = user.current();
    EXPECT_EQ(codesOf(browse), codesFrom(100, 86)) << "by name, C100 (N001) comes first";
    user.key("PgDn");
    user.key("PgDn");
    EXPECT_EQ(codesOf(user.current()), codesFrom(85, 71));
    user.key("Ctrl+End");
    EXPECT_EQ(codesOf(user.current()), codesFrom(15, 1));

    user.tab("FES:Keycode");
    browse = user.current();
    EXPECT_EQ(selectedCode(browse), "C001");
    EXPECT_EQ(codesOf(browse), codesFrom(1, kRowsShown));
  });
  EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace fesk::test
