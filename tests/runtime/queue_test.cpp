#include "runtime/windows/queue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/files/errors.h"

namespace {

using apprt::ERRCODE;
using apprt::kEntryNotFound;
using apprt::Queue;
using apprt::QueueBase;

struct Block {
  int32_t handle = 0;
  int32_t window = 0;
  int value = 0;
};

struct Row {
  std::string code;
  std::string name;
  std::string position;
};

std::vector<std::string> queueTexts(const Row& row) {
  return {row.code, row.name};
}

void addBlock(Queue<Block>& queue, int32_t handle, int32_t window, int value = 0) {
  queue.buffer = {handle, window, value};
  queue.addByKey(&Block::handle);
}

// Handles of the entries in queue order, read through the buffer.
std::vector<int32_t> handles(Queue<Block>& queue) {
  std::vector<int32_t> result;
  for (size_t pos = 1; pos <= queue.records(); ++pos) {
    queue.get(pos);
    result.push_back(queue.buffer.handle);
  }
  return result;
}

TEST(QueueByPosition, AddGetPutRemove) {
  Queue<Block> queue;
  queue.buffer = {1, 10, 100};
  queue.add();
  queue.buffer = {2, 20, 200};
  queue.add();
  EXPECT_EQ(queue.records(), 2u);
  EXPECT_EQ(queue.pointer(), 2u);

  ASSERT_TRUE(queue.get(1));
  EXPECT_EQ(queue.buffer.value, 100);
  EXPECT_EQ(queue.pointer(), 1u);

  queue.buffer.value = 111;
  ASSERT_TRUE(queue.put());
  queue.clearBuffer();
  EXPECT_EQ(queue.buffer.value, 0);
  queue.get(1);
  EXPECT_EQ(queue.buffer.value, 111);

  ASSERT_TRUE(queue.remove());
  EXPECT_EQ(queue.pointer(), 0u);
  EXPECT_EQ(queue.records(), 1u);
  queue.get(1);
  EXPECT_EQ(queue.buffer.handle, 2);
}

TEST(QueueByPosition, AddAtInsertsBeforeThePositionAndAppendsBeyondTheEnd) {
  Queue<Block> queue;
  for (int32_t h : {1, 2, 3}) {
    queue.buffer = {h, 0, 0};
    queue.add();
  }
  queue.buffer = {9, 0, 0};
  queue.addAt(2);
  EXPECT_EQ(queue.pointer(), 2u);
  queue.buffer = {0, 0, 0};
  queue.addAt(0);
  EXPECT_EQ(queue.pointer(), 1u);
  queue.buffer = {7, 0, 0};
  queue.addAt(99);
  EXPECT_EQ(queue.pointer(), 6u);
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{0, 1, 9, 2, 3, 7}));
}

TEST(QueueByPosition, DetachedQueueWritesNothing) {
  Queue<Block> queue;
  queue.buffer = {1, 0, 5};
  queue.add();

  EXPECT_FALSE(queue.get(0));
  EXPECT_EQ(ERRCODE(), 0) << "position 0 is a deliberate detach, not a failure";
  EXPECT_EQ(queue.pointer(), 0u);

  queue.buffer.value = 99;
  EXPECT_FALSE(queue.put());
  EXPECT_EQ(ERRCODE(), kEntryNotFound);
  EXPECT_FALSE(queue.remove());
  EXPECT_EQ(ERRCODE(), kEntryNotFound);
  EXPECT_EQ(queue.records(), 1u);
  queue.get(1);
  EXPECT_EQ(queue.buffer.value, 5);
}

TEST(QueueByPosition, OutOfRangeGetDetachesAndKeepsTheBuffer) {
  Queue<Block> queue;
  queue.buffer = {1, 0, 5};
  queue.add();
  queue.buffer.value = 42;
  EXPECT_FALSE(queue.get(2));
  EXPECT_EQ(ERRCODE(), kEntryNotFound);
  EXPECT_EQ(queue.pointer(), 0u);
  EXPECT_EQ(queue.buffer.value, 42);

  EXPECT_TRUE(queue.get(1));
  EXPECT_EQ(ERRCODE(), 0) << "a success clears the error of the failure before";
}

