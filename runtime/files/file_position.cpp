#include "runtime/files/file_position.h"

#include <charconv>

#include "runtime/files/file_declaration.h"
#include "runtime/text/key_text.h"

namespace apprt {
namespace {

constexpr char kMarker = '@';

template <class Number>
bool parseNumber(std::string_view text, Number& out) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::vector<std::string> orderValues(const FileDeclaration& file, const std::vector<int>& fields,
                                     std::span<const char> record) {
  std::vector<std::string> values;
  orderValuesInto(file, fields, record, values);
  return values;
}

void orderValuesInto(const FileDeclaration& file, const std::vector<int>& fields,
                     std::span<const char> record, std::vector<std::string>& values) {
  values.resize(fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    values[i].assign(file.fieldBytesIn(record, fields[i]));
    foldKey(values[i]);
  }
}

std::string encodePosition(const Position& position) {
  std::string text(1, kMarker);
  for (std::size_t i = 0; i < position.fields.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(position.fields[i]);
  }
  text += ';';
  text += std::to_string(position.identity);
  text += ';';
  for (const auto& value : position.values) text += value;
  return text;
}

std::optional<Position> decodePosition(const FileDeclaration& file, std::string_view text) {
  if (text.empty() || text.front() != kMarker) return std::nullopt;
  text.remove_prefix(1);
  const auto fieldsEnd = text.find(';');
  if (fieldsEnd == std::string_view::npos) return std::nullopt;
  const auto identityEnd = text.find(';', fieldsEnd + 1);
  if (identityEnd == std::string_view::npos) return std::nullopt;

  Position position;
  std::string_view fields = text.substr(0, fieldsEnd);
  while (!fields.empty()) {
    const auto comma = fields.find(',');
    int field = 0;
    if (!parseNumber(fields.substr(0, comma), field)) return std::nullopt;
    if (field < 0 || field >= static_cast<int>(file.fields().size())) return std::nullopt;
    position.fields.push_back(field);
    fields = comma == std::string_view::npos ? std::string_view{} : fields.substr(comma + 1);
  }
  if (!parseNumber(text.substr(fieldsEnd + 1, identityEnd - fieldsEnd - 1), position.identity)) {
    return std::nullopt;
  }
  std::string_view values = text.substr(identityEnd + 1);
  for (int field : position.fields) {
    const std::size_t length = fieldBytes(file.fields()[field].characters);
    if (values.size() < length) return std::nullopt;
    position.values.emplace_back(values.substr(0, length));
    values.remove_prefix(length);
  }
  if (!values.empty()) return std::nullopt;
  return position;
}

}  // namespace apprt
