#include "app/commands/argument_reader.h"

namespace fesk {

ArgumentReader::ArgumentReader(std::vector<std::string> arguments)
    : arguments_(std::move(arguments)) {}

bool ArgumentReader::option(std::string_view name, std::optional<std::string>& value) {
  const std::string_view argument = current();
  if (argument.size() > name.size() && argument.starts_with(name) && argument[name.size()] == '=') {
    value = std::string(argument.substr(name.size() + 1));
    ++next_;
    if (value->empty()) fail("the option " + std::string(name) + " needs a value");
    return true;
  }
  if (argument != name) return false;
  ++next_;
  // "--data-dir --ui=tui" lacks the directory: a value never looks like an
  // option (a value that does is given as --name=VALUE).
  if (next_ >= arguments_.size() || arguments_[next_].starts_with("--")) {
    fail("the option " + std::string(name) + " needs a value");
    return true;
  }
  value = arguments_[next_++];
  return true;
}

bool ArgumentReader::flag(std::string_view name) {
  if (current() != name) return false;
  ++next_;
  return true;
}

void ArgumentReader::fail(std::string why) {
  if (error_.empty()) error_ = std::move(why);
}

}  // namespace fesk
