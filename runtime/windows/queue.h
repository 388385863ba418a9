#pragma once
// In-memory queues: a table of entries of one type plus one entry buffer (the
// "working copy"). Every operation moves data between the buffer and the
// table; the buffer is what procedures read and fill. One entry at a time may
// be current (position 1..records()); position 0 means detached, and a rewrite
// or delete of a detached queue writes nothing.
//
// Every operation leaves the thread's error state behind: cleared on success,
// kEntryNotFound when a look-up by position or key found nothing, or when a
// rewrite or delete found no current entry.
//
// Queues take no lock: a queue shared by threads is used only under the
// program lock, like the rest of the process-wide state.

#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "runtime/files/errors.h"

namespace apprt {

// What a list control and the browse engine see of a queue without knowing its
// entry type. Positions are 1-based.
class QueueBase {
 public:
  QueueBase() = default;
  QueueBase(const QueueBase&) = delete;
  QueueBase& operator=(const QueueBase&) = delete;
  virtual ~QueueBase() = default;

  size_t records() const { return entryCount(); }
  // Position of the current entry; 0 when detached.
  size_t pointer() const { return current_; }

  // Copies entry `pos` into the buffer and makes it current. Position 0
  // detaches without an error; a position beyond the end detaches with
  // kEntryNotFound and leaves the buffer alone. Answers whether an entry
  // became current.
  bool get(size_t pos);
  // Appends the buffer as a new entry, which becomes current.
  void add();
  // Inserts the buffer before entry `pos` (0 counts as 1; beyond the end
  // appends); the new entry becomes current.
  void addAt(size_t pos);
  // Rewrites the current entry from the buffer. Detached: writes nothing.
  bool put();
  // Deletes the current entry; afterwards the queue is detached.
  bool remove();
  // Deletes every entry; the buffer keeps its contents.
  void free();
  // Empties the queue as free() does, but keeps the entries aside, so that
  // work that replaces them all can be undone when it cannot finish:
  // putBack() restores them (and drops what was added since); the next
  // setAside() or putBack() forgets what was kept.
  void setAside();
  void putBack();

  virtual void clearBuffer() = 0;
  // Display texts of entry `pos`, one per displayable field, without touching
  // the buffer or the current entry; empty for a position out of range or an
  // entry type without display texts.
  virtual std::vector<std::string> texts(size_t pos) const = 0;

  // Grows with every change of the entries (not of the buffer), so that a list
  // showing the queue knows when to redraw.
  uint64_t version() const { return version_; }

 protected:
  // Entry storage of the typed queue; indexes are 0-based and in range.
  virtual size_t entryCount() const = 0;
  virtual void loadBuffer(size_t index) = 0;
  virtual void storeBuffer(size_t index) = 0;
  virtual void insertBuffer(size_t index) = 0;
  virtual void eraseEntry(size_t index) = 0;
  virtual void eraseAll() = 0;
  virtual void moveEntriesAside() = 0;
  virtual void restoreEntriesAside() = 0;

  // Book-keeping shared by the typed by-key operations.
  void attach(size_t pos) { current_ = pos; }
  void detachNotFound();
  void changed() { ++version_; }

 private:
  size_t current_ = 0;
  uint64_t version_ = 0;
};

// A field an entry can be keyed or sorted by: ordered, and not a raw array
// (arrays would compare as addresses).
template <typename Field>
concept QueueKey = std::totally_ordered<Field> && !std::is_array_v<Field>;

// Entry types may give their display texts through a free function found by
// argument-dependent lookup: std::vector<std::string> queueTexts(const Entry&).
template <typename Entry>
concept HasQueueTexts = requires(const Entry& entry) {
  { queueTexts(entry) } -> std::convertible_to<std::vector<std::string>>;
};

template <typename Entry>
class Queue : public QueueBase {
 public:
  // The working copy.
  Entry buffer{};

  void clearBuffer() override { buffer = Entry{}; }

  std::vector<std::string> texts(size_t pos) const override {
    if constexpr (HasQueueTexts<Entry>) {
      if (pos >= 1 && pos <= entries_.size()) return queueTexts(entries_[pos - 1]);
    }
    return {};
  }

  // Fetches the first entry whose `key` equals the buffer's. Not found: the
  // queue is detached and the buffer keeps the sought value.
  template <QueueKey Field>
  bool getByKey(Field Entry::*key) {
    const size_t index = findKey(key);
    if (index == entries_.size()) {
      detachNotFound();
      return false;
    }
    return get(index + 1);
  }

  // Rewrites the current entry from the buffer and, when its key changed, moves
  // it to its place in ascending `key` order (after equal keys); it stays
  // current. Detached: writes nothing.
  template <QueueKey Field>
  bool putByKey(Field Entry::*key) {
    const size_t pos = pointer();
    if (pos == 0) return put();
    if (entries_[pos - 1].*key == buffer.*key) return put();
    eraseEntry(pos - 1);
    insertByKey(key);
    return true;
  }

  // Inserts the buffer in ascending `key` order, after any equal keys; the new
  // entry becomes current.
  template <QueueKey Field>
  void addByKey(Field Entry::*key) {
    insertByKey(key);
  }

  // Stable sort by `key`; the current entry stays current at its new position.
  template <QueueKey Field>
  void sortBy(Field Entry::*key) {
    std::vector<size_t> order(entries_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return entries_[a].*key < entries_[b].*key; });
    std::vector<Entry> sorted;
    sorted.reserve(entries_.size());
    size_t newPointer = 0;
    for (size_t i = 0; i < order.size(); ++i) {
      sorted.push_back(std::move(entries_[order[i]]));
      if (order[i] + 1 == pointer()) newPointer = i + 1;
    }
    entries_ = std::move(sorted);
    attach(newPointer);
    changed();
    clearError();
  }

 protected:
  size_t entryCount() const override { return entries_.size(); }
  void loadBuffer(size_t index) override { buffer = entries_[index]; }
  void storeBuffer(size_t index) override { entries_[index] = buffer; }
  void insertBuffer(size_t index) override {
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(index), buffer);
  }
  void eraseEntry(size_t index) override {
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  }
  void eraseAll() override { entries_.clear(); }
  void moveEntriesAside() override {
    aside_ = std::move(entries_);
    entries_.clear();
  }
  void restoreEntriesAside() override {
    entries_ = std::move(aside_);
    aside_.clear();
  }

 private:
  template <typename Field>
  size_t findKey(Field Entry::*key) const {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const Entry& entry) { return entry.*key == buffer.*key; });
    return static_cast<size_t>(found - entries_.begin());
  }

  // Before the first entry with a greater key, so equal keys keep the order
  // they were added in; also well defined on a queue not sorted by `key`.
  template <typename Field>
  void insertByKey(Field Entry::*key) {
    const auto after = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const Entry& entry) { return buffer.*key < entry.*key; });
    addAt(static_cast<size_t>(after - entries_.begin()) + 1);
  }

  std::vector<Entry> entries_;
  std::vector<Entry> aside_;
};

}  // namespace apprt
