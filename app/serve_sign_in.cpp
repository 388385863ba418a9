#include "app/serve_sign_in.h"

#include <libpq-fe.h>

#include <memory>

#include "ui/web/user_passwords.h"

namespace fesk {
namespace {

// Whether the parsed connection string gives `keyword` a value.
bool names(const std::string& conninfo, const char* keyword) {
  std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(
      PQconninfoParse(conninfo.c_str(), nullptr), &PQconninfoFree);
  if (!options) return false;
  for (PQconninfoOption* o = options.get(); o->keyword; ++o)
    if (std::string(o->keyword) == keyword && o->val && *o->val) return true;
  return false;
}

}  // namespace

web::SignIn directorySignIn(const DataSetChoice& choice) {
  const auto file = web::passwordFile(choice.directory);
  return {[file](const std::string& name, const std::string& password) {
            return web::checkPassword(file, name, password);
          },
          [](const std::string&, const std::string&) {
            return QProcessEnvironment::systemEnvironment();
          }};
}

bool serverSignIn(const DataSetChoice& choice, web::SignIn& signIn, std::string& why) {
  if (names(choice.conninfo, "user") || names(choice.conninfo, "password")) {
    why =
        "people sign in with their own PostgreSQL role: leave the user and the password out "
        "of the connection string";
    return false;
  }
  const std::string conninfo = choice.conninfo;
  signIn.accepts = [conninfo](const std::string& name, const std::string& password) {
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
  signIn.environment = [](const std::string& name, const std::string& password) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PGUSER", QString::fromStdString(name));
    environment.insert("PGPASSWORD", QString::fromStdString(password));
    environment.remove("FESK_DATABASE");
    return environment;
  };
  return true;
}

}  // namespace fesk
