#pragma once
// Signing in to a data set on a server served to browsers: people sign in
// with their own PostgreSQL role, which the server checks, and their
// session's program then connects as them.

#include <string>

#include "runtime/files/data_set_kind.h"

namespace fesk::postgres {

// The sign-in to the server `conninfo` names. False, with the reason in
// `why`, when the connection string names a user or a password: every
// session must connect as the person signed in.
bool roleSignIn(const std::string& conninfo, apprt::SignInCheck& check, std::string& why);

}  // namespace fesk::postgres
