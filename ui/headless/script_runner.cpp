#include "ui/headless/script_runner.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/frontend/constants.h"
#include "ui/headless/session.h"
#include "ui/headless/transcript.h"

namespace fesk::headless {
namespace {

class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One gesture line split into its verb and arguments; quoted arguments keep
// their spaces and take \" and \\ escapes.
struct Gesture {
  std::string verb;
  std::vector<std::string> args;
};

Gesture parseLine(const std::string& line) {
  Gesture g;
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '"') {
      std::string word;
      bool closed = false;
      for (++i; i < line.size();) {
        char d = line[i++];
        if (d == '\\' && i < line.size()) {
          word += line[i++];
        } else if (d == '"') {
          closed = true;
          break;
        } else {
          word += d;
        }
      }
      if (!closed) throw ScriptError("a quoted text is not closed");
      words.push_back(word);
    } else {
      size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      words.push_back(line.substr(start, i - start));
    }
  }
  if (!words.empty()) {
    g.verb = words.front();
    g.args.assign(words.begin() + 1, words.end());
  }
  return g;
}

const std::string& argument(const Gesture& g) {
  if (g.args.size() != 1)
    throw ScriptError(g.verb + " takes one argument, not " + std::to_string(g.args.size()));
  return g.args.front();
}

void noArguments(const Gesture& g) {
  if (!g.args.empty()) throw ScriptError(g.verb + " takes no argument");
}

int number(const std::string& text) {
  try {
    size_t used = 0;
    int n = std::stoi(text, &used);
    if (used == text.size()) return n;
  } catch (const std::logic_error&) {
  }
  throw ScriptError("not a number: " + text);
}

class Runner {
 public:
  Runner(std::ostream& out, const SessionOptions& options) : out_(out), options_(options) {}

  int run(std::istream& script, apprt::Procedure first) {
    bool failed = false;
    try {
      session_.emplace(
          std::move(first), [this](const std::string& line) { write(line); }, options_);
    } catch (const std::exception& e) {
      write(std::string("script error: the program did not start: ") + e.what());
      failed = true;
    }
    std::string line;
    for (int number = 1; !failed && std::getline(script, line); ++number) {
      try {
        perform(line);
      } catch (const std::exception& e) {
        write("script error at line " + std::to_string(number) + ": " + e.what());
        failed = true;
      }
    }
    if (!failed && session_) failed = !answersUsedUp();
    int exitCode = finish();
    return failed ? kScriptFailed : exitCode;
  }

 private:
  void write(const std::string& line) {
    std::lock_guard lock(outMutex_);
    out_ << line << '\n';
    out_.flush();
  }

