#pragma once
// Choices a user makes that the next run of the program starts with
// (in-line editing on or off, the order chosen). Where they are kept is the
// front-end's: the desktop's settings, a file beside them for the terminal.
// A run with no place to keep them (headless runs, tests) starts from the
// defaults every time.

#include <string>

namespace apprt {

class ChoicePlace {
 public:
  virtual ~ChoicePlace() = default;
  virtual std::string value(const std::string& key) const = 0;  // "" when none was kept
  virtual void setValue(const std::string& key, const std::string& value) = 0;
};

// Where this run keeps the choices (nullptr: nowhere); the caller keeps it
// alive while the program runs.
void keepChoicesIn(ChoicePlace* place);
// The choice kept under `key`, or `fallback` when none was.
std::string rememberedChoice(const std::string& key, const std::string& fallback);
void rememberChoice(const std::string& key, const std::string& value);

}  // namespace apprt