TEST(QueueByPosition, FreeEmptiesAndDetaches) {
  Queue<Block> queue;
  queue.buffer = {1, 0, 5};
  queue.add();
  queue.add();
  queue.free();
  EXPECT_EQ(queue.records(), 0u);
  EXPECT_EQ(queue.pointer(), 0u);
  EXPECT_EQ(queue.buffer.value, 5);
  EXPECT_FALSE(queue.put());
  EXPECT_FALSE(queue.get(1));
}

TEST(QueueByPosition, PutBackRestoresTheEntriesSetAsideAndDropsWhatCameSince) {
  Queue<Block> queue;
  for (int32_t handle : {1, 2, 3}) addBlock(queue, handle, 0);
  const uint64_t before = queue.version();
  queue.setAside();
  EXPECT_EQ(queue.records(), 0u);
  EXPECT_GT(queue.version(), before) << "a list showing it redraws";
  addBlock(queue, 9, 0);
  queue.putBack();
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{1, 2, 3}));

  queue.setAside();
  addBlock(queue, 7, 0);
  queue.setAside();  // the work finished: what was kept is forgotten
  queue.putBack();
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{7}));
}

TEST(QueueByKey, AddKeepsAscendingOrderWithEqualKeysInArrivalOrder) {
  Queue<Block> queue;
  addBlock(queue, 30, 0, 1);
  addBlock(queue, 10, 0, 2);
  addBlock(queue, 20, 0, 3);
  addBlock(queue, 20, 0, 4);
  EXPECT_EQ(queue.pointer(), 3u) << "the new entry is current";
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{10, 20, 20, 30}));
  queue.get(2);
  EXPECT_EQ(queue.buffer.value, 3);
  queue.get(3);
  EXPECT_EQ(queue.buffer.value, 4);
}

TEST(QueueByKey, GetFindsTheFirstEqualKey) {
  Queue<Block> queue;
  addBlock(queue, 10, 1, 1);
  addBlock(queue, 20, 2, 2);
  addBlock(queue, 20, 3, 3);
  queue.clearBuffer();
  queue.buffer.handle = 20;
  ASSERT_TRUE(queue.getByKey(&Block::handle));
  EXPECT_EQ(queue.pointer(), 2u);
  EXPECT_EQ(queue.buffer.value, 2);
  EXPECT_EQ(ERRCODE(), 0);

  queue.buffer.window = 3;
  ASSERT_TRUE(queue.getByKey(&Block::window));
  EXPECT_EQ(queue.pointer(), 3u);
}

// The working-copy protocol of the browse registry: write back, fetch another
// key; a miss detaches, so the next write-back cannot clobber an entry.
TEST(QueueByKey, MissDetachesSoTheNextWriteBackWritesNothing) {
  Queue<Block> queue;
  addBlock(queue, 10, 1, 1);
  queue.buffer.handle = 99;
  queue.buffer.value = 7;
  EXPECT_FALSE(queue.getByKey(&Block::handle));
  EXPECT_EQ(ERRCODE(), kEntryNotFound);
  EXPECT_EQ(queue.pointer(), 0u);
  EXPECT_EQ(queue.buffer.handle, 99) << "the sought key stays in the buffer";

  EXPECT_FALSE(queue.putByKey(&Block::handle));
  EXPECT_EQ(ERRCODE(), kEntryNotFound);
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{10}));
  queue.get(1);
  EXPECT_EQ(queue.buffer.value, 1);
}

TEST(QueueByKey, PutRewritesTheFetchedEntryAndKeepsKeyOrder) {
  Queue<Block> queue;
  addBlock(queue, 10, 0, 1);
  addBlock(queue, 20, 0, 2);
  addBlock(queue, 30, 0, 3);

  queue.buffer.handle = 20;
  queue.getByKey(&Block::handle);
  queue.buffer.value = 22;
  ASSERT_TRUE(queue.putByKey(&Block::handle));
  EXPECT_EQ(queue.pointer(), 2u);

  queue.buffer.handle = 35;
  ASSERT_TRUE(queue.putByKey(&Block::handle));
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{10, 30, 35}));
  queue.buffer.handle = 35;
  queue.getByKey(&Block::handle);
  EXPECT_EQ(queue.buffer.value, 22);
  EXPECT_EQ(queue.records(), 3u);
}

