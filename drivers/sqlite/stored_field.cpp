#include "drivers/sqlite/stored_field.h"

#include "runtime/files/file_record.h"
#include "runtime/text/key_text.h"

namespace fesk::sqlite {
namespace {

// Reading cuts a longer value as assignField does and pads it with spaces.
std::string_view storedFieldValue(std::string_view stored, std::size_t characters) {
  return apprt::withoutPadding(stored.substr(0, apprt::utf8CharactersPrefix(stored, characters)));
}

void storedField(sqlite3_context* context, int, sqlite3_value** arguments) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
  const std::string_view stored =
      text ? std::string_view(text, sqlite3_value_bytes(arguments[0])) : std::string_view();
  const auto characters = sqlite3_value_int64(arguments[1]);
  const std::string_view value =
      storedFieldValue(stored, characters > 0 ? static_cast<std::size_t>(characters) : 0);
  // An empty value is still text: a null pointer would make the result NULL.
  sqlite3_result_text(context, value.empty() ? "" : value.data(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
}

}  // namespace

void addStoredFieldFunction(sqlite3* db) {
  sqlite3_create_function_v2(db, "stored_field", 2,
                             SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                             storedField, nullptr, nullptr, nullptr);
}

}  // namespace fesk::sqlite
