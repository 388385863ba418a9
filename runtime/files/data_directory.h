#pragma once
// The directory that holds the data files. Several users can share one by
// naming it (--data-dir); by default it is the user's own data directory for
// fesk ($XDG_DATA_HOME/fesk, else ~/.local/share/fesk).

#include <filesystem>
#include <string>

namespace apprt {

// Uses `directory` from now on, creating it when missing. False, with the
// reason in `why`, when it cannot be created or is no directory.
bool setDataDirectory(const std::filesystem::path& directory, std::string* why = nullptr);

// Creates `directory` when missing, without making it this process's data
// directory (a copy's target). False, with the reason in `why`, when it
// cannot be created or is no directory.
bool makeDataDirectory(const std::filesystem::path& directory, std::string* why = nullptr);

// The data directory; the default one is created on first use.
std::filesystem::path dataDirectory();
// The data directory as dataDirectory() answers it, without creating the
// default one (for work that only reads it).
std::filesystem::path dataDirectoryUnmade();

}  // namespace apprt
