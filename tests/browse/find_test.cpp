// Find over a browse: the search line's text located through the list's key
// as it is typed (name order and code order), Find Next through the names,
// a long search stopped as the user's Stop stops it, and what is not found.

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "browse_harness.h"
#include "runtime/files/errors.h"
#include "runtime/files/file_transaction.h"

namespace fesk::browsetest {
namespace {

class FindTest : public BrowseTest {
 protected:
  // Adds in one transaction: a commit each would take most of a test's time.
  static void inOneTransaction(const std::function<void()>& adds) {
    apprt::beginTransaction(5, {&BRCODES});
    adds();
    apprt::commitTransaction();
    ASSERT_EQ(apprt::ERRCODE(), 0);
  }
  // Codes C001 to C040, named N001... but for the names given.
  static void addNamedCodes(const std::map<int, std::string>& names) {
    for (int n = 1; n <= 40; ++n) {
      const auto named = names.find(n);
      addCode(code(n), named != names.end() ? named->second : "N" + code(n).substr(1));
    }
  }
  std::vector<std::string> selected() const {
    const apprt::ControlView shown = list();
    return shown.selected > 0 ? shown.rows.at(shown.selected - 1) : std::vector<std::string>{};
  }
  apprt::FindLineView line() const { return session->current().findLine; }
  void find(const std::string& text) {
    session->key("Ctrl+F");
    session->type(text);
  }
  // Find Next looks into the names alone, as the program's browse asks.
  static void searchNames() { SetBrowseFindField(kList, 2); }

  // The procedures outlive the session that runs them (ended in TearDown).
  BrowseProcedure byCode{BRCODES, CODE_KEY};
  BrowseProcedure byName{BRCODES, NAME_KEY};
};

TEST_F(FindTest, TypingLocatesTheFirstNameThatStartsWithTheWholeText) {
  inOneTransaction([] {
    addCodes(40);
    for (const auto& [codeValue, name] : {std::pair{"X1", "Tom"},
                                          {"X2", "Martina"},
                                          {"X3", "Mark"},
                                          {"X4", "Theo"},
                                          {"X5", "Martin"},
                                          {"X6", "Maria"}})
      addCode(codeValue, name);
  });
  open(byName);
  find("m");
  EXPECT_EQ(selected(), (std::vector<std::string>{"X6", "Maria"}));
  session->type("art");
  EXPECT_EQ(selected(), (std::vector<std::string>{"X5", "Martin"}))
      << "the whole text, not a letter";
  EXPECT_EQ(selectedRow(), 1);
  EXPECT_EQ(list().rows.at(1).at(1), "Martina");
  EXPECT_EQ(line(), (apprt::FindLineView{true, kList, "mart", ""}));
  session->key("Backspace");
  session->key("Backspace");
  session->type("rk");
  EXPECT_EQ(selected(), (std::vector<std::string>{"X3", "Mark"}));
  session->type("s");
  EXPECT_EQ(line().message, "\"marks\" not found");
  EXPECT_EQ(selected(), (std::vector<std::string>{"X3", "Mark"})) << "left where it was";
  EXPECT_EQ(session->current().focus, kList);
}

TEST_F(FindTest, TypingACodePrefixLocatesItInCodeOrderWhateverItsCase) {
  inOneTransaction([] { addCodes(40); });
  open(byCode);
  find("c02");
  EXPECT_EQ(shownFirst(), codes(20, 34));
  EXPECT_EQ(selected().at(0), "C020");
  session->type("5");
  EXPECT_EQ(selected().at(0), "C025");
  session->type("1");
  EXPECT_EQ(line().message, "\"c0251\" not found");
  EXPECT_EQ(selected().at(0), "C025");
  EXPECT_EQ(beeps(), 0);
}

TEST_F(FindTest, EnterGoesOnToTheNextNameHoldingTheTextAnywhere) {
  inOneTransaction([] {
    addNamedCodes({{5, "Old Mill Road"}, {17, "MILLER"}, {33, "Windmill"}});
    addCode("CMILL", "Pond");  // the text in a code alone, after every named one
  });
  byCode.afterRegistration = searchNames;
  open(byCode);
  find("mill");
  EXPECT_EQ(line().message, "\"mill\" not found") << "no code starts with it";
  EXPECT_EQ(selected().at(0), "C001");
  session->key("Enter");
  EXPECT_EQ(selected(), (std::vector<std::string>{"C005", "Old Mill Road"}));
  EXPECT_EQ(selectedRow(), 1) << "the record found takes the selected row";
  for (const char* next : {"C017", "C033"}) {
    session->key("Enter");
    EXPECT_EQ(selected().at(0), next);
    EXPECT_EQ(line().message, "");
  }
  session->key("F3");
  EXPECT_EQ(line().message, "\"mill\" not found") << "codes are not names";
  EXPECT_EQ(selected().at(0), "C033");
  session->key("Esc");
  EXPECT_FALSE(line().open);
  session->key("Down");
  EXPECT_EQ(selected().at(0), "C034") << "the list takes its keys again";
}

TEST_F(FindTest, WithNoFieldChosenFindNextLooksIntoEveryField) {
  inOneTransaction([] {
    addNamedCodes({{33, "Windmill"}});
    addCode("CMILL", "Pond");
  });
  open(byCode);
  find("mill");
  session->key("Enter");
  session->key("Enter");
  EXPECT_EQ(selected(), (std::vector<std::string>{"CMILL", "Pond"}));
}

TEST_F(FindTest, StoppingALongSearchLeavesTheSelectionWhereItWas) {
  inOneTransaction([] {
    addCodes(1100);
    addCode("D001", "Needle");
  });
  byCode.afterRegistration = searchNames;
  open(byCode);
  find("needle");
  session->frontEnd().stopProgress();  // what Esc (or Stop) on the progress report sets
  session->key("Enter");
  EXPECT_EQ(selected().at(0), "C001");
  EXPECT_EQ(line().message, "Find stopped");
  const auto stopped = session->frontEnd().progressReports();
  ASSERT_FALSE(stopped.empty());
  EXPECT_EQ(stopped.front().title, "Find");
  EXPECT_TRUE(stopped.back().ended);

  session->key("Enter");
  EXPECT_EQ(selected(), (std::vector<std::string>{"D001", "Needle"}));
  EXPECT_TRUE(session->frontEnd().progressReports().back().ended);
}

TEST_F(FindTest, EscTypedBeforeTheReportShowsStopsTheSearchAndNothingElse) {
  inOneTransaction([] {
    addCodes(1100);
    addCode("D001", "Needle");
  });
  byCode.afterRegistration = searchNames;
  open(byCode);
  find("needle");
  session->frontEnd().keyDuringWork(apprt::kKeyEsc);
  session->key("Enter");
  EXPECT_EQ(selected().at(0), "C001") << "the search stopped before it found the record";
  EXPECT_EQ(line().message, "Find stopped");
  EXPECT_TRUE(line().open) << "the Esc was taken as the stop, not queued for the line";
  EXPECT_TRUE(session->frontEnd().progressReports().back().ended);

  // The stop is not carried to the next search, and Esc works on the line again.
  session->key("Enter");
  EXPECT_EQ(selected(), (std::vector<std::string>{"D001", "Needle"}));
  session->key("Esc");
  EXPECT_FALSE(line().open);
}

}  // namespace
}  // namespace fesk::browsetest
