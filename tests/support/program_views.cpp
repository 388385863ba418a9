#include "support/program_views.h"

#include <cstdio>

#include "resources/resources.h"
#include "runtime/windows/queue.h"
#include "runtime/windows/windows.h"
#include "ui/headless/session.h"

namespace fesk::test {
namespace {

struct SampleRow {
  std::string code, name;
};
std::vector<std::string> queueTexts(const SampleRow& r) {
  return {r.code, r.name};
}

}  // namespace

apprt::WindowView programView(const std::string& module, const std::string& label, int rows) {
  resources::registerWindowDefinitions();
  apprt::Queue<SampleRow> queue;
  auto procedure = [&] {
    apprt::loadWindow(module, label);
    auto definition = apprt::findWindowDefinition(module, label);
    for (const auto& c : definition->controls)
      if (c.kind == apprt::ControlKind::List) apprt::bindList(c.field, queue);
    for (int i = 1; i <= rows; ++i) {
      char code[16];
      std::snprintf(code, sizeof code, "C%03d", i);
      queue.buffer = {code, "Name " + std::to_string(i)};
      queue.add();
    }
    apprt::openWindow();
    apprt::startEventLoop();
    while (!apprt::endEventLoop()) {
    }
    apprt::closeWindow();
    apprt::freeWindow();
  };
  headless::Session session(procedure);
  apprt::WindowView view = session.current();
  session.finish();
  return view;
}

}  // namespace fesk::test
