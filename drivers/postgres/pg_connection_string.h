#pragma once
// What fesk reads in a libpq connection string or URI before it connects.

#include <string>

namespace fesk::postgres {

// Why libpq cannot read `conninfo` ("" when it can).
std::string connectionStringMistake(const std::string& conninfo);

// Whether `conninfo` gives `keyword` a value.
bool connectionStringSets(const std::string& conninfo, const std::string& keyword);

// Whether `conninfo` holds a password (which on a command line every user of
// the machine can read).
bool connectionStringHasPassword(const std::string& conninfo);

// `text` (libpq's words on `conninfo`, which may quote it) with every
// password written in `conninfo` replaced by asterisks, also where libpq
// cannot read `conninfo` at all.
std::string withoutPasswords(std::string text, const std::string& conninfo);

// Whether `text` names a server (a postgresql:// URI, or keyword=value words
// such as "host=server dbname=fesk") rather than a directory.
bool namesServer(const std::string& text);

}  // namespace fesk::postgres
