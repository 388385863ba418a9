#include "desktop_fixture.h"

#include <QApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWheelEvent>
#include <chrono>
#include <cstdlib>
#include <string_view>

#include "sample_program.h"
#include "ui/qt/desktop_settings.h"
#include "ui/qt/frame_window.h"

namespace fesk::qt::test {

void ensureApplication() {
  if (QApplication::instance()) return;
  // Before the application exists no other thread runs; the offscreen platform
  // stays for the whole test program.
  // A run that chose the offscreen platform's screens keeps its choice.
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if (!platform || std::string_view(platform).rfind("offscreen", 0) != 0)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);  // NOLINT(concurrency-mt-unsafe)
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives as long as the test program
  // What the desktop remembers goes to a directory of the test program's own,
  // never to the user's configuration.
  static QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
}

void DesktopTest::SetUp() {
  ensureApplication();
  DesktopSettings().clear();  // each test starts as on a first run
  sample::fill(40, 3);
  sample::takeBrowseEvents();
  desktop_ = std::make_unique<Desktop>();
  frontEnd_ = std::make_unique<QtFrontEnd>(*desktop_);
  run_ = std::make_unique<apprt::ProgramRun>(*frontEnd_);
  run_->start(sample::MainFrame);
  settle();
  ASSERT_NE(desktop_->frame(), nullptr);
}

void DesktopTest::TearDown() {
  if (!run_->ended() && desktop_->frame()) {
    desktop_->frame()->close();  // the close box: the runtime closes everything
    pumpUntil([&] { return run_->ended(); }, 20000);
  }
  frontEnd_->stop();
  run_->wait();
  QCoreApplication::processEvents();
  run_.reset();
  frontEnd_.reset();
  desktop_.reset();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool DesktopTest::pumpUntil(const std::function<bool()>& done, int milliseconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    run_->waitUntilIdle(std::chrono::milliseconds(2));
  }
  return true;
}

void DesktopTest::settle() {
  // Idle twice in a row with the GUI's queue emptied in between: the views a
  // thread sent before it went idle have then been shown. A thread waiting
  // for the answer to a message box (a print preview to close, a file to be
  // chosen) waits for the user too.
  bool settled = pumpUntil([&] {
    if (desktop_->messageBox() || desktop_->printPreview() || desktop_->saveDialog()) return true;
    if (!run_->waitUntilIdle(std::chrono::milliseconds(0))) return false;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return run_->waitUntilIdle(std::chrono::milliseconds(0));
  });
  ASSERT_TRUE(settled) << "the program did not become idle";
}

void DesktopTest::click(QWidget* widget, QPoint at) {
  ASSERT_NE(widget, nullptr);
  if (at == QPoint(-1, -1)) at = widget->rect().center();
  QPointF local(at), global(widget->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QApplication::sendEvent(widget, &release);
  settle();
}

void DesktopTest::doubleClick(QWidget* widget, QPoint at) {
  QPointF local(at), global(widget->mapToGlobal(at));
  click(widget, at);
  QMouseEvent twice(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(widget, &twice);
  QApplication::sendEvent(widget, &release);
  settle();
}

void DesktopTest::chooseMenu(const QString& menu, const QString& item) {
  QMenuBar* bar = desktop_->frame()->menuBar();
  QAction* top = nullptr;
  for (QAction* a : bar->actions())
    if (a->text() == menu) top = a;
  ASSERT_NE(top, nullptr) << menu.toStdString();
  click(bar, bar->actionGeometry(top).center());
  if (item.isEmpty()) return;
  QMenu* popup = top->menu();
  ASSERT_TRUE(pumpUntil([&] { return popup->isVisible(); })) << "the menu did not open";
  QAction* chosen = nullptr;
  for (QAction* a : popup->actions())
    if (a->text() == item) chosen = a;
  ASSERT_NE(chosen, nullptr) << item.toStdString();
  click(popup, popup->actionGeometry(chosen).center());
}

QWidget* DesktopTest::focused() const {
  if (QWidget* w = QApplication::focusWidget()) return w;
  for (ChildWindow* c : desktop_->children())
    if (c->view().acceptsInput && c->fieldWidget(c->view().focus))
      return c->fieldWidget(c->view().focus);
  return nullptr;
}

void DesktopTest::key(Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = focused();
  ASSERT_NE(target, nullptr) << "nothing has the focus";
  QString text;
  if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde && !(modifiers & ~Qt::ShiftModifier))
    text = QChar(key).toLower();
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QApplication::sendEvent(target, &release);
  settle();
}

void DesktopTest::type(const QString& text) {
  QWidget* target = focused();
  ASSERT_NE(target, nullptr) << "nothing has the focus";
  for (QChar c : text) {
    // Qt names a key by its upper-case character up to U+00FF (Key_Aring).
    int code = c.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, code <= 0xFF ? code : Qt::Key_unknown, Qt::NoModifier,
                    QString(c));
    QApplication::sendEvent(target, &press);
  }
  settle();
}

void DesktopTest::wheel(QWidget* widget, int notches) {
  QPointF at(widget->rect().center());
  QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &event);
  settle();
}

QTreeWidget* DesktopTest::openBrowse() {
  chooseMenu("&fesk");
  if (!pumpUntil([&] { return window(kBrowse) != nullptr; })) {
    ADD_FAILURE() << "no browse opened";
    return nullptr;
  }
  settle();
  return window(kBrowse)->findChild<QTreeWidget*>();
}

QMessageBox* DesktopTest::waitForBox() {
  QMessageBox* box = nullptr;
  pumpUntil([&] { return (box = desktop_->messageBox()) != nullptr; });
  return box;
}

ChildWindow* DesktopTest::window(const QString& title) const {
  return desktop_->childByTitle(title);
}

QWidget* DesktopTest::field(const QString& title, int field) const {
  ChildWindow* w = window(title);
  return w ? w->fieldWidget(field) : nullptr;
}

}  // namespace fesk::qt::test
