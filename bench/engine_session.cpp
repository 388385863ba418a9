#include "bench/engine_session.h"

#include "bench/bench_files.h"
#include "browse/engine_loop.h"
#include "runtime/frontend/constants.h"
#include "runtime/frontend/input.h"
#include "runtime/frontend/window_definition.h"
#include "runtime/text/ascii_case.h"
#include "runtime/threads/program.h"
#include "runtime/windows/windows.h"
#include "ui/headless/headless_frontend.h"

namespace fesk::bench {
namespace {

struct Row {
  std::string code;
  std::string name;
  std::string POSITION;
};

constexpr int kList = 1;
constexpr std::string_view kWindow = R"(
module "bench$ENGINE"
window "LIST" mdi "Engine Bench" size 200 160
  list 1 at 4 4 150 118 format "80L(2)|M~code~L(2)@S20@"
)";

apprt::Queue<Row> rows;

}  // namespace

int runInBrowseWindow(const std::function<void()>& benchmarks) {
  apprt::registerWindowDefinitions(kWindow);
  BrowseRegistry.defaults.ExtVScroll = 0;  // as the program sets it at start-up
  headless::HeadlessFrontEnd frontEnd;
  apprt::ProgramRun run(frontEnd);
  run.start([&] {
    apprt::loadWindow("bench$ENGINE", "LIST");
    apprt::bindList(kList, rows);
    apprt::openWindow();
    apprt::startEventLoop();
    // Take the opening events before the first benchmark.
    apprt::POST(apprt::kEventUser + 99, kList);
    while (!apprt::endEventLoop(1) && apprt::EVENT() != apprt::kEventUser + 99) {
    }
    KX_InitBrowse(kList, static_cast<uint16_t>(apprt::THREAD()), 0, true);
    benchmarks();
    apprt::closeWindow();
    apprt::freeWindow();
  });
  return run.wait();
}

void drive(const Browsed& browse) {
  const apprt::FileDeclaration& file = *browse.file;
  BrowseRange range;
  if (!browse.parent.empty()) range = {file.field(0), browse.parent, browse.parent, 1, 0};
  DriveUntilEventDone(kList, {.runEngine =
                                  [&] {
                                    KX_RunBrowse(kList, file, nullptr, *browse.key, rows,
                                                 rows.buffer.POSITION, range);
                                  },
                              .fillRow =
                                  [&] {
                                    rows.buffer.code = file.field(0).text();
                                    rows.buffer.name = file.field(1).text();
                                  }});
}

void serveEvent(const Browsed& browse, int event) {
  apprt::POST(event, kList);
  apprt::endEventLoop(1);
  drive(browse);
}

void locate(const Browsed& browse) {
  ReloadBrowseWith(kList, kBrowseSetToKey, kSetToKeyLocate);
  drive(browse);
}

void repositionOn(const Browsed& browse, apprt::RecordIdentity identity) {
  browse.file->reget(filePositionOf(identity));
  rows.free();
  ReloadBrowseWith(kList, kBrowseSetToPosition, kRepositionOnRecord);
  drive(browse);
}

namespace {

void deliverKey(int code) {
  apprt::deliverInput(
      apprt::Input::keyDown(static_cast<int>(apprt::getProp(0, apprt::kPropHandle)), code));
}

}  // namespace

void startFind() {
  deliverKey(apprt::kKeyFind);
}

void typeIntoFind(const Browsed& browse, char character) {
  deliverKey(apprt::asciiUpper(character));
  apprt::endEventLoop(1);  // takes the keys, and the search line's event they give
  drive(browse);
}

void selectEdgeRow(bool last) {
  apprt::SELECT(kList, last ? static_cast<int>(rows.records()) : 1);
}

}  // namespace fesk::bench
