#include "ui/headless/headless_frontend.h"

#include <algorithm>
#include <utility>

#include "ui/headless/transcript.h"

namespace fesk::headless {

using apprt::MessageBoxRequest;
using apprt::WindowView;

HeadlessFrontEnd::HeadlessFrontEnd(std::function<void(const std::string&)> sink)
    : sink_(std::move(sink)) {}

void HeadlessFrontEnd::write(const std::string& line) {
  if (sink_) sink_(line);
}

void HeadlessFrontEnd::windowChanged(const WindowView& view) {
  std::lock_guard lock(mutex_);
  if (!windows_.count(view.handle)) {
    order_.push_back(view.handle);
    write("window opened: " + quoted(view.title));
  }
  windows_[view.handle] = view;
}

void HeadlessFrontEnd::windowClosed(int handle) {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(handle);
  if (it == windows_.end()) return;
  write("window closed: " + quoted(it->second.title));
  windows_.erase(it);
  std::erase(order_, handle);
}

void HeadlessFrontEnd::bringToFront(int window) {
  std::lock_guard lock(mutex_);
  auto it = windows_.find(window);
  if (it == windows_.end()) return;
  // The window shown last is the one a session works in.
  std::erase(order_, window);
  order_.push_back(window);
  write("window brought to the front: " + quoted(it->second.title));
}

int HeadlessFrontEnd::messageBox(const MessageBoxRequest& request) {
  std::lock_guard lock(mutex_);
  ShownMessageBox shown{request, 0};
  if (answers_.empty()) {
    // Nobody is there to answer: take the default button, and report it as
    // an error of the script or test that let it happen.
    shown.answer = request.defaultButton;
    errors_.push_back("no answer queued for message box " + quoted(request.title) + " " +
                      quoted(request.text));
  } else if ((answers_.front() & request.buttons) == 0) {
    // An answer naming a button the box does not have is the script's fault,
    // not a choice: the box takes its default, and the run reports it.
    errors_.push_back("the answer " + buttonName(answers_.front()) + " is not a button of " +
                      quoted(request.title) + " (" + buttonsText(request.buttons) + ")");
    shown.answer = request.defaultButton;
    answers_.pop_front();
  } else {
    shown.answer = answers_.front();
    answers_.pop_front();
  }
  write(describeMessageBox(request, shown.answer));
  boxes_.push_back(shown);
  return shown.answer;
}

void HeadlessFrontEnd::listFollowedChanges(int window, int field) {
  std::lock_guard lock(mutex_);
  ++followedReloads_;
  auto it = windows_.find(window);
  const std::string title = it == windows_.end() ? std::string() : it->second.title;
  write("list followed the data set: " + quoted(title) + " " + std::to_string(field));
}

void HeadlessFrontEnd::beep() {
  std::lock_guard lock(mutex_);
  ++beeps_;
  write("beep");
}

void HeadlessFrontEnd::standardAction(apprt::StandardAction action, int) {
  std::lock_guard lock(mutex_);
  actions_.push_back(action);
  write("standard action " + std::to_string(static_cast<int>(action)));
}

void HeadlessFrontEnd::help(const std::string& helpId) {
  std::lock_guard lock(mutex_);
  write("help " + quoted(helpId));
}

void HeadlessFrontEnd::programEnded(int exitCode, const std::string& haltMessage) {
  std::lock_guard lock(mutex_);
  write("exit code " + std::to_string(exitCode));
  if (!haltMessage.empty()) write("halt message " + quoted(haltMessage));
}

bool HeadlessFrontEnd::showsPrintPreview() const {
  std::lock_guard lock(mutex_);
  return showsPreviews_;
}

void HeadlessFrontEnd::printPreview(std::shared_ptr<apprt::PreviewedList> list, int) {
  // Read whole and closed at once: the transcript keeps the items shown.
  apprt::PrintedList whole;
  try {
    whole = apprt::readWhole(*list);
  } catch (const apprt::PrintError&) {
    list->close();
    throw;
  }
  list->close();
  std::lock_guard lock(mutex_);
  write("print preview " + quoted(whole.header.title) + ", " + std::to_string(whole.items.size()) +
        " items");
  previews_.push_back(std::move(whole));
}

std::string HeadlessFrontEnd::askSavePath(const apprt::SavePathRequest& request) {
  std::lock_guard lock(mutex_);
  pathRequests_.push_back(request);
  std::string path;
  if (paths_.empty()) {
    errors_.push_back("no file name queued for " + quoted(request.title));
  } else {
    path = paths_.front();
    paths_.pop_front();
  }
  write("save " + quoted(request.title) + ": " + (path.empty() ? "cancelled" : quoted(path)));
  return path;
}

bool HeadlessFrontEnd::progress(const apprt::ProgressView& view) {
  int key = 0;
  bool stop = false;
  {
    std::lock_guard lock(mutex_);
    progress_.push_back(view);
    stop = std::exchange(stopAsked_, false);
    if (!view.ended) key = std::exchange(keyDuringWork_, 0);
  }
  if (key != 0) apprt::deliverInput(apprt::Input::keyDown(view.window, key));
  return stop;
}

void HeadlessFrontEnd::answerSavePath(std::string path) {
  std::lock_guard lock(mutex_);
  paths_.push_back(std::move(path));
}

void HeadlessFrontEnd::stopProgress() {
  std::lock_guard lock(mutex_);
  stopAsked_ = true;
}

void HeadlessFrontEnd::keyDuringWork(int key) {
  std::lock_guard lock(mutex_);
  keyDuringWork_ = key;
}

void HeadlessFrontEnd::showPrintPreviews(bool shown) {
  std::lock_guard lock(mutex_);
  showsPreviews_ = shown;
}

std::vector<apprt::PrintedList> HeadlessFrontEnd::printPreviews() const {
  std::lock_guard lock(mutex_);
  return previews_;
}

std::vector<apprt::SavePathRequest> HeadlessFrontEnd::savePathRequests() const {
  std::lock_guard lock(mutex_);
  return pathRequests_;
}

std::vector<apprt::ProgressView> HeadlessFrontEnd::progressReports() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

void HeadlessFrontEnd::answer(int button) {
  std::lock_guard lock(mutex_);
  answers_.push_back(button);
}

size_t HeadlessFrontEnd::pendingAnswers() const {
  std::lock_guard lock(mutex_);
  return answers_.size();
}

std::vector<WindowView> HeadlessFrontEnd::windows() const {
  std::lock_guard lock(mutex_);
  std::vector<WindowView> out;
  for (int h : order_) out.push_back(windows_.at(h));
  return out;
}

std::vector<ShownMessageBox> HeadlessFrontEnd::messageBoxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

std::vector<std::string> HeadlessFrontEnd::errors() const {
  std::lock_guard lock(mutex_);
  return errors_;
}

int HeadlessFrontEnd::followedReloads() const {
  std::lock_guard lock(mutex_);
  return followedReloads_;
}

int HeadlessFrontEnd::beeps() const {
  std::lock_guard lock(mutex_);
  return beeps_;
}

std::vector<apprt::StandardAction> HeadlessFrontEnd::standardActions() const {
  std::lock_guard lock(mutex_);
  return actions_;
}

namespace {
constexpr std::pair<int, const char*> kButtons[] = {
    {apprt::kButtonOk, "OK"},         {apprt::kButtonYes, "Yes"},
    {apprt::kButtonNo, "No"},         {apprt::kButtonAbort, "Abort"},
    {apprt::kButtonRetry, "Retry"},   {apprt::kButtonIgnore, "Ignore"},
    {apprt::kButtonCancel, "Cancel"}, {apprt::kButtonQuit, "Quit"},
};
}  // namespace

std::string buttonName(int button) {
  for (auto [value, name] : kButtons)
    if (value == button) return name;
  return std::to_string(button);
}

int buttonFromName(const std::string& name) {
  for (auto [value, n] : kButtons)
    if (name == n) return value;
  return 0;
}

std::string buttonsText(int buttons) {
  std::string out;
  for (auto [value, name] : kButtons)
    if (buttons & value) out += (out.empty() ? "" : ",") + std::string(name);
  return out;
}

}  // namespace fesk::headless
