#pragma once
// Who may sign in to `fesk serve`: on a data directory the people of its
// password file; on a server the PostgreSQL roles, whose session programs
// then connect as them.

#include <string>

#include "app/data_set.h"
#include "ui/web/web_server.h"

namespace fesk {

web::SignIn directorySignIn(const DataSetChoice& choice);

// False, with the reason in `why`, when the connection string names a user
// or a password: every session must connect as the person signed in.
bool serverSignIn(const DataSetChoice& choice, web::SignIn& signIn, std::string& why);

}  // namespace fesk