  void perform(const std::string& line) {
    // A comment is not parsed: its text may hold anything, a lone quote too.
    const size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos || line[start] == '#') return;
    Gesture g = parseLine(line);
    write("> " + line.substr(start));
    auto verb = verbs().find(g.verb);
    if (verb == verbs().end()) throw ScriptError("unknown verb " + quoted(g.verb));
    if (session_->ended() && g.verb != "wait")
      throw ScriptError("the program has ended; " + g.verb + " cannot be carried out");
    size_t errorsBefore = session_->frontEnd().errors().size();
    verb->second(*this, g);
    auto errors = session_->frontEnd().errors();
    if (errors.size() > errorsBefore) throw ScriptError(errors[errorsBefore]);
  }

  bool answersUsedUp() {
    size_t left = session_->frontEnd().pendingAnswers();
    if (left == 0) return true;
    write("script error: " + std::to_string(left) +
          " queued answer(s) found no message box to answer");
    return false;
  }

  int finish() {
    if (!session_) return kScriptFailed;
    try {
      return session_->finish();
    } catch (const std::exception& e) {
      write(std::string("script error: the program did not end: ") + e.what());
      return kScriptFailed;
    }
  }

  void show() {
    std::string text = describeWindow(session_->current());
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      write(text.substr(start, end - start));
    }
  }

  void scroll(const Gesture& g) {
    static const std::map<std::string, int> codes = {{"up", apprt::kScrollLineUp},
                                                     {"down", apprt::kScrollLineDown},
                                                     {"page-up", apprt::kScrollPageUp},
                                                     {"page-down", apprt::kScrollPageDown}};
    if (g.args.size() == 2 && g.args[0] == "thumb") {
      session_->scroll(apprt::kScrollThumbPosition, number(g.args[1]));
      return;
    }
    auto code = codes.find(argument(g));
    if (code == codes.end())
      throw ScriptError("scroll takes up, down, page-up, page-down or thumb N");
    session_->scroll(code->second);
  }

  void expectField(const Gesture& g) {
    if (g.args.size() != 2) throw ScriptError("expect-field takes a field number and a text");
    auto w = session_->current();
    const apprt::ControlView* c = w.control(number(g.args[0]));
    if (!c) throw ScriptError("no field " + g.args[0] + " in " + quoted(w.title));
    if (c->text != g.args[1])
      throw ScriptError("field " + g.args[0] + " shows " + quoted(c->text) + ", expected " +
                        quoted(g.args[1]));
  }

  using Verb = std::function<void(Runner&, const Gesture&)>;
  static const std::map<std::string, Verb>& verbs() {
    static const std::map<std::string, Verb> all = {
        {"menu", [](Runner& r, const Gesture& g) { r.session_->menu(argument(g)); }},
        {"window", [](Runner& r, const Gesture& g) { r.session_->useWindow(argument(g)); }},
        {"click", [](Runner& r, const Gesture& g) { r.session_->click(argument(g)); }},
        {"click-field",
         [](Runner& r, const Gesture& g) { r.session_->clickField(number(argument(g))); }},
        {"key", [](Runner& r, const Gesture& g) { r.session_->key(argument(g)); }},
        {"type", [](Runner& r, const Gesture& g) { r.session_->type(argument(g)); }},
        {"row", [](Runner& r, const Gesture& g) { r.session_->row(number(argument(g))); }},
        {"double-row",
         [](Runner& r, const Gesture& g) { r.session_->doubleRow(number(argument(g))); }},
        {"tab", [](Runner& r, const Gesture& g) { r.session_->tab(argument(g)); }},
        {"answer",
         [](Runner& r, const Gesture& g) {
           int button = buttonFromName(argument(g));
           if (!button) throw ScriptError("unknown button " + quoted(g.args[0]));
           r.session_->answer(button);
         }},
        {"save-as",
         [](Runner& r, const Gesture& g) { r.session_->frontEnd().answerSavePath(argument(g)); }},
        {"show",
         [](Runner& r, const Gesture& g) {
           noArguments(g);
           r.show();
         }},
        {"close",
         [](Runner& r, const Gesture& g) {
           noArguments(g);
           r.session_->close();
         }},
        {"resize",
         [](Runner& r, const Gesture& g) {
           noArguments(g);
           r.session_->resize();
         }},
        {"wait",
         [](Runner& r, const Gesture& g) {
           noArguments(g);
           r.session_->waitIdle();
         }},
        {"scroll", [](Runner& r, const Gesture& g) { r.scroll(g); }},
        {"wheel",
         [](Runner& r, const Gesture& g) {
           const std::string& way = argument(g);
           if (way != "up" && way != "down") throw ScriptError("wheel takes up or down");
           r.session_->wheel(way == "up");
         }},
        {"expect-window",
         [](Runner& r, const Gesture& g) {
           auto title = r.session_->current().title;
           if (title != argument(g))
             throw ScriptError("the current window is " + quoted(title) + ", expected " +
                               quoted(g.args[0]));
         }},
        {"expect-field", [](Runner& r, const Gesture& g) { r.expectField(g); }},
    };
    return all;
  }

  std::ostream& out_;
  SessionOptions options_;
  std::mutex outMutex_;
  std::optional<Session> session_;
};

}  // namespace

int runScript(std::istream& script, apprt::Procedure firstProcedure, std::ostream& transcript,
              const SessionOptions& options) {
  Runner runner(transcript, options);
  return runner.run(script, std::move(firstProcedure));
}

}  // namespace fesk::headless
