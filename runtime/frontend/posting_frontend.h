#pragma once
// For front-ends whose widgets live on a thread of their own (a desktop's GUI
// thread, a terminal's): the runtime calls from procedure threads, so every
// call is posted to that thread and returns at once. A question (a message
// box, a file to write) blocks its procedure thread until the front-end's
// thread answers, and answers its fallback once the front-end has stopped, so
// that procedure threads can end when the screen is gone.
//
// A front-end supplies post() and a Screen that lives on its thread with
//   showWindow(view), closeWindow(handle), beep(), showHelp(id),
//   standardAction(action, window), bringToFront(window), askMessageBox(request, answer(int)),
//   askSavePath(request, answer(std::string)), showProgress(view, stop()).

#include <atomic>
#include <functional>
#include <string>

#include "runtime/frontend/awaited_answer.h"
#include "runtime/frontend/frontend.h"
#include "runtime/frontend/stop_requests.h"

namespace apprt {

template <class Screen>
class PostingFrontEnd : public FrontEnd {
 public:
  void windowChanged(const WindowView& view) override {
    post([view](Screen& s) { s.showWindow(view); });
  }
  void windowClosed(int handle) override {
    post([handle](Screen& s) { s.closeWindow(handle); });
  }
  int messageBox(const MessageBoxRequest& request) override {
    return ask<int>(request.defaultButton, [request](Screen& s, auto answer) {
      s.askMessageBox(request, std::move(answer));
    });
  }
  std::string askSavePath(const SavePathRequest& request) override {
    return ask<std::string>(
        {}, [request](Screen& s, auto answer) { s.askSavePath(request, std::move(answer)); });
  }
  bool progress(const ProgressView& view) override {
    post([view, this](Screen& s) {
      s.showProgress(view, [this, id = view.id] { stops_.ask(id); });
    });
    return stops_.asked(view);
  }
  void beep() override {
    post([](Screen& s) { s.beep(); });
  }
  void standardAction(StandardAction action, int window) override {
    post([action, window](Screen& s) { s.standardAction(action, window); });
  }
  void bringToFront(int window) override {
    post([window](Screen& s) { s.bringToFront(window); });
  }
  void help(const std::string& helpId) override {
    post([helpId](Screen& s) { s.showHelp(helpId); });
  }

  // The screen is going away: questions asked from now on (or still waiting)
  // answer their fallback.
  void stop() { stopped_ = true; }

 protected:
  // Runs `work` on the front-end's thread, later; never blocks.
  virtual void post(std::function<void(Screen&)> work) = 0;

  // Posts a question and waits for its answer (the fallback once stopped).
  template <typename T, typename Question>
  T ask(T fallback, Question question) {
    return awaitAnswer(
        [&](auto answer) {
          post([question, answer](Screen& s) { question(s, std::function<void(T)>(answer)); });
        },
        stopped_, std::move(fallback));
  }

 private:
  std::atomic<bool> stopped_{false};
  StopRequests stops_;
};

}  // namespace apprt
