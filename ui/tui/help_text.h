#pragma once
// The program's help pages as plain text for the terminal: headings,
// paragraphs and table rows on lines of their own, markup dropped.

#include <string>
#include <string_view>
#include <vector>

namespace fesk::tui {

struct HelpSource {
  std::string_view name;  // the help id: the page's file name without .html
  std::string_view html;
};
const std::vector<HelpSource>& helpSources();  // compiled in

struct HelpText {
  std::string title;
  std::string text;  // paragraphs separated by line breaks
};

// The page of a help id; the index page for an unknown or empty id.
HelpText helpText(const std::string& helpId);

// Markup to text (exposed for tests).
HelpText htmlToText(std::string_view html);

}  // namespace fesk::tui
