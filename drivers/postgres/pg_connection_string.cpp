#include "drivers/postgres/pg_connection_string.h"

#include <libpq-fe.h>

#include <memory>
#include <regex>

namespace fesk::postgres {
namespace {

using Options = std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)>;

Options parse(const std::string& conninfo, std::string& mistake) {
  char* error = nullptr;
  Options options(PQconninfoParse(conninfo.c_str(), &error), &PQconninfoFree);
  if (!options) {
    mistake = error ? error : "libpq cannot read it";
    while (!mistake.empty() && mistake.back() == '\n') mistake.pop_back();
  }
  PQfreemem(error);
  return options;
}

}  // namespace

std::string connectionStringMistake(const std::string& conninfo) {
  std::string mistake;
  parse(conninfo, mistake);
  return mistake;
}

bool connectionStringHasPassword(const std::string& conninfo) {
  std::string mistake;
  const Options options = parse(conninfo, mistake);
  for (const PQconninfoOption* option = options.get(); option && option->keyword; ++option) {
    if (std::string(option->keyword) == "password" && option->val && *option->val) return true;
  }
  return false;
}

bool namesServer(const std::string& text) {
  if (text.starts_with("postgresql://") || text.starts_with("postgres://")) return true;
  // A word "keyword=" opens a key=value pair; a path such as "/srv/a=b" holds none.
  static const std::regex keyValueWord(R"((^|\s)[A-Za-z_]+\s*=)");
  return std::regex_search(text, keyValueWord);
}

}  // namespace fesk::postgres
