#include "runtime/frontend/window_definition.h"

#include <cctype>
#include <map>
#include <mutex>

namespace apprt {
namespace {

struct Line {
  int number = 0;
  int indent = 0;
  std::vector<std::string> words;
  std::vector<bool> quoted;
};

[[noreturn]] void fail(const Line& line, const std::string& what) {
  throw DefinitionError("window definition line " + std::to_string(line.number) + ": " + what);
}

Line tokenize(std::string_view text, int number) {
  Line line;
  line.number = number;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  line.indent = static_cast<int>(i);
  while (i < text.size()) {
    char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '"') {
      std::string word;
      ++i;
      bool closed = false;
      while (i < text.size()) {
        char d = text[i++];
        if (d == '\\' && i < text.size()) {
          word += text[i++];
        } else if (d == '"') {
          closed = true;
          break;
        } else {
          word += d;
        }
      }
      if (!closed) fail(line, "unterminated string");
      line.words.push_back(word);
      line.quoted.push_back(true);
    } else {
      size_t start = i;
      while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '"' &&
             text[i] != '\r')
        ++i;
      line.words.emplace_back(text.substr(start, i - start));
      line.quoted.push_back(false);
    }
  }
  return line;
}

int toInt(const Line& line, const std::string& word) {
  try {
    size_t used = 0;
    int v = std::stoi(word, &used);
    if (used != word.size()) fail(line, "not a number: " + word);
    return v;
  } catch (const std::logic_error&) {
    fail(line, "not a number: " + word);
  }
}

// Reads "key value" attribute pairs after the fixed words of a line.
class Attributes {
 public:
  Attributes(const Line& line, size_t from) : line_(line), pos_(from) {}
  bool done() const { return pos_ >= line_.words.size(); }
  std::string keyword() {
    if (line_.quoted[pos_]) fail(line_, "unexpected string \"" + line_.words[pos_] + "\"");
    return line_.words[pos_++];
  }
  std::string text() {
    if (done() || !line_.quoted[pos_]) fail(line_, "a quoted text is missing");
    return line_.words[pos_++];
  }
  int number() {
    if (done()) fail(line_, "a number is missing");
    return toInt(line_, line_.words[pos_++]);
  }
  bool nextIsText() const { return !done() && line_.quoted[pos_]; }

 private:
  const Line& line_;
  size_t pos_;
};

const std::map<std::string, ControlKind>& controlKeywords() {
  static const std::map<std::string, ControlKind> kinds = {
      {"prompt", ControlKind::Prompt},       {"entry", ControlKind::Entry},
      {"button", ControlKind::Button},       {"list", ControlKind::List},
      {"droplist", ControlKind::DropList},   {"dropcombo", ControlKind::DropCombo},
      {"sheet", ControlKind::Sheet},         {"tab", ControlKind::Tab},
      {"menu", ControlKind::Menu},           {"item", ControlKind::MenuItem},
      {"separator", ControlKind::Separator}, {"toolbar", ControlKind::Toolbar},
  };
  return kinds;
}

void readControlAttributes(Attributes& a, ControlDefinition& c, const Line& line) {
  while (!a.done()) {
    std::string k = a.keyword();
    if (k == "at") {
      c.rect.x = a.number();
      c.rect.y = a.number();
      c.rect.width = a.number();
      c.rect.height = a.number();
    } else if (k == "picture") {
      c.picture = a.text();
    } else if (k == "format") {
      c.format = a.text();
    } else if (k == "message") {
      c.message = a.text();
    } else if (k == "hint") {
      c.hint = a.text();
    } else if (k == "std") {
      c.standardAction = a.number();
    } else if (k == "required") {
      c.required = true;
    } else if (k == "disabled") {
      c.disabled = true;
    } else if (k == "vscroll") {
      c.vscroll = true;
    } else if (k == "hidden") {
      c.hidden = true;
    } else {
      fail(line, "unknown attribute " + k);
    }
  }
}

struct Parent {
  int indent;
  int field;
  ControlKind kind;
};

}  // namespace

const ControlDefinition* WindowDefinition::control(int field) const {
  for (const auto& c : controls)
    if (c.field == field) return &c;
  return nullptr;
}

