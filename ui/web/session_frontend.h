#pragma once
// The runtime's front-end in a web session's program: what the runtime shows
// is written as messages to the serve process (which hands them to the page),
// and the page's answers to questions come back through answer(). Nothing of
// the page lives here, so the "screen" is only a writer, and a call is carried
// out at once on the calling thread, under one lock.

#include <QJsonObject>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "runtime/frontend/posting_frontend.h"
#include "ui/web/view_json.h"

namespace fesk::web {

class SessionScreen {
 public:
  // `send` writes one message to the page; it must not block for long.
  // Files written for the page go to `files` (none when "").
  SessionScreen(std::function<void(const QJsonObject&)> send, std::string files)
      : send_(std::move(send)), files_(std::move(files)) {}

  void showWindow(const apprt::WindowView& view);
  void closeWindow(int handle);
  void beep();
  void showHelp(const std::string& helpId);
  void standardAction(apprt::StandardAction action, int window);
  void bringToFront(int window);
  void askMessageBox(const apprt::MessageBoxRequest& request, std::function<void(int)> answer);
  void askSavePath(const apprt::SavePathRequest& request,
                   const std::function<void(std::string)>& answer);
  void showProgress(const apprt::ProgressView& view, const std::function<void()>& stop);
  // The page is given the file written at `path` to download.
  void offerFile(const std::string& path);
  void programEnded(int exitCode, const std::string& haltMessage);

  // The page answered box `id`; an unknown id (answered already) is ignored.
  void answer(int id, int value);
  // The user asked to stop the long work reported as `progressId`; work
  // that has ended meanwhile is not there to stop.
  void stopWork(int progressId);
  // The page was loaded anew: everything shown is sent whole again.
  void resend();
  // The program's frame (0 before it opened).
  int frameHandle() const { return frame_; }
  // The page is gone: every box still waiting answers its default.
  void answerWaitingBoxes();

 private:
  struct WaitingBox {
    std::function<void(int)> answer;
    apprt::MessageBoxRequest request;
  };
  std::function<void(const QJsonObject&)> send_;
  std::string files_;
  WindowDiffer windows_;
  std::map<int, WaitingBox> boxes_;
  std::map<int, std::function<void()>> stops_;  // by the progress report's id
  int nextBox_ = 1;
  int frame_ = 0;
};

class SessionFrontEnd : public apprt::PostingFrontEnd<SessionScreen> {
 public:
  SessionFrontEnd(std::function<void(const QJsonObject&)> send, std::string files)
      : screen_(std::move(send), std::move(files)) {}

  void programEnded(int exitCode, const std::string& haltMessage) override;
  // A page has no print preview: printed lists are not offered to it.
  bool showsPrintPreview() const override { return false; }
  void printPreview(std::shared_ptr<apprt::PreviewedList> list, int) override { list->close(); }
  void fileWritten(const std::string& path, int) override {
    post([path](SessionScreen& s) { s.offerFile(path); });
  }

  // Runs `work` on the screen under its lock (the page's answers).
  void withScreen(const std::function<void(SessionScreen&)>& work) { post(work); }

 protected:
  void post(std::function<void(SessionScreen&)> work) override {
    std::lock_guard lock(mutex_);
    work(screen_);
  }

 private:
  std::recursive_mutex mutex_;  // an answer may ask again from inside its box
  SessionScreen screen_;
};

}  // namespace fesk::web
