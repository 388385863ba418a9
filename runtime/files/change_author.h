#pragma once
// Who makes a thread's changes to the data files, from which station, and in
// which saved change: what the history of the files records with each entry.
//
// The author is the person signed in to the web front-end whose session this
// program runs (the session's environment names them), else the
// operating-system user. The station is
// this copy of the program: its host and process id. A change group is one
// saved change, the records a transaction (or a single write outside one)
// changes together, so that they can be looked at and taken back as one.

#include <cstdint>
#include <string>

namespace apprt {

// The environment variable that names the signed-in person to a session's program.
inline constexpr const char* kSignedInUserVariable = "FESK_SIGNED_IN_USER";

std::string changeAuthor();
// "host/pid"
std::string changeStation();
// A number that no other change group of this station, nor (but by chance)
// of another, is given.
std::int64_t newChangeGroup();

}  // namespace apprt
