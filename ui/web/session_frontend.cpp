#include "ui/web/session_frontend.h"

#include <filesystem>

#include "runtime/windows/windows.h"
#include "ui/web/served_files.h"

namespace fesk::web {

void SessionScreen::showWindow(const apprt::WindowView& view) {
  if (view.kind == apprt::WindowKind::Frame && !frame_) frame_ = view.handle;
  if (auto change = windows_.change(view)) send_(*change);
}

void SessionScreen::closeWindow(int handle) {
  windows_.forget(handle);
  send_({{"t", "closed"}, {"handle", handle}});
}

void SessionScreen::beep() {
  send_({{"t", "beep"}});
}

void SessionScreen::showHelp(const std::string& helpId) {
  send_({{"t", "help"}, {"id", QString::fromStdString(helpId)}});
}

void SessionScreen::standardAction(apprt::StandardAction action, int window) {
  send_({{"t", "action"}, {"action", static_cast<int>(action)}, {"window", window}});
}

void SessionScreen::bringToFront(int window) {
  send_({{"t", "front"}, {"window", window}});
}

void SessionScreen::askMessageBox(const apprt::MessageBoxRequest& request,
                                  std::function<void(int)> answer) {
  const int id = nextBox_++;
  boxes_[id] = {std::move(answer), request};
  send_(messageBoxJson(id, request));
}

void SessionScreen::askSavePath(const apprt::SavePathRequest& request,
                                const std::function<void(std::string)>& answer) {
  // The person at the browser picks where the file goes when the browser
  // downloads it: here it is written under the name suggested, in the
  // session's own directory, from where the serve process hands it over.
  if (!files_.empty()) {
    answer((std::filesystem::path(files_) / servedFileName(request.suggestedName)).string());
    return;
  }
  // Without that directory there is nowhere to write it: the question is
  // answered as cancelled, and said.
  apprt::MessageBoxRequest notice;
  notice.window = request.window;
  notice.title = request.title;
  notice.text =
      "Lists are printed and saved from the desktop program or the command line (fesk report, "
      "fesk export), not from the browser.";
  askMessageBox(notice, [](int) {});
  answer({});
}

void SessionScreen::showProgress(const apprt::ProgressView& view,
                                 const std::function<void()>& stop) {
  if (view.ended)
    stops_.erase(view.id);
  else
    stops_[view.id] = stop;
  send_({{"t", "progress"},
         {"id", view.id},
         {"title", QString::fromStdString(view.title)},
         {"text", QString::fromStdString(view.text)},
         {"done", static_cast<double>(view.done)},
         {"total", static_cast<double>(view.total)},
         {"ended", view.ended}});
}

void SessionScreen::offerFile(const std::string& path) {
  send_({{"t", "file"},
         {"name", QString::fromStdString(std::filesystem::path(path).filename().string())}});
}

void SessionScreen::answer(int id, int value) {
  auto box = boxes_.find(id);
  if (box == boxes_.end()) return;
  auto answer = std::move(box->second.answer);
  boxes_.erase(box);
  answer(value);
}

void SessionScreen::stopWork(int progressId) {
  if (auto work = stops_.find(progressId); work != stops_.end()) work->second();
}

void SessionScreen::resend() {
  for (const QJsonObject& window : windows_.everything()) send_(window);
  for (const auto& [id, box] : boxes_) send_(messageBoxJson(id, box.request));
}

void SessionScreen::answerWaitingBoxes() {
  auto waiting = std::exchange(boxes_, {});
  for (auto& [id, box] : waiting) box.answer(box.request.defaultButton);
}

void SessionScreen::programEnded(int exitCode, const std::string& haltMessage) {
  send_({{"t", "ended"},
         {"exitCode", exitCode},
         {"halt", QString::fromStdString(haltMessage)},
         {"unsavedDiscarded", apprt::unsavedTypingDiscarded()}});
}

void SessionFrontEnd::programEnded(int exitCode, const std::string& haltMessage) {
  post([&](SessionScreen& s) { s.programEnded(exitCode, haltMessage); });
}

}  // namespace fesk::web
