#include "ui/web/user_passwords.h"

#include <sodium.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>

namespace fesk::web {
namespace {

std::map<std::string, std::string> readHashes(const std::filesystem::path& file) {
  std::map<std::string, std::string> hashes;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    if (colon != std::string::npos) hashes[line.substr(0, colon)] = line.substr(colon + 1);
  }
  return hashes;
}

bool usableName(const std::string& name) {
  if (name.empty() || name.size() > 64) return false;
  for (unsigned char c : name)
    if (c <= ' ' || c == ':' || c == 0x7F) return false;
  return true;
}

}  // namespace

std::filesystem::path passwordFile(const std::filesystem::path& dataDirectory) {
  return dataDirectory / "fesk-web-users";
}

bool setPassword(const std::filesystem::path& file, const std::string& name,
                 const std::string& password, std::string& why) {
  if (sodium_init() < 0) {
    why = "the password library cannot start";
    return false;
  }
  if (!usableName(name)) {
    why = "a user name is 1 to 64 characters without spaces or colons";
    return false;
  }
  if (password.empty()) {
    why = "the password is empty";
    return false;
  }
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    why = "there is not enough memory to hash the password";
    return false;
  }
  auto hashes = readHashes(file);
  hashes[name] = hash;
  // Written whole under another name and renamed, so that a failure leaves
  // the old file.
  std::filesystem::path written = file;
  written += ".new";
  {
    const mode_t mask = umask(077);
    std::ofstream out(written, std::ios::trunc);
    umask(mask);
    for (const auto& [user, userHash] : hashes) out << user << ':' << userHash << '\n';
    out.close();
    if (!out) {
      why = "cannot write " + written.string();
      std::error_code ignored;
      std::filesystem::remove(written, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(written, file, error);
  if (error) {
    why = "cannot replace " + file.string() + ": " + error.message();
    return false;
  }
  return true;
}

bool checkPassword(const std::filesystem::path& file, const std::string& name,
                   const std::string& password) {
  if (sodium_init() < 0) return false;
  const auto hashes = readHashes(file);
  auto found = hashes.find(name);
  if (found == hashes.end()) {
    // A hash of nothing, checked in vain, costs what a real check costs.
    char decoy[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(decoy, "", 0, crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) == 0) [[maybe_unused]]
      int same = crypto_pwhash_str_verify(decoy, password.data(), password.size());
    return false;
  }
  return crypto_pwhash_str_verify(found->second.c_str(), password.data(), password.size()) == 0;
}

}  // namespace fesk::web