std::string controlKindName(ControlKind kind) {
  for (const auto& [word, named] : controlKeywords()) {
    if (named == kind) return word;
  }
  return "control";
}

std::vector<WindowDefinition> parseWindowDefinitions(std::string_view text) {
  std::vector<WindowDefinition> windows;
  std::string module;
  std::vector<Parent> parents;  // the chain of open containers
  int windowIndent = -1;
  int nextUnnumbered = -1000;
  int number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    Line line = tokenize(text.substr(start, end - start), ++number);
    start = end + 1;
    if (line.words.empty() || line.words[0][0] == '#') continue;
    const std::string& head = line.words[0];
    if (head == "module") {
      Attributes a(line, 1);
      module = a.text();
      continue;
    }
    if (head == "window") {
      if (module.empty()) fail(line, "window before module");
      WindowDefinition w;
      w.module = module;
      Attributes a(line, 1);
      w.label = a.text();
      std::string kind = a.keyword();
      if (kind == "frame")
        w.kind = WindowKind::Frame;
      else if (kind == "mdi")
        w.kind = WindowKind::MdiChild;
      else if (kind == "dialog")
        w.kind = WindowKind::Dialog;
      else
        fail(line, "unknown window kind " + kind);
      w.title = a.text();
      while (!a.done()) {
        std::string k = a.keyword();
        if (k == "size") {
          w.width = a.number();
          w.height = a.number();
        } else {
          fail(line, "unknown window attribute " + k);
        }
      }
      windows.push_back(std::move(w));
      windowIndent = line.indent;
      parents.clear();
      continue;
    }
    if (windows.empty()) fail(line, head + " outside a window");
    WindowDefinition& w = windows.back();
    if (line.indent <= windowIndent) fail(line, head + " must be indented under its window");
    while (!parents.empty() && parents.back().indent >= line.indent) parents.pop_back();
    Attributes a(line, 1);
    if (head == "help") {
      w.help = a.text();
      continue;
    }
    if (head == "font") {
      w.fontName = a.text();
      w.fontSize = a.number();
      continue;
    }
    auto kind = controlKeywords().find(head);
    if (kind == controlKeywords().end()) fail(line, "unknown element " + head);
    ControlDefinition c;
    c.kind = kind->second;
    c.depth = static_cast<int>(parents.size());
    if (!parents.empty()) {
      c.parent = parents.back().field;
      for (const auto& p : parents) c.inToolbar = c.inToolbar || p.kind == ControlKind::Toolbar;
      if (parents.back().kind == ControlKind::Toolbar) c.parent = 0;
    }
    if (c.kind == ControlKind::Separator || c.kind == ControlKind::Toolbar) {
      c.field = nextUnnumbered--;
    } else if (!a.done() && !a.nextIsText() && line.words[1] == "none") {
      a.keyword();
      c.field = nextUnnumbered--;
    } else {
      c.field = a.number();
      if (w.control(c.field)) fail(line, "field " + std::to_string(c.field) + " defined twice");
    }
    if (a.nextIsText()) c.text = a.text();
    readControlAttributes(a, c, line);
    parents.push_back({line.indent, c.field, c.kind});
    w.controls.push_back(std::move(c));
  }
  return windows;
}

namespace {
std::mutex gDefinitionsMutex;
std::vector<WindowDefinition>& definitions() {
  static std::vector<WindowDefinition> all;
  return all;
}
}  // namespace

void registerWindowDefinitions(std::string_view text) {
  auto parsed = parseWindowDefinitions(text);
  std::lock_guard lock(gDefinitionsMutex);
  for (auto& w : parsed) {
    auto& all = definitions();
    std::erase_if(
        all, [&](const WindowDefinition& d) { return d.module == w.module && d.label == w.label; });
    all.push_back(std::move(w));
  }
}

std::optional<WindowDefinition> findWindowDefinition(std::string_view module,
                                                     std::string_view label) {
  std::lock_guard lock(gDefinitionsMutex);
  for (const auto& d : definitions())
    if (d.module == module && d.label == label) return d;
  return std::nullopt;
}

}  // namespace apprt
