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
  signIn.environment = [environment = std::move(check.environment)](const std::string& name,
                                                                    const std::string& password) {
    QProcessEnvironment session = QProcessEnvironment::systemEnvironment();
    for (const auto& [variable, value] : environment(name, password)) {
      if (value)
        session.insert(QString::fromStdString(variable), QString::fromStdString(*value));
      else
        session.remove(QString::fromStdString(variable));
    }
    return session;
  };
  return true;
}

}  // namespace fesk
