#pragma once
// A front-end with no windows for the tests of the runtime's threads: boxes
// take their default answer, a preview closes at once, and it remembers how
// the program ended.

#include <memory>
#include <string>

#include "runtime/frontend/frontend.h"

namespace apprt {

class EndOnlyFrontEnd : public FrontEnd {
 public:
  void windowChanged(const WindowView&) override {}
  void windowClosed(int) override {}
  int messageBox(const MessageBoxRequest& r) override { return r.defaultButton; }
  void beep() override {}
  void standardAction(StandardAction, int) override {}
  void help(const std::string&) override {}
  bool showsPrintPreview() const override { return false; }
  void printPreview(std::shared_ptr<PreviewedList> list, int) override { list->close(); }
  std::string askSavePath(const SavePathRequest&) override { return {}; }
  bool progress(const ProgressView&) override { return false; }
  void programEnded(int code, const std::string& message) override {
    endedWith = code;
    haltMessage = message;
  }
  int endedWith = -1;
  std::string haltMessage;
};

}  // namespace apprt
