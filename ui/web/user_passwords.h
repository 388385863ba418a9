#pragma once
// The people who may sign in to a data directory served on the web: a file
// of "NAME:HASH" lines, each hash an Argon2id string (libsodium's), readable
// by its owner alone.

#include <filesystem>
#include <string>

namespace fesk::web {

// The password file of a data directory.
std::filesystem::path passwordFile(const std::filesystem::path& dataDirectory);

// Adds `name` with `password`, or gives an existing name the new password.
// False, with the reason in `why`, when the name is not usable or the file
// cannot be written (it is then as it was).
bool setPassword(const std::filesystem::path& file, const std::string& name,
                 const std::string& password, std::string& why);

// Whether `name` is in the file with `password`. The same work is done for a
// name that is not there, so that the time taken tells nothing.
bool checkPassword(const std::filesystem::path& file, const std::string& name,
                   const std::string& password);

}  // namespace fesk::web
