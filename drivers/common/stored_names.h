#pragma once
// The names a store keeps a declared file under, before a dialect adds its
// own form (the server's are in lower case): a field's column is its name
// without the prefix (CODE for FES:CODE), a key's index is named after the
// key the same way, and both dialects quote an identifier alike.

#include <string>
#include <string_view>

namespace apprt {
class FileDeclaration;
}

namespace fesk::drivers {

// `text` between two `quote`s, a `quote` inside it doubled.
std::string quotedWith(std::string_view text, char quote);
// An identifier in double quotes.
std::string quotedName(std::string_view identifier);

// The column of `field` (0-based), unquoted.
std::string storedColumn(const apprt::FileDeclaration& file, int field);
// The name of key `key` (0-based) without its prefix, unquoted.
std::string storedKeyName(const apprt::FileDeclaration& file, int key);

}  // namespace fesk::drivers
