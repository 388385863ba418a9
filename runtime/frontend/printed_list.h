#pragma once
// Printed lists: items under a header (title, data set, date, column
// headings), laid out on pages by whatever draws them: a front-end's print
// preview, or a PDF writer. The items come from a source a block at a time, so
// that a list of any length can be written in bounded memory.

#include <stdexcept>
#include <string>
#include <vector>

namespace apprt {

// One item of a list: its columns on one line, and the lines printed under it.
struct PrintedItem {
  std::vector<std::string> columns;
  std::vector<std::string> details;
  bool operator==(const PrintedItem&) const = default;
};

struct PrintedListHeader {
  std::string title;
  std::string dataSet;  // what the list is of, for the reader of the paper
  std::string date;
  std::vector<std::string> headings;  // one per column
  bool operator==(const PrintedListHeader&) const = default;
};

// The items could not be read or the list could not be written; what() says
// why, in words for the user.
class PrintError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PrintedListSource {
 public:
  virtual ~PrintedListSource() = default;
  // Replaces `items` with the next block; false, with no items, at the end.
  // Throws PrintError when they cannot be read.
  virtual bool read(std::vector<PrintedItem>& items) = 0;
};

// A list that can be read again from any item read before: each item comes
// with its place, a small token (for a list of records, the record's position
// in the list's order), so that a reader can keep where things start instead
// of the items themselves.
class PlacedListSource : public PrintedListSource {
 public:
  // The places of the items of the last block read, in order.
  virtual const std::vector<std::string>& places() const = 0;
  // The next read starts at the item `place` names; "" is the first item.
  virtual void readFrom(const std::string& place) = 0;
};

// A list shown in a print preview. The front-end reads it from its own thread
// while the preview is open (the procedure thread that shows the preview does
// the reading) and closes it when the preview closes.
class PreviewedList {
 public:
  virtual ~PreviewedList() = default;
  virtual const PrintedListHeader& header() const = 0;
  // Replaces `items` with the block that starts at the item `from` names (""
  // the first), or with `after` at the item after it, and `places` with their
  // places; false, with no items, past the end. Throws PrintError when they
  // cannot be read, or once the preview's procedure has gone.
  virtual bool read(const std::string& from, bool after, std::vector<PrintedItem>& items,
                    std::vector<std::string>& places) = 0;
  // The preview has closed: the procedure that showed it goes on.
  virtual void close() = 0;
};

// A previewed list read on from its first item, a block at a time, from the
// place of the last item read (others may read the list meanwhile).
class PreviewedListReading : public PrintedListSource {
 public:
  explicit PreviewedListReading(PreviewedList& list) : list_(list) {}
  bool read(std::vector<PrintedItem>& items) override;

 private:
  PreviewedList& list_;
  std::string last_;  // the place of the last item read; "" before the first
  std::vector<std::string> places_;
};

// The whole of a previewed list, read block after block from the first item.
struct PrintedList {
  PrintedListHeader header;
  std::vector<PrintedItem> items;
  bool operator==(const PrintedList&) const = default;
};
PrintedList readWhole(PreviewedList& list);

}  // namespace apprt
