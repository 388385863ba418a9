#pragma once
// What the desktop keeps between runs, in the user's configuration directory
// ($XDG_CONFIG_HOME/fesk/fesk.conf): the frame's geometry, each kind of
// window's size, the paper of the print set-up, and the choices the program
// itself remembers (apprt::ChoicePlace).

#include <QPageLayout>
#include <QSettings>
#include <QSize>
#include <optional>
#include <string>

#include "runtime/frontend/frontend.h"
#include "runtime/frontend/remembered.h"

namespace fesk::qt {

class DesktopSettings : public QSettings {
 public:
  DesktopSettings();

  // The size the user last gave a window of this definition.
  std::optional<QSize> windowSize(const apprt::WindowView& view);
  void setWindowSize(const apprt::WindowView& view, QSize size);
  QByteArray frameGeometry();
  void setFrameGeometry(const QByteArray& geometry);
  std::optional<QPageLayout> pageLayout();
  void setPageLayout(const QPageLayout& layout);
};

// The program's own choices, kept in the desktop's settings.
class DesktopChoices : public apprt::ChoicePlace {
 public:
  std::string value(const std::string& key) const override;
  void setValue(const std::string& key, const std::string& value) override;
};

}  // namespace fesk::qt
