#include "ui/qt/screenshots/screenshot_tour.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>
#include <chrono>
#include <iostream>

#include "ui/qt/child_window.h"
#include "ui/qt/desktop.h"
#include "ui/qt/frame_window.h"
#include "ui/qt/page_setup_dialog.h"
#include "ui/qt/print_preview_window.h"
#include "ui/qt/run.h"

namespace fesk::qt {
namespace {

// The browse window's button that switches in-line editing on and off (its
// text names the mode in force, so it is found by its field).
constexpr int kInLineButton = 7;

class Tour {
 public:
  Tour(Desktop& desktop, apprt::ProgramRun& run, QString outDir)
      : desktop_(desktop), run_(run), out_(std::move(outDir)) {}

  bool take() {
    QDir().mkpath(out_);
    pumpUntil([&] { return desktop_.frame() != nullptr; });
    if (!desktop_.frame()) return fail("the frame did not open");
    settle();
    menu("&fesk");
    menu("&fesk");
    menu("T&ile");
    shoot(desktop_.frame(), "frame-tiled.png", true);

    ChildWindow* second = newest();
    if (!second) return fail("no browse window opened");
    second->requestClose();
    settle();
    ChildWindow* browse = newest();
    desktop_.frame()->mdiArea()->cascadeSubWindows();
    settle();
    shoot(outer(browse), "browse.png");

    // A new row being edited in place; left again without saving it.
    press(browse, "&Insert");
    typeKeys("N041");
    key(Qt::Key_Tab);
    typeKeys("Nova");
    shoot(outer(browse), "inline-edit.png");
    key(Qt::Key_Escape);
    pumpUntil([&] { return desktop_.messageBox() != nullptr; });
    if (QMessageBox* question = desktop_.messageBox()) {
      question->button(QMessageBox::No)->click();
      settle();
    }

    pressField(browse, kInLineButton);
    press(browse, "&Change");
    ChildWindow* form = newest();
    if (form == browse) return fail("the FESK1 form did not open");
    shoot(outer(form), "form-fesk1-tab1.png");
    chooseTab(form, 2);
    shoot(outer(form), "form-fesk1-tab2.png");
    press(form, "&Change");
    ChildWindow* detail = newest();
    if (detail == form) return fail("the FESK2 form did not open");
    shoot(outer(detail), "form-fesk2.png");
    press(detail, "Cancel");
    press(form, "Cancel");

    press(browse, "&Delete");
    pumpUntil([&] { return desktop_.messageBox() != nullptr; });
    QMessageBox* box = desktop_.messageBox();
    if (!box) return fail("no box confirmed the delete");
    shoot(box, "confirm-delete.png", true);
    box->button(QMessageBox::Cancel)->click();
    settle();

    menu("&Print List...");
    pumpUntil([&] { return desktop_.printPreview() != nullptr; });
    PrintPreviewWindow* preview = desktop_.printPreview();
    if (!preview) return fail("no print preview opened");
    pumpUntil([&] { return preview->counted(); });
    shoot(preview, "print-preview.png", true);
    preview->reject();
    settle();

    menu("P&rint Setup...");
    PageSetupDialog* setup = nullptr;
    pumpUntil([&] { return (setup = desktop_.frame()->findChild<PageSetupDialog*>()) != nullptr; });
    if (!setup) return fail("Print Setup opened no dialog");
    shoot(setup, "print-setup.png", true);
    setup->reject();
    settle();
    return ok_;
  }

  void end() {
    if (desktop_.frame()) desktop_.frame()->close();
  }

 private:
  bool fail(const std::string& why) {
    std::cerr << "screenshots: " << why << "\n";
    return false;
  }

