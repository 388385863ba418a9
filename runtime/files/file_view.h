#pragma once
// A view: one thread's reading of one file in an order, optionally filtered.
// Its order is the file's key order at the moment it is opened (the key the
// file was set or reset on), unless an order property names fields. It starts
// where the file's sequential position stood when opened, and keeps its own
// position from then on. Reads fill the file's record buffer and make the
// record the file's current record, so the file's writes act on it.
//
// Properties: kPropViewFilter and kPropViewSqlFilter are conditions in the
// driver's query language (SQL for the drivers here) over the file's fields,
// named by their declared names (FES:CODE) in the filter or by their column
// names (CODE) in both; both must hold. kPropViewOrder is a comma-separated
// list of field names, ascending. A property takes effect at the next open.

#include <string>
#include <string_view>

#include "runtime/files/file_cursor.h"
#include "runtime/files/view_properties.h"

namespace apprt {

class FileDeclaration;
struct FileInstance;

class View {
 public:
  explicit View(const FileDeclaration& file) : file_(file) {}

  void setProperty(int property, std::string value);
  std::string property(int property) const;

  void open(int mode);  // 34 for the browse; the file must be open in this thread
  void close();
  bool isOpen() const { return open_; }

  void next();
  void previous();
  void resetToPosition(std::string_view position);
  std::string position() const;  // of the file's current record, in the view's order
  void reget(std::string_view position);
  void watch();

 private:
  FileInstance* readyInstance() const;  // the file's instance when the view is open
  bool parseOrder(ReadOrder& order) const;
  std::string combinedFilter() const;

  const FileDeclaration& file_;
  std::string filter_;
  std::string sqlFilter_;
  std::string order_;
  bool open_ = false;
  ReadCursor cursor_;
};

}  // namespace apprt
