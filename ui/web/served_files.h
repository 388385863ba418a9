#pragma once
// The files a session's program writes for its page (an exported list, a
// printed one): written in the session's own directory, downloaded from there
// by that session's page alone, under a name that can be nothing but a file
// of that directory.

#include <string>
#include <string_view>

namespace fesk::web {

// `name` as it may stand in the session's directory and in the address the
// page downloads it from: its last path part, with no leading dots; "" when
// nothing of it is left.
std::string servedFileName(std::string_view name);

}  // namespace fesk::web
