#pragma once
// Where `fesk serve` listens: HOST:PORT, and whether that is reachable from
// other stations (which then needs TLS).

#include <string>

namespace fesk::web {

struct ListenAddress {
  std::string host = "127.0.0.1";
  int port = 8080;
};

// Reads "HOST:PORT" ("[::1]:8080" for an IPv6 address); false, with the
// reason in `why`, when it is not one.
bool parseListenAddress(const std::string& text, ListenAddress& address, std::string& why);

// Whether only this station can reach the address (127.0.0.0/8, ::1, localhost).
bool isLoopback(const std::string& host);

}  // namespace fesk::web
