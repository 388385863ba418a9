#include "drivers/postgres/pg_role_sign_in.h"

#include <libpq-fe.h>

#include <memory>

#include "drivers/postgres/pg_connection_string.h"

namespace fesk::postgres {

bool roleSignIn(const std::string& conninfo, apprt::SignInCheck& check, std::string& why) {
  if (connectionStringSets(conninfo, "user") || connectionStringSets(conninfo, "password")) {
    why =
        "people sign in with their own PostgreSQL role: leave the user and the password out "
        "of the connection string";
    return false;
  }
  check.accepts = [conninfo](const std::string& name, const std::string& password) {
    // An empty password would let libpq fall back on the password file of
    // the user running fesk serve.
    if (name.empty() || password.empty()) return false;
    const char* keywords[] = {"dbname", "user", "password", "passfile", "connect_timeout", nullptr};
    const char* values[] = {conninfo.c_str(), name.c_str(), password.c_str(),
                            "/dev/null",      "10",         nullptr};
    std::unique_ptr<PGconn, decltype(&PQfinish)> connection(PQconnectdbParams(keywords, values, 1),
                                                            &PQfinish);
    return PQstatus(connection.get()) == CONNECTION_OK;
  };
  check.environment = [](const std::string& name, const std::string& password) {
    return apprt::SignInCheck::Environment{
        {"PGUSER", name}, {"PGPASSWORD", password}, {"FESK_DATABASE", std::nullopt}};
  };
  return true;
}

}  // namespace fesk::postgres
