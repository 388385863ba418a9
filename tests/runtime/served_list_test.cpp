// A previewed list read from the front-end's thread while the procedure that
// shows it serves the reads: blocks from any remembered place, the source's
// failures told to the reader, and no reading once the procedure has gone.

#include "runtime/windows/served_list.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

namespace apprt {
namespace {

using std::chrono::milliseconds;

// Items "1".."count" in blocks of three, each placed at its number; reading
// at `failAt` fails.
class CountingSource : public PlacedListSource {
 public:
  explicit CountingSource(int count, int failAt = 0) : count_(count), failAt_(failAt) {}
  bool read(std::vector<PrintedItem>& items) override {
    items.clear();
    places_.clear();
    for (int i = 0; i < 3 && next_ <= count_; ++i, ++next_) {
      if (next_ == failAt_) throw PrintError("cannot read item " + std::to_string(next_));
      items.push_back({{std::to_string(next_)}, {}});
      places_.push_back(std::to_string(next_));
    }
    return !items.empty();
  }
  const std::vector<std::string>& places() const override { return places_; }
  void readFrom(const std::string& place) override { next_ = place.empty() ? 1 : std::stoi(place); }

 private:
  int count_;
  int failAt_;
  int next_ = 1;
  std::vector<std::string> places_;
};

std::vector<std::string> firstColumns(const std::vector<PrintedItem>& items) {
  std::vector<std::string> columns;
  columns.reserve(items.size());
  for (const auto& item : items) columns.push_back(item.columns.at(0));
  return columns;
}

// Serves reads on this thread until `done` is ready.
template <typename T>
T servedUntil(ServedList& list, std::future<T>& done) {
  while (done.wait_for(milliseconds(0)) != std::future_status::ready) {
    list.awaitWork(milliseconds(20));
    list.serve();
  }
  return done.get();
}

TEST(ServedList, ReadsFromAnotherThreadAreServedByTheProcedureFromAnyPlace) {
  CountingSource source(8);
  ServedList list({"Numbers", {}, {}, {"N"}}, source);
  auto reads = std::async(std::launch::async, [&] {
    std::vector<std::vector<std::string>> blocks;
    std::vector<PrintedItem> items;
    std::vector<std::string> places;
    for (const auto& [from, after] : std::vector<std::pair<std::string, bool>>{
             {"", false}, {"5", false}, {"5", true}, {"7", true}, {"8", true}}) {
      const bool any = list.read(from, after, items, places);
      blocks.push_back(firstColumns(items));
      if (any) {
        EXPECT_EQ(places, blocks.back());
      }
    }
    return blocks;
  });
  const auto blocks = servedUntil(list, reads);
  EXPECT_EQ(blocks, (std::vector<std::vector<std::string>>{
                        {"1", "2", "3"}, {"5", "6", "7"}, {"6", "7"}, {"8"}, {}}));

  // Whole, as a front-end that reads it at once does, on the procedure's own
  // thread: no serving needed.
  EXPECT_EQ(firstColumns(readWhole(list).items),
            (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
  EXPECT_TRUE(list.serve()) << "open until the front-end closes it";
  list.close();
  EXPECT_FALSE(list.serve());
}

TEST(ServedList, AFailedReadIsToldToTheReaderAndAGoneProcedureToLaterOnes) {
  CountingSource source(8, 5);
  ServedList list({"Numbers", {}, {}, {"N"}}, source);
  auto failed = std::async(std::launch::async, [&] {
    std::vector<PrintedItem> items;
    std::vector<std::string> places;
    try {
      list.read("4", false, items, places);
    } catch (const PrintError& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  });
  EXPECT_EQ(servedUntil(list, failed), "cannot read item 5");

  list.end();
  auto late = std::async(std::launch::async, [&] {
    std::vector<PrintedItem> items;
    std::vector<std::string> places;
    EXPECT_THROW(list.read("", false, items, places), PrintError);
  });
  EXPECT_EQ(late.wait_for(std::chrono::seconds(5)), std::future_status::ready)
      << "a reader never waits on a procedure that has gone";
}

}  // namespace
}  // namespace apprt