  void pumpUntil(const std::function<bool()>& done) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < until) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      run_.waitUntilIdle(std::chrono::milliseconds(2));
    }
  }

  void settle() {
    pumpUntil([&] {
      // A thread waiting for a box or a preview waits for the user too.
      if (desktop_.messageBox() || desktop_.printPreview()) return true;
      if (!run_.waitUntilIdle(std::chrono::milliseconds(0))) return false;
      QCoreApplication::processEvents();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      return run_.waitUntilIdle(std::chrono::milliseconds(0));
    });
    // Let layouts and paint events through.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }

  ChildWindow* newest() const {
    auto all = desktop_.children();
    return all.empty() ? nullptr : all.back();
  }

  void menu(const QString& text) {
    for (QAction* a : desktop_.frame()->findChildren<QAction*>())
      if (a->text() == text && !a->menu()) {
        a->trigger();
        settle();
        return;
      }
    fail("no menu item " + text.toStdString());
  }

  void press(ChildWindow* window, const QString& text) {
    for (const auto& c : window->view().controls)
      if (c.kind == apprt::ControlKind::Button && QString::fromStdString(c.text) == text) {
        if (auto* button = qobject_cast<QPushButton*>(window->fieldWidget(c.field))) {
          button->click();
          settle();
          return;
        }
      }
    fail("no button " + text.toStdString() + " in " + window->windowTitle().toStdString());
  }

  // Keys go to the focused widget, as a person's typing does.
  QWidget* focused() const {
    QWidget* target = QApplication::focusWidget();
    if (ChildWindow* window = newest(); !target && window)
      target = window->fieldWidget(window->view().focus);
    return target;
  }

  void sendKey(QWidget* target, Qt::Key key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
  }

  void key(Qt::Key key) {
    if (QWidget* target = focused()) sendKey(target, key);
    settle();
  }

  // The whole text is typed before the program looks at it.
  void typeKeys(const QString& text) {
    if (QWidget* target = focused())
      for (QChar c : text) sendKey(target, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c));
    settle();
  }

  void pressField(ChildWindow* window, int field) {
    if (auto* button = qobject_cast<QPushButton*>(window->fieldWidget(field))) {
      button->click();
      settle();
      return;
    }
    fail("no button " + std::to_string(field) + " in " + window->windowTitle().toStdString());
  }

  void chooseTab(ChildWindow* window, int tab) {
    for (const auto& c : window->view().controls) {
      auto* bar = qobject_cast<QTabBar*>(window->fieldWidget(c.field));
      if (c.kind != apprt::ControlKind::Sheet || !bar) continue;
      QPointF at(bar->tabRect(tab - 1).center());
      QMouseEvent press(QEvent::MouseButtonPress, at, bar->mapToGlobal(at), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(bar, &press);
      settle();
      return;
    }
  }

  // The MDI sub-window around a window: what a person sees of it.
  static QWidget* outer(ChildWindow* window) {
    QWidget* w = window;
    while (w && !qobject_cast<QMdiSubWindow*>(w)) w = w->parentWidget();
    return w ? w : window;
  }

  // A top-level window's picture with its title above it: under Xvfb no
  // window manager draws one.
  static QPixmap withTitle(const QPixmap& shot, const QString& title) {
    const qreal ratio = shot.devicePixelRatio();
    const QSize size = shot.deviceIndependentSize().toSize();
    QFont font = QApplication::font();
    font.setBold(true);
    const int bar = QFontMetrics(font).height() + 10;
    QPixmap framed(QSize(size.width() + 2, size.height() + bar + 1) * ratio);
    framed.setDevicePixelRatio(ratio);
    framed.fill(QApplication::palette().color(QPalette::Dark));
    QPainter painter(&framed);
    painter.fillRect(QRect(1, 1, size.width(), bar - 1),
                     QApplication::palette().color(QPalette::Highlight));
    painter.setPen(QApplication::palette().color(QPalette::HighlightedText));
    painter.setFont(font);
    painter.drawText(QRect(1, 1, size.width(), bar - 1), Qt::AlignCenter, title);
    painter.drawPixmap(1, bar, shot);
    return framed;
  }

  void shoot(QWidget* widget, const QString& name, bool topLevel = false) {
    settle();
    QPixmap shot = widget ? widget->grab() : QPixmap();
    if (topLevel && widget) shot = withTitle(shot, widget->windowTitle());
    if (shot.isNull() || !shot.save(out_ + "/" + name)) {
      ok_ = fail("could not write " + name.toStdString());
      return;
    }
    std::cout << (out_ + "/" + name).toStdString() << std::endl;
  }

  Desktop& desktop_;
  apprt::ProgramRun& run_;
  QString out_;
  bool ok_ = true;
};

}  // namespace

int takeScreenshots(int& argc, char** argv, apprt::Procedure firstProcedure,
                    const std::string& outDir) {
  bool written = false;
  int code =
      run(argc, argv, std::move(firstProcedure), [&](Desktop& desktop, apprt::ProgramRun& program) {
        Tour tour(desktop, program, QString::fromStdString(outDir));
        written = tour.take();
        tour.end();
      });
  return written ? code : 1;
}

}  // namespace fesk::qt
