#pragma once
// Where `fesk serve` listens: HOST:PORT, and whether that is reachable from
// other stations (which then needs TLS); and the address people open, which
// may be a reverse proxy's.

#include <string>

namespace fesk::web {

struct ListenAddress {
  std::string host = "127.0.0.1";
  int port = 8080;
};

// Reads "HOST:PORT" ("[::1]:8080" for an IPv6 address); false, with the
// reason in `why`, when it is not one.
bool parseListenAddress(const std::string& text, ListenAddress& address, std::string& why);

// Whether `text` is an address people may open: http:// or https://, a
// host, perhaps a port, no path; false, with the reason in `why`, when not.
bool checkPublicUrl(const std::string& text, std::string& why);

// Whether `text` is an IPv4 or IPv6 address.
bool isIpAddress(const std::string& text);

// Whether only this station can reach the address (127.0.0.0/8, ::1, localhost).
bool isLoopback(const std::string& host);

}  // namespace fesk::web
