#include "ui/tui/help_text.h"

#include <cctype>
#include <utility>

#include "runtime/text/ascii_case.h"

namespace fesk::tui {
namespace {

constexpr std::pair<std::string_view, std::string_view> kEntities[] = {
    {"&amp;", "&"},   {"&lt;", "<"},   {"&gt;", ">"},
    {"&quot;", "\""}, {"&nbsp;", " "}, {"&#39;", "'"}};

void appendText(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '&') {
      bool replaced = false;
      for (auto [entity, value] : kEntities)
        if (text.substr(i, entity.size()) == entity) {
          out += value;
          i += entity.size() - 1;
          replaced = true;
          break;
        }
      if (replaced) continue;
    }
    // Line breaks and runs of spaces in markup are one space.
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!out.empty() && out.back() != ' ' && out.back() != '\n') out += ' ';
      continue;
    }
    out += c;
  }
}

void endLine(std::string& out) {
  while (!out.empty() && out.back() == ' ') out.pop_back();
  if (!out.empty() && out.back() != '\n') out += '\n';
}

}  // namespace

HelpText htmlToText(std::string_view html) {
  HelpText help;
  std::string out;
  bool inTitle = false;
  size_t i = 0;
  while (i < html.size()) {
    size_t open = html.find('<', i);
    std::string_view text = html.substr(i, open == std::string_view::npos ? open : open - i);
    if (inTitle)
      help.title += std::string(text);
    else
      appendText(out, text);
    if (open == std::string_view::npos) break;
    size_t close = html.find('>', open);
    if (close == std::string_view::npos) break;
    std::string tag = apprt::asciiLower(html.substr(open + 1, close - open - 1));
    std::string name = tag.substr(0, tag.find_first_of(" \t\n/", tag[0] == '/' ? 1 : 0));
    if (name == "title") inTitle = true;
    if (name == "/title") inTitle = false;
    if (name == "p" || name == "h1" || name == "h2" || name == "h3" || name == "tr" ||
        name == "br" || name == "li" || name == "/h1" || name == "/h2" || name == "/h3" ||
        name == "/table")
      endLine(out);
    if (name == "h2" || name == "h3") out += '\n';
    if (name == "li") out += "- ";
    if (name == "td" && !out.empty() && out.back() != '\n') out += "  ";
    i = close + 1;
  }
  endLine(out);
  // Headings are followed by an empty line; never more than one in a row.
  std::string text;
  for (char c : out) {
    if (c == '\n' && text.size() >= 2 && text[text.size() - 1] == '\n' &&
        text[text.size() - 2] == '\n')
      continue;
    text += c;
  }
  while (!text.empty() && text.front() == '\n') text.erase(0, 1);
  help.text = text;
  return help;
}

HelpText helpText(const std::string& helpId) {
  const HelpSource* index = nullptr;
  for (const auto& page : helpSources()) {
    if (page.name == helpId && !helpId.empty()) return htmlToText(page.html);
    if (page.name == "index") index = &page;
  }
  if (index) return htmlToText(index->html);
  return {"Help", "No help is available."};
}

}  // namespace fesk::tui