TEST(QueueByKey, PutOfAMovedKeyKeepsTheEntryCurrent) {
  Queue<Block> queue;
  addBlock(queue, 10, 0, 1);
  addBlock(queue, 20, 0, 2);
  queue.get(2);
  queue.buffer.handle = 5;
  queue.putByKey(&Block::handle);
  EXPECT_EQ(queue.pointer(), 1u);
  queue.buffer.value = 50;
  queue.put();
  queue.get(1);
  EXPECT_EQ(queue.buffer.handle, 5);
  EXPECT_EQ(queue.buffer.value, 50);
}

// A window that holds two browses is destroyed: re-sort by window, delete its
// entries one by one, sort back by handle.
TEST(QueueByKey, SortByAnotherKeyDeleteAllOfOneWindowAndSortBack) {
  Queue<Block> queue;
  addBlock(queue, 40, 2);
  addBlock(queue, 10, 1);
  addBlock(queue, 30, 1);
  addBlock(queue, 20, 3);

  queue.sortBy(&Block::window);
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{10, 30, 40, 20}))
      << "stable: equal keys keep order";
  for (;;) {
    queue.buffer.window = 1;
    if (!queue.getByKey(&Block::window)) break;
    queue.remove();
    queue.get(0);
  }
  queue.sortBy(&Block::handle);
  EXPECT_EQ(handles(queue), (std::vector<int32_t>{20, 40}));
}

TEST(QueueByKey, SortKeepsTheCurrentEntryCurrent) {
  Queue<Block> queue;
  for (int32_t h : {3, 1, 2}) {
    queue.buffer = {h, 0, h * 10};
    queue.add();
  }
  queue.get(1);
  queue.sortBy(&Block::handle);
  EXPECT_EQ(queue.pointer(), 3u);
  queue.buffer.value = 33;
  queue.put();
  queue.get(3);
  EXPECT_EQ(queue.buffer.handle, 3);
  EXPECT_EQ(queue.buffer.value, 33);

  queue.get(0);
  queue.sortBy(&Block::window);
  EXPECT_EQ(queue.pointer(), 0u) << "a detached queue stays detached";
}

TEST(QueueDisplay, TextsReadAnEntryWithoutTouchingTheWorkingCopy) {
  Queue<Row> rows;
  rows.buffer = {"A1", "Alpha", "pos1"};
  rows.add();
  rows.buffer = {"B2", "Beta", "pos2"};
  rows.add();
  rows.get(1);

  const QueueBase& list = rows;
  EXPECT_EQ(list.texts(2), (std::vector<std::string>{"B2", "Beta"}));
  EXPECT_TRUE(list.texts(0).empty());
  EXPECT_TRUE(list.texts(3).empty());
  EXPECT_EQ(rows.pointer(), 1u);
  EXPECT_EQ(rows.buffer.code, "A1");

  Queue<Block> blocks;
  blocks.add();
  EXPECT_TRUE(blocks.texts(1).empty()) << "an entry type without display texts shows none";
}

TEST(QueueDisplay, VersionMovesOnEveryChangeOfTheEntriesOnly) {
  Queue<Block> queue;
  QueueBase& list = queue;
  uint64_t seen = list.version();
  const auto changedSinceLastLook = [&] {
    const bool changed = list.version() != seen;
    seen = list.version();
    return changed;
  };

  queue.add();
  EXPECT_TRUE(changedSinceLastLook());
  queue.get(1);
  queue.clearBuffer();
  queue.buffer.handle = 77;
  queue.getByKey(&Block::handle);
  EXPECT_FALSE(changedSinceLastLook());
  queue.get(1);
  queue.put();
  EXPECT_TRUE(changedSinceLastLook());
  queue.addAt(1);
  EXPECT_TRUE(changedSinceLastLook());
  queue.sortBy(&Block::handle);
  EXPECT_TRUE(changedSinceLastLook());
  queue.remove();
  EXPECT_TRUE(changedSinceLastLook());
  list.free();
  EXPECT_TRUE(changedSinceLastLook());
}

}  // namespace
