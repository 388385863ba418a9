// The terminal's questions for a file and its reports of long work, both as
// boxes over the desktop.
#include <filesystem>

#include "ui/tui/desktop.h"

namespace fesk::tui {

void Desktop::askSavePath(const apprt::SavePathRequest& request,
                          std::function<void(std::string)> answer) {
  apprt::MessageBoxRequest question;
  question.window = request.window;
  question.title = request.title;
  question.text = "File to write (" + request.fileType + "):";
  question.buttons = apprt::kButtonOk | apprt::kButtonCancel;
  question.defaultButton = apprt::kButtonOk;
  // The box reads its entry when it is answered, and it is answered before it
  // goes away.
  auto shown = std::make_shared<const MessageBoxView*>(nullptr);
  auto box = std::make_unique<MessageBoxView>(question, [shown, answer](int button) {
    answer(button == apprt::kButtonOk ? (*shown)->entry()->text() : std::string());
  });
  *shown = box.get();
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  box->addEntry((here / request.suggestedName).string());  // typing replaces it
  closeMenu();
  boxes_.push_back(std::move(box));
  boxes_.back()->arrange(cols_, rows_);
}

void Desktop::showProgress(const apprt::ProgressView& view, std::function<void()> stop) {
  if (view.ended) {
    cancelledWork_.erase(view.id);
    auto it = progressBoxes_.find(view.id);
    if (it == progressBoxes_.end()) return;
    std::erase_if(boxes_, [&](const auto& box) { return box.get() == it->second; });
    progressBoxes_.erase(it);
    return;
  }
  if (cancelledWork_.count(view.id)) return;
  auto it = progressBoxes_.find(view.id);
  if (it != progressBoxes_.end()) {
    it->second->setText(view.text);
    return;
  }
  apprt::MessageBoxRequest report;
  report.window = view.window;
  report.title = view.title;
  report.text = view.text;
  report.buttons = apprt::kButtonCancel;
  report.defaultButton = apprt::kButtonCancel;
  closeMenu();
  boxes_.push_back(std::make_unique<MessageBoxView>(report, [stop](int) { stop(); }));
  boxes_.back()->arrange(cols_, rows_);
  progressBoxes_[view.id] = boxes_.back().get();
}

}  // namespace fesk::tui
