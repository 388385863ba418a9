// Every window of the program at scale factors 1, 1.25, 1.5 and 2 on a
// laptop's screen (1366x768) and a desktop's (1920x1080): each window lies on
// the screen, each control inside its window, and no text is cut; text has
// the desktop's own font and size, and list rows room for it with its
// accents (18 pixels at least with the usual fonts). The help window lies on
// the screen too. A scale factor is fixed when a process starts, so the test
// runs one process of itself per factor and screen; each leaves a picture of
// every window, in a light and a dark palette, in the build directory
// (any-scale/) for a person to look at.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "desktop_fixture.h"
#include "resources/resources.h"
#include "runtime/frontend/window_definition.h"
#include "support/program_views.h"
#include "support/temporary_directory.h"
#include "ui/qt/child_window.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/help_viewer.h"
#include "ui/qt/list_control.h"

namespace fesk::qt::test {
namespace {

using fesk::test::programView;

constexpr char kShotsVariable[] = "FESK_ANY_SCALE_SHOTS";

std::vector<apprt::WindowDefinition> everyDefinition() {
  std::vector<apprt::WindowDefinition> all;
  for (const auto& text : resources::windowDefinitionTexts())
    for (auto& definition : apprt::parseWindowDefinitions(text.text))
      all.push_back(std::move(definition));
  return all;
}

// Whether a widget's text shows whole: it is given at least the room it asks for.
bool showsItsTextWhole(const QWidget* widget) {
  if (const auto* button = qobject_cast<const QPushButton*>(widget))
    return button->fontMetrics().horizontalAdvance(button->text().remove('&')) < button->width();
  if (const auto* label = qobject_cast<const QLabel*>(widget))
    return label->sizeHint().width() <= label->width() &&
           label->sizeHint().height() <= label->height();
  if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
    for (int i = 0; i < tabs->count(); ++i)
      if (tabs->tabRect(i).width() <=
              tabs->fontMetrics().horizontalAdvance(tabs->tabText(i).remove('&')) ||
          !tabs->rect().contains(tabs->tabRect(i)))
        return false;
  }
  return true;
}

// The least height of a list row, in pixels at scale 1 (logical pixels at
// any scale): what lists have on the desktop with its usual 9 to 11 point
// fonts, and never less than a line of the window's text with a margin.
constexpr int kLeastRowHeight = 18;

void checkWindow(ChildWindow* window, const QString& name) {
  const QFont desktopFont = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  EXPECT_EQ(window->font().family(), desktopFont.family()) << name.toStdString();
  EXPECT_EQ(window->font().pointSizeF(), desktopFont.pointSizeF())
      << name.toStdString() << ": its text is not at the desktop's size";
  for (const auto* list : window->findChildren<ListControl*>()) {
    if (!list->isVisibleTo(window)) continue;  // on a tab not chosen, it has no size yet
    EXPECT_GE(list->rowHeight(), kLeastRowHeight) << name.toStdString();
    EXPECT_GE(list->rowHeight(), QFontMetrics(window->font()).lineSpacing() + 4)
        << name.toStdString() << ": a row has no room above and below its text";
  }
  const QRect inside = window->rect();
  for (const auto& control : window->view().controls) {
    QWidget* widget = window->fieldWidget(control.field);
    if (!widget || !widget->isVisibleTo(window)) continue;
    const QRect placed(widget->mapTo(window, QPoint(0, 0)), widget->size());
    EXPECT_TRUE(inside.contains(placed))
        << name.toStdString() << ": control " << control.field << " lies outside its window";
    EXPECT_TRUE(showsItsTextWhole(widget))
        << name.toStdString() << ": the text of control " << control.field << " is cut";
  }
}

// A dark palette, as a desktop's dark theme gives the program.
QPalette darkPalette() {
  QPalette dark;
  const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230);
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    dark.setColor(group, QPalette::Window, window);
    dark.setColor(group, QPalette::WindowText, text);
    dark.setColor(group, QPalette::Base, base);
    dark.setColor(group, QPalette::AlternateBase, window);
    dark.setColor(group, QPalette::Text, text);
    dark.setColor(group, QPalette::Button, QColor(60, 60, 64));
    dark.setColor(group, QPalette::ButtonText, text);
    dark.setColor(group, QPalette::Highlight, QColor(53, 132, 228));
    dark.setColor(group, QPalette::HighlightedText, Qt::white);
    dark.setColor(group, QPalette::Light, QColor(80, 80, 84));
    dark.setColor(group, QPalette::Midlight, QColor(70, 70, 74));
    dark.setColor(group, QPalette::Mid, QColor(50, 50, 54));
    dark.setColor(group, QPalette::Dark, QColor(25, 25, 27));
    dark.setColor(group, QPalette::Shadow, Qt::black);
  }
  dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
  dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
  dark.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
  dark.setColor(QPalette::Disabled, QPalette::Window, window);
  dark.setColor(QPalette::Disabled, QPalette::Base, base);
  dark.setColor(QPalette::Disabled, QPalette::Button, QColor(60, 60, 64));
  return dark;
}

