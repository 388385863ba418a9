#include "ui/qt/session_end.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSessionManager>
#include <QTimer>

#include "ui/qt/desktop.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/message_box.h"

namespace fesk::qt {
namespace {

// A close that asks nothing ends the program in this time; one that asks
// waits for the user as long as the question is shown.
constexpr int kUnaskedCloseMs = 10000;
constexpr int kPollMs = 100;

}  // namespace

bool sessionMayEnd(Desktop& desktop, bool mayTalkToUser) {
  FrameWindow* frame = desktop.frame();
  if (!mayTalkToUser || !frame) return true;
  QPointer<FrameWindow> shown = frame;
  QEventLoop waiting;
  bool cancelled = false;
  int questionsOpen = 0;
  QElapsedTimer unasked;  // since the last question was answered
  QObject::connect(&desktop, &Desktop::ended, &waiting, &QEventLoop::quit);
  QObject::connect(&desktop, &Desktop::asked, &waiting, [&](QMessageBox* box) {
    ++questionsOpen;
    QObject::connect(box, &QMessageBox::buttonClicked, &waiting, [&](QAbstractButton* button) {
      --questionsOpen;
      unasked.restart();
      cancelled = buttonValue(button) == apprt::kButtonCancel;
      if (cancelled) waiting.quit();
    });
  });
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &waiting, [&] {
    // The frame closes once every window has closed: the program is ending.
    const bool closed = !shown || !shown->isVisible();
    if (closed || (questionsOpen == 0 && unasked.hasExpired(kUnaskedCloseMs))) waiting.quit();
  });
  unasked.start();
  poll.start(kPollMs);
  frame->close();
  waiting.exec();
  return !cancelled;
}

void answerSessionEnds(QGuiApplication& app, Desktop& desktop) {
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &desktop,
                   [&desktop](QSessionManager& manager) {
                     // The manager gives us our turn with the user (perhaps
                     // after other programs'); a Cancel goes back with the end
                     // of that turn, so it is told before the turn is released.
                     const bool mayTalk = manager.allowsInteraction();
                     if (!sessionMayEnd(desktop, mayTalk)) manager.cancel();
                     if (mayTalk) manager.release();
                   });
}

}  // namespace fesk::qt
