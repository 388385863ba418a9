#include "app/serving/serve_sign_in.h"

#include "ui/web/user_passwords.h"

namespace fesk {

bool servedSignIn(const DataSetChoice& choice, web::SignIn& signIn, std::string& why) {
  const apprt::PasswordFileCheck ownPasswords = [](const std::filesystem::path& folder,
                                                   const std::string& name,
                                                   const std::string& password) {
    return web::checkPassword(web::passwordFile(folder), name, password);
  };
  apprt::SignInCheck check;
  if (!choice.kind->signIn(choice, ownPasswords, check, why)) return false;
  signIn.accepts = std::move(check.accepts);
  signIn.environment = std::move(check.environment);
  return true;
}

}  // namespace fesk
