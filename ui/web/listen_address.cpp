#include "ui/web/listen_address.h"

#include <QHostAddress>
#include <QUrl>
#include <charconv>

namespace fesk::web {

bool parseListenAddress(const std::string& text, ListenAddress& address, std::string& why) {
  const auto colon = text.rfind(':');
  std::string host = colon == std::string::npos ? "" : text.substr(0, colon);
  const std::string port = colon == std::string::npos ? "" : text.substr(colon + 1);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  int number = 0;
  auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (host.empty() || port.empty() || error != std::errc() || end != port.data() + port.size() ||
      number < 1 || number > 65535) {
    why = "--listen wants HOST:PORT (a port from 1 to 65535), not \"" + text + "\"";
    return false;
  }
  if (host != "localhost" && QHostAddress(QString::fromStdString(host)).isNull()) {
    why = "--listen wants an IP address or localhost as its host, not \"" + host + "\"";
    return false;
  }
  address = {host, number};
  return true;
}

bool checkPublicUrl(const std::string& text, std::string& why) {
  const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
  if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
      url.host().isEmpty() || !url.userInfo().isEmpty() ||
      (!url.path().isEmpty() && url.path() != "/") || url.hasQuery() || url.hasFragment()) {
    why =
        "--public-url wants the address people open, as https://HOST[:PORT]/, not \"" + text + "\"";
    return false;
  }
  return true;
}

bool isIpAddress(const std::string& text) {
  return !QHostAddress(QString::fromStdString(text)).isNull();
}

bool isLoopback(const std::string& host) {
  return host == "localhost" || QHostAddress(QString::fromStdString(host)).isLoopback();
}

}  // namespace fesk::web
