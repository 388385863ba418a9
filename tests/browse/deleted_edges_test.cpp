// Scrolling while another station deletes records at the edges of the page:
// the rows of the page and the records beyond either edge go away between two
// key presses, and the next page (or row) follows on from the survivors,
// skipping none and showing none twice. The test's own thread is the other
// station, with its own connection to the file.

#include <algorithm>
#include <set>

#include "browse_harness.h"
#include "runtime/files/errors.h"
#include "runtime/files/thread_wait.h"

namespace fesk::browsetest {
namespace {

constexpr int kRecords = 70;

class DeletedEdgesTest : public BrowseTest {
 protected:
  void openWith(bool useView) {
    addCodes(kRecords);
    browse.useView = useView;
    if (useView) {
      browse.afterRegistration = [] { KX_BrowseProp(kList, kBrowseUseView, 1, false); };
    }
    open(browse);
  }

  // The other station deletes the record with this code, if it is still there.
  void deleteElsewhere(const std::string& deleted) {
    if (!gone_.insert(deleted).second) return;
    BRCODES.clear();
    BRCODES.buffer().CODE = deleted;
    BRCODES.setOnKeyValue(CODE_KEY);
    BRCODES.next();
    ASSERT_EQ(BRCODES.buffer().CODE.text(), deleted);
    BRCODES.remove();
    ASSERT_EQ(apprt::ERRCODE(), 0) << deleted;
    apprt::threadWillWait();  // no read of this station keeps the file locked
  }

  // The stored records in code order.
  std::vector<std::string> survivors() const {
    std::vector<std::string> all;
    for (const auto& c : codes(1, kRecords))
      if (!gone_.count(c)) all.push_back(c);
    return all;
  }
  // Survivors strictly after (or before) `from`, nearest first.
  std::vector<std::string> survivorsBeyond(const std::string& from, bool after) const {
    std::vector<std::string> all = survivors();
    std::vector<std::string> beyond;
    if (after) {
      std::copy_if(all.begin(), all.end(), std::back_inserter(beyond),
                   [&](const std::string& c) { return c > from; });
    } else {
      std::copy_if(all.rbegin(), all.rend(), std::back_inserter(beyond),
                   [&](const std::string& c) { return c < from; });
    }
    return beyond;
  }

  // Deletes, at both edges of the page shown, the edge row's record and the
  // survivor beyond it.
  void deleteAtBothEdges() {
    const auto page = shownFirst();
    for (bool after : {false, true}) {
      const std::string& edge = after ? page.back() : page.front();
      const auto beyond = survivorsBeyond(edge, after);
      deleteElsewhere(edge);
      if (!beyond.empty()) deleteElsewhere(beyond.front());
    }
  }

  BrowseProcedure browse{BRCODES, CODE_KEY};
  std::set<std::string> gone_;
};

class DeletedEdgesPaging : public DeletedEdgesTest,
                           public ::testing::WithParamInterface<std::tuple<bool, bool>> {
 public:
  // Pages down (or up) through the file, deleting at both edges before every
  // press: each page holds the kRows survivors that follow the old page.
  void pageThrough(bool down) {
    if (!down) session->key("Ctrl+PgDn");
    session->key(down ? "PgDn" : "PgUp");  // onto the edge row
    for (int press = 0; press < 20; ++press) {
      const auto page = shownFirst();
      deleteAtBothEdges();
      auto expected = survivorsBeyond(down ? page.back() : page.front(), down);
      if (static_cast<int>(expected.size()) < kRows) break;  // the end of the file is near
      expected.resize(kRows);
      if (!down) std::reverse(expected.begin(), expected.end());
      session->key(down ? "PgDn" : "PgUp");
      ASSERT_EQ(shownFirst(), expected) << "press " << press;
      EXPECT_EQ(selectedRow(), down ? kRows : 1);
    }
  }
  // Scrolls a row at a time the same way: the survivor next to the edge comes in.
  void scrollThrough(bool down) {
    if (!down) session->key("Ctrl+PgDn");
    session->key(down ? "PgDn" : "PgUp");
    for (int press = 0; press < 40; ++press) {
      auto page = shownFirst();
      deleteAtBothEdges();
      const auto beyond = survivorsBeyond(down ? page.back() : page.front(), down);
      if (beyond.empty()) break;
      if (down) {
        page.erase(page.begin());
        page.push_back(beyond.front());
      } else {
        page.pop_back();
        page.insert(page.begin(), beyond.front());
      }
      session->key(down ? "Down" : "Up");
      ASSERT_EQ(shownFirst(), page) << "press " << press;
    }
  }
};

TEST_P(DeletedEdgesPaging, EverySurvivorIsShownExactlyOnce) {
  const auto [useView, down] = GetParam();
  openWith(useView);
  pageThrough(down);
}

TEST_P(DeletedEdgesPaging, EverySurvivorScrollsInExactlyOnce) {
  const auto [useView, down] = GetParam();
  openWith(useView);
  scrollThrough(down);
}

INSTANTIATE_TEST_SUITE_P(FileOrView, DeletedEdgesPaging,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "View" : "File") +
                                  (std::get<1>(info.param) ? "Down" : "Up");
                         });

}  // namespace
}  // namespace fesk::browsetest
