#pragma once
// The runtime's front-end on the desktop. The runtime calls it from procedure
// threads; it hands every call to the Desktop on the GUI thread and returns at
// once, except a message box, whose procedure thread waits for the answer.

#include <atomic>

#include "runtime/frontend.h"
#include "runtime/progress.h"

namespace fesk::qt {

class Desktop;

class QtFrontEnd : public apprt::FrontEnd {
 public:
  explicit QtFrontEnd(Desktop& desktop);

  void windowChanged(const apprt::WindowView& view) override;
  void windowClosed(int handle) override;
  int messageBox(const apprt::MessageBoxRequest& request) override;
  void beep() override;
  void standardAction(apprt::StandardAction action, int window) override;
  void help(const std::string& helpId) override;
  void programEnded(int exitCode, const std::string& haltMessage) override;
  bool showsPrintPreview() const override { return true; }
  void printPreview(const apprt::PrintedList& list, int window) override;
  std::string askSavePath(const apprt::SavePathRequest& request) override;
  bool progress(const apprt::ProgressView& view) override;

  // The GUI has stopped: message boxes asked from now on (or still waiting)
  // answer their default button, so that procedure threads can end.
  void stop();

 private:
  Desktop& desktop_;
  std::atomic<bool> stopped_{false};
  apprt::StopRequests stops_;
};

}  // namespace fesk::qt
