#pragma once
// COPY's text form of a row, both ways: values separated by tabs, with the
// backslash, tab, line feed and carriage return written as escapes, so that
// records go to and come from the server in a stream (COPY ... FROM STDIN,
// COPY ... TO STDOUT).

#include <string>
#include <string_view>
#include <vector>

namespace fesk::postgres {

// Appends `value` in COPY's text form (the separators are the caller's).
void appendCopyText(std::string& out, std::string_view value);

// The values of one row (without its line end) into `values`, escapes read;
// a null (\N) is the empty text.
void readCopyRow(std::string_view row, std::vector<std::string>& values);

}  // namespace fesk::postgres
