#pragma once
// Who may sign in to `fesk serve`, as the data set's kind rules
// (DataSetKind::signIn): the people of the program's own password file kept
// for it, or those its store checks itself, whose session programs then
// work as them.

#include <string>

#include "app/data_sets/data_set.h"
#include "ui/web/web_server.h"

namespace fesk {

// The sign-in to serve `choice`; false, with the reason in `why`, when it
// cannot be served.
bool servedSignIn(const DataSetChoice& choice, web::SignIn& signIn, std::string& why);

}  // namespace fesk
