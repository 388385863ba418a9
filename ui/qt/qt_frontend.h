#pragma once
// The runtime's front-end on the desktop: every call is posted to the Desktop
// on the GUI thread (see posting_frontend.h).

#include "runtime/frontend/posting_frontend.h"
#include "ui/qt/desktop.h"

namespace fesk::qt {

class QtFrontEnd : public apprt::PostingFrontEnd<Desktop> {
 public:
  explicit QtFrontEnd(Desktop& desktop) : desktop_(desktop) {}

  void programEnded(int exitCode, const std::string& haltMessage) override;
  bool showsPrintPreview() const override { return true; }
  void printPreview(std::shared_ptr<apprt::PreviewedList> list, int window) override;

 protected:
  void post(std::function<void(Desktop&)> work) override;

 private:
  Desktop& desktop_;
};

}  // namespace fesk::qt
