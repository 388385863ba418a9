#include "drivers/postgres/pg_messages.h"

namespace fesk::postgres {

std::string oneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    const bool space = c == '\n' || c == '\t' || c == ' ' || c == '\r';
    if (!space) {
      line += c;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string libpqReason(const std::string& text) {
  std::string line = oneLine(text.substr(0, text.find('\n')));
  if (line.ends_with('.')) line.pop_back();
  static constexpr std::string_view kFailed = " failed: ";
  if (const auto failed = line.find(kFailed);
      line.starts_with("connection to server ") && failed != std::string::npos) {
    line.erase(0, failed + kFailed.size());
  }
  return line;
}

std::string fittedToWords(const std::string& text, std::size_t limit) {
  if (text.size() <= limit) return text;
  static constexpr std::string_view kCut = "...";
  if (limit <= kCut.size()) return std::string(kCut.substr(0, limit));
  std::size_t end = text.rfind(' ', limit - kCut.size());
  if (end == std::string::npos || end == 0) {
    // One long word: cut it, but not inside a UTF-8 character.
    end = limit - kCut.size();
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  }
  std::string cut = text.substr(0, end);
  while (!cut.empty() &&
         (cut.back() == ' ' || cut.back() == ',' || cut.back() == ';' || cut.back() == ':')) {
    cut.pop_back();
  }
  return cut + std::string(kCut);
}

}  // namespace fesk::postgres
