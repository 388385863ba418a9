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

// A list read whole, as a print preview shows it.
struct PrintedList {
  PrintedListHeader header;
  std::vector<PrintedItem> items;
  bool operator==(const PrintedList&) const = default;
};

// A list read whole, handed out again in one block (a preview's pages are
// laid out more than once).
class PrintedItemsSource : public PrintedListSource {
 public:
  explicit PrintedItemsSource(const std::vector<PrintedItem>& items) : items_(items) {}
  bool read(std::vector<PrintedItem>& items) override;

 private:
  const std::vector<PrintedItem>& items_;
  bool handedOut_ = false;
};

}  // namespace apprt
