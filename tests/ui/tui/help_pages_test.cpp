// The help pages that F1 shows: every window of the program has one of its
// own, and every link between the pages leads to a page.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "resources/resources.h"
#include "runtime/frontend/window_definition.h"
#include "ui/tui/help_text.h"

namespace {

using fesk::tui::helpSources;

std::set<std::string> pageNames() {
  std::set<std::string> names;
  for (const auto& page : helpSources()) names.emplace(page.name);
  return names;
}

TEST(HelpPages, EveryWindowHasAPageOfItsOwnAndEveryLinkLeadsToAPage) {
  const std::set<std::string> pages = pageNames();
  ASSERT_TRUE(pages.contains("index"));
  std::set<std::string> linked;
  for (const auto& page : helpSources()) {
    const std::string html(page.html);
    const std::regex link(R"(href="([^"#]+)\.html")");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), link);
         it != std::sregex_iterator(); ++it) {
      const std::string target = (*it)[1];
      EXPECT_TRUE(pages.contains(target)) << page.name << " links to " << target;
      linked.insert(target);
    }
    EXPECT_FALSE(fesk::tui::htmlToText(page.html).title.empty()) << page.name;
  }
  for (const auto& text : fesk::resources::windowDefinitionTexts()) {
    for (const auto& window : apprt::parseWindowDefinitions(text.text)) {
      // The program's frame shows the contents; every other window its own page.
      if (window.label == "P1$APPFRAME") continue;
      EXPECT_TRUE(pages.contains(window.help)) << text.name << " asks for " << window.help;
      EXPECT_TRUE(linked.contains(window.help)) << window.help << " is not in the contents";
    }
  }
}

}  // namespace