// One factor on one screen: the process's own QT_SCALE_FACTOR and screen.
TEST(AnyScaleWalk, DISABLED_EveryWindowOnThisScreen) {
  const char* shots = std::getenv(kShotsVariable);  // NOLINT(concurrency-mt-unsafe)
  ASSERT_NE(shots, nullptr);
  ensureApplication();
  QDir().mkpath(shots);
  const auto definitions = everyDefinition();
  const auto frameDefinition =
      std::find_if(definitions.begin(), definitions.end(),
                   [](const auto& d) { return d.kind == apprt::WindowKind::Frame; });
  ASSERT_NE(frameDefinition, definitions.end());
  auto ignore = [](const apprt::Input&) {};
  FrameWindow frame(programView(frameDefinition->module, frameDefinition->label), ignore);
  frame.show();
  QCoreApplication::processEvents();
  const QRect screen = frame.screen()->availableGeometry();
  EXPECT_TRUE(screen.contains(frame.frameGeometry()))
      << "the frame lies off the screen: " << frame.frameGeometry().width() << "x"
      << frame.frameGeometry().height() << "+" << frame.frameGeometry().x() << "+"
      << frame.frameGeometry().y() << " on " << screen.width() << "x" << screen.height()
      << ", at least " << frame.minimumSizeHint().width() << "x"
      << frame.minimumSizeHint().height();
  int n = 0;
  for (const auto& definition : definitions) {
    if (definition.kind == apprt::WindowKind::Frame) continue;
    auto* window = new ChildWindow(programView(definition.module, definition.label), ignore);
    QMdiSubWindow* sub = frame.addChild(window);
    sub->show();
    frame.mdiArea()->setActiveSubWindow(sub);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    const QString name = QString::fromStdString(definition.module + " " + definition.title);
    checkWindow(window, name);
    EXPECT_TRUE(frame.mdiArea()->viewport()->rect().contains(sub->geometry()))
        << name.toStdString() << " does not fit in the frame";
    const auto* scroller = sub->findChild<QScrollArea*>();
    ASSERT_NE(scroller, nullptr);
    if (sub->width() < frame.mdiArea()->viewport()->width()) {
      EXPECT_FALSE(scroller->horizontalScrollBar()->isVisible())
          << name.toStdString() << " scrolls across where the frame has room for all of it";
    }
    frame.grab().save(QStringLiteral("%1/window-%2.png").arg(shots).arg(++n));
    const QPalette light = QApplication::palette();
    QApplication::setPalette(darkPalette());
    QCoreApplication::processEvents();
    frame.grab().save(QStringLiteral("%1/window-%2-dark.png").arg(shots).arg(n));
    QApplication::setPalette(light);
    frame.mdiArea()->removeSubWindow(sub);
    delete sub;
  }
  HelpViewer help;
  help.showPage("browsefesk");
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  EXPECT_TRUE(help.screen()->availableGeometry().contains(help.frameGeometry()))
      << "the help window reaches past the screen's edge";
}

struct Screen {
  int width, height;
};

TEST(AnyScale, EveryWindowFitsAtEveryFactorOnALaptopAndADesktopScreen) {
  fesk::test::TemporaryDirectory configs("fesk-any-scale");
  for (const Screen screen : {Screen{1366, 768}, Screen{1920, 1080}}) {
    for (const char* factor : {"1", "1.25", "1.5", "2"}) {
      const std::string where =
          std::to_string(screen.width) + "x" + std::to_string(screen.height) + "-scale" + factor;
      const std::string config = (configs.path() / (where + ".json")).string();
      std::ofstream(config) << R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": )"
                            << screen.width << R"(, "height": )" << screen.height
                            << R"(, "dpi": 96, "dpr": 1}]})";
      const std::string shots = std::string(FESK_BUILD_DIR) + "/any-scale/" + where;
      const pid_t child = fork();
      if (child == 0) {
        // NOLINTBEGIN(concurrency-mt-unsafe): the child runs no other thread
        setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
        setenv("QT_SCALE_FACTOR", factor, 1);
        setenv(kShotsVariable, shots.c_str(), 1);
        // NOLINTEND(concurrency-mt-unsafe)
        execl("/proc/self/exe", "qt_tests", "--gtest_also_run_disabled_tests",
              "--gtest_filter=AnyScaleWalk.DISABLED_EveryWindowOnThisScreen",
              static_cast<char*>(nullptr));
        _exit(127);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << where << ": some window does not fit (see its run's output above)";
    }
  }
}

}  // namespace
}  // namespace fesk::qt::test
