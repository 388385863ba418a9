#include "runtime/files/file_view.h"

#include "runtime/files/file_access.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/file_position.h"

namespace apprt {
namespace {

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace

void View::setProperty(int property, std::string value) {
  switch (property) {
    case kPropViewFilter:
      filter_ = std::move(value);
      break;
    case kPropViewSqlFilter:
      sqlFilter_ = std::move(value);
      break;
    case kPropViewOrder:
      order_ = std::move(value);
      break;
    default:
      setError(kDriverError, "", "no such view property " + std::to_string(property));
      return;
  }
  clearError();
}

std::string View::property(int property) const {
  switch (property) {
    case kPropViewFilter:
      return filter_;
    case kPropViewSqlFilter:
      return sqlFilter_;
    case kPropViewOrder:
      return order_;
    default:
      return {};
  }
}

bool View::parseOrder(ReadOrder& order) const {
  std::string_view rest = order_;
  while (!rest.empty()) {
    const auto comma = rest.find(',');
    std::string name = trimmed(rest.substr(0, comma));
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    if (!name.empty() && name.front() == '+') name = trimmed(std::string_view(name).substr(1));
    int found = -1;
    for (std::size_t i = 0; i < file_.fields().size(); ++i) {
      const auto& field = file_.fields()[i].name;
      if (name == field || name == unprefixedName(field)) found = static_cast<int>(i);
    }
    if (found < 0) {
      setError(kDriverError, "",
               "the view order names no ascending field of " + file_.fileName() + ": " + name);
      return false;
    }
    order.fields.push_back(found);
  }
  return true;
}

std::string View::combinedFilter() const {
  std::string filter = trimmed(filter_);
  for (const auto& field : file_.fields()) {
    for (auto at = filter.find(field.name); at != std::string::npos;
         at = filter.find(field.name, at)) {
      filter.replace(at, field.name.size(), unprefixedName(field.name));
    }
  }
  const std::string sql = trimmed(sqlFilter_);
  if (filter.empty()) return sql.empty() ? sql : "(" + sql + ")";
  return sql.empty() ? "(" + filter + ")" : "(" + filter + ") AND (" + sql + ")";
}

void View::open(int /*mode: a view reads only*/) {
  FileInstance* instance = openInstance(file_);
  if (!instance) return;
  if (open_) {
    setError(kAlreadyOpen);
    return;
  }
  if (trimmed(order_).empty()) {
    cursor_ = instance->cursor;  // the file's order and position
  } else {
    ReadOrder order;
    if (!parseOrder(order)) return;
    cursor_.setOrder(std::move(order));
  }
  cursor_.setFilter(combinedFilter());
  open_ = true;
  clearError();
}

void View::close() {
  open_ = false;
  clearError();
}

FileInstance* View::readyInstance() const {
  FileInstance* instance = openInstance(file_);
  if (instance && !open_) {
    setError(kFileNotOpen);
    return nullptr;
  }
  return instance;
}

void View::next() {
  if (FileInstance* instance = readyInstance()) {
    readWithCursor(file_, *instance, cursor_, Direction::kForward);
  }
}

void View::previous() {
  if (FileInstance* instance = readyInstance()) {
    readWithCursor(file_, *instance, cursor_, Direction::kBackward);
  }
}

void View::resetToPosition(std::string_view position) {
  if (FileInstance* instance = readyInstance()) {
    resetCursor(file_, *instance, cursor_, cursor_.order(), position);
  }
}

std::string View::position() const {
  FileInstance* instance = readyInstance();
  if (!instance) return {};
  if (!instance->current) {
    setError(kRecordNotFound);
    return {};
  }
  Position position;
  position.fields = cursor_.order().fields;
  position.identity = *instance->current;
  position.values = orderValues(file_, position.fields, file_.recordBytes());
  clearError();
  return encodePosition(position);
}

void View::reget(std::string_view position) {
  if (readyInstance()) file_.reget(position);
}

void View::watch() {
  file_.watch();
}

}  // namespace apprt
