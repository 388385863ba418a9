#include "ui/qt/run.h"

#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

#include "runtime/frontend/end_requests.h"
#include "ui/qt/desktop.h"
#include "ui/qt/desktop_settings.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/program_icon.h"
#include "ui/qt/qt_frontend.h"
#include "ui/qt/session_end.h"

namespace fesk::qt {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string platformOf(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0) return argv[i + 1];
  return environment("QT_QPA_PLATFORM");
}

// Ends the program as closing its frame would, without questions; a program
// still starting has no frame yet, and is ended as soon as it has one.
void endProgramOnceFramed(Desktop& desktop, QApplication& app) {
  if (FrameWindow* frame = desktop.frame()) {
    apprt::deliverInput(apprt::Input::endProgram(frame->handle()));
    return;
  }
  QTimer::singleShot(20, &app, [&desktop, &app] { endProgramOnceFramed(desktop, app); });
}

}  // namespace

std::string missingDisplay(int argc, char** argv) {
  const std::string platform = platformOf(argc, argv);
  const bool x11 = !environment("DISPLAY").empty();
  const bool wayland = !environment("WAYLAND_DISPLAY").empty();
  bool available;
  if (platform.empty())
    available = x11 || wayland;
  else if (platform.rfind("xcb", 0) == 0)
    available = x11;
  else if (platform.rfind("wayland", 0) == 0)
    available = wayland;
  else
    available = true;  // offscreen, vnc, eglfs... need no display server
  if (available) return "";
  return "fesk: no display is available (DISPLAY and WAYLAND_DISPLAY are not set); "
         "run it without windows as: fesk --ui=headless --script FILE";
}

int run(int& argc, char** argv, apprt::Procedure firstProcedure, StartedHook started,
        const std::string& dataSet) {
  if (std::string why = missingDisplay(argc, argv); !why.empty()) {
    std::cerr << why << "\n";
    return 2;
  }
  apprt::EndRequests endRequests;  // caught from here on; answered once the loop runs
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
      Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  QApplication app(argc, argv);
  QApplication::setApplicationName("fesk");
  QApplication::setApplicationDisplayName("fesk");
  // The installed desktop entry: a Wayland desktop finds the icon through it.
  QGuiApplication::setDesktopFileName("fesk");
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(programIcon());

  Desktop desktop;
  desktop.showDataSet(QString::fromStdString(dataSet));
  answerSessionEnds(app, desktop);
  QtFrontEnd frontEnd(desktop);
  QObject::connect(&desktop, &Desktop::ended, &app, [](int code) { QApplication::exit(code); });
  DesktopChoices choices;
  apprt::keepChoicesIn(&choices);
  apprt::ProgramRun program(frontEnd);
  program.start(std::move(firstProcedure));
  std::thread waiter([&program] { program.wait(); });
  // SIGTERM, SIGHUP (the session or terminal gone): the program closes as
  // File, Exit would, without questions (boxes answer their defaults), so that
  // its files are closed and its locks let go. Asked again, it ends at once.
  QSocketNotifier endNotifier(endRequests.descriptor(), QSocketNotifier::Read);
  bool endAsked = false;
  QObject::connect(&endNotifier, &QSocketNotifier::activated, &app, [&] {
    const int requests = endRequests.take();
    if (endAsked || requests > 1) {
      std::cerr << "fesk: ended by a signal before the program had closed\n";
      std::_Exit(128 + SIGTERM);
    }
    endAsked = true;
    frontEnd.stop();
    while (QMessageBox* box = desktop.messageBox()) {
      box->hide();
      box->deleteLater();  // answers its default
    }
    endProgramOnceFramed(desktop, app);
  });
  // A timer, not a posted call: the hook may pump events itself, and posted
  // events are not delivered by a loop nested in the delivery of another.
  if (started) QTimer::singleShot(10, &app, [&] { started(desktop, program); });
  QApplication::exec();

  // The event loop can also end from outside (a session ending): the program
  // is then closed as the frame's close box would, and its boxes answer their
  // defaults.
  frontEnd.stop();
  if (!program.ended() && desktop.frame()) {
    apprt::deliverInput(apprt::Input::endProgram(desktop.frame()->handle()));
  }
  waiter.join();
  apprt::keepChoicesIn(nullptr);
  return program.exitCode();
}

}  // namespace fesk::qt
