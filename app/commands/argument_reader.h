#pragma once
// Reads a command line one argument at a time. Options take their value as
// `--name VALUE` or `--name=VALUE`; an option whose value is missing is an
// error that names the option, never taken for an unknown option.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/commands/exit_status.h"

namespace fesk {

class ArgumentReader {
 public:
  explicit ArgumentReader(std::vector<std::string> arguments);

  bool atEnd() const { return next_ >= arguments_.size() || failed(); }
  const std::string& current() const { return arguments_[next_]; }

  // When the current argument is option `name`, takes it and its value and
  // answers true (also when the value is missing: failed() tells).
  bool option(std::string_view name, std::optional<std::string>& value);
  // When the current argument is the flag `name`, takes it.
  bool flag(std::string_view name);
  // Takes the current argument as it is.
  std::string take() { return arguments_[next_++]; }

  // Records why the command line cannot be run (the first reason is kept).
  void fail(std::string why);
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  std::vector<std::string> arguments_;
  std::size_t next_ = 0;
  std::string error_;
};

}  // namespace fesk
