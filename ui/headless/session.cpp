#include "ui/headless/session.h"

#include <algorithm>
#include <thread>

#include "runtime/frontend/key_names.h"
#include "runtime/text/mnemonic.h"
#include "runtime/text/utf8.h"
#include "ui/headless/transcript.h"

namespace fesk::headless {

using apprt::ControlKind;
using apprt::Input;
using apprt::WindowView;

namespace {
bool sameTextIgnoringMnemonic(const std::string& shown, const std::string& wanted) {
  return shown == wanted || apprt::parseMnemonic(shown).text == wanted;
}

// The list that row clicks and the scroll bar go to: a window's first one.
const apprt::ControlView& firstList(const WindowView& w) {
  for (auto& c : w.controls)
    if (c.kind == ControlKind::List || c.kind == ControlKind::DropList ||
        c.kind == ControlKind::DropCombo)
      return c;
  throw SessionError("no list in " + quoted(w.title));
}

}  // namespace

Session::Session(apprt::Procedure first, std::function<void(const std::string&)> transcript,
                 const SessionOptions& options)
    : frontEnd_(std::move(transcript)),
      run_(frontEnd_, options.shutdownWait),
      idleTimeout_(options.idleTimeout) {
  for (int answer : options.answers) frontEnd_.answer(answer);
  run_.start(std::move(first));
  waitIdle();
}

Session::~Session() {
  try {
    finish();
  } catch (...) {
  }
}

void Session::waitIdle() {
  if (!run_.waitUntilIdle(idleTimeout_))
    throw SessionError("the program did not become idle within " +
                       std::to_string(idleTimeout_.count()) + " ms");
}

WindowView Session::current() const {
  auto all = frontEnd_.windows();
  for (auto& w : all)
    if (w.handle == currentHandle_) return w;
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (it->acceptsInput && it->kind != apprt::WindowKind::Frame) return *it;
  if (!all.empty()) return all.front();
  throw SessionError("no window is open");
}

std::optional<WindowView> Session::window(const std::string& title) const {
  auto all = frontEnd_.windows();
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if (it->title == title) return *it;
  return std::nullopt;
}

void Session::useWindow(const std::string& title) {
  waitIdle();
  auto deadline = std::chrono::steady_clock::now() + idleTimeout_;
  auto w = window(title);
  while (!w && !run_.ended() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    waitIdle();
    w = window(title);
  }
  if (!w) throw SessionError("no window titled " + quoted(title));
  currentHandle_ = w->handle;
  deliver(Input::activate(w->handle));
}

void Session::useWindow(int handle) {
  waitIdle();
  currentHandle_ = handle;
  deliver(Input::activate(handle));
}

void Session::deliver(const Input& input) {
  typingGoesOn_ = false;
  apprt::deliverInput(input);
  waitIdle();
}

void Session::menu(const std::string& itemText) {
  for (auto& w : frontEnd_.windows()) {
    if (w.kind != apprt::WindowKind::Frame) continue;
    for (auto& c : w.controls)
      if (c.kind == ControlKind::MenuItem && sameTextIgnoringMnemonic(c.text, itemText)) {
        deliver(Input::menu(w.handle, c.field));
        return;
      }
  }
  throw SessionError("no menu item " + quoted(itemText));
}

void Session::click(const std::string& controlText) {
  WindowView w = current();
  for (auto& c : w.controls) {
    if (!sameTextIgnoringMnemonic(c.text, controlText)) continue;
    if (c.kind == ControlKind::Tab) {
      tab(controlText);
      return;
    }
    if (c.kind == ControlKind::Button || c.kind == ControlKind::Prompt) {
      clickField(c.field);
      return;
    }
  }
  throw SessionError("no button " + quoted(controlText) + " in " + quoted(w.title));
}

void Session::clickField(int field) {
  WindowView w = current();
  deliver(Input::click(w.handle, field));
}

void Session::key(const std::string& name) {
  auto code = apprt::keyCodeFromName(name);
  if (!code) throw SessionError("unknown key " + quoted(name));
  keyCode(*code);
}

void Session::keyCode(int code) {
  WindowView w = current();
  deliver(Input::keyDown(w.handle, code));
}

void Session::type(const std::string& text) {
  WindowView w = current();
  const apprt::ControlView* focused = w.control(w.focus);
  if (!focused) throw SessionError("nothing has the focus in " + quoted(w.title));
  if (focused->kind != ControlKind::Entry) {
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t length = apprt::utf8SequenceLength(text, at);
      const std::string c = text.substr(at, std::max<std::size_t>(length, 1));
      at += c.size();
      if (length > 1) {  // no key code names it: the key types the character itself
        deliver(Input::keyDown(w.handle, apprt::kKeyCharacter, c));
        continue;
      }
      auto code = apprt::keyCodeFromName(c);
      if (!code) throw SessionError("cannot type " + quoted(c) + " as a key");
      keyCode(*code);
    }
    return;
  }
  // Focus that arrives selects the whole text, so typing replaces it; typing
  // again, with no other gesture between, goes on where it stopped.
  bool appends = typingGoesOn_ && typedInWindow_ == w.handle && typedInFocus_ == w.focus;
  std::string value = appends ? focused->text + text : text;
  deliver(Input::typed(w.handle, w.focus, value));
  typedInWindow_ = w.handle;
  typedInFocus_ = w.focus;
  typingGoesOn_ = true;
}

void Session::row(int n) {
  WindowView w = current();
  deliver(Input::chooseRow(w.handle, firstList(w).field, n, apprt::kKeyMouseLeft));
}

void Session::doubleRow(int n) {
  WindowView w = current();
  deliver(Input::chooseRow(w.handle, firstList(w).field, n, apprt::kKeyMouseLeftDouble));
}

void Session::tab(const std::string& tabText) {
  WindowView w = current();
  for (auto& c : w.controls) {
    if (c.kind != ControlKind::Tab || !sameTextIgnoringMnemonic(c.text, tabText)) continue;
    deliver(Input::chooseTab(w.handle, c.parent, apprt::tabNumber(w.controls, c.parent, c.field)));
    return;
  }
  throw SessionError("no tab " + quoted(tabText) + " in " + quoted(w.title));
}

void Session::scroll(int code, int thumb) {
  WindowView w = current();
  deliver(Input::scrollBar(w.handle, firstList(w).field, code, thumb));
}

void Session::dropButton(int field) {
  deliver(Input::drop(current().handle, field));
}

void Session::wheel(bool up) {
  WindowView w = current();
  deliver(Input::wheel(w.handle, firstList(w).field, up));
}

void Session::close() {
  WindowView w = current();
  if (currentHandle_ == w.handle) currentHandle_ = 0;
  deliver(Input::close(w.handle));
}

void Session::resize() {
  deliver(Input::resize(current().handle));
}

void Session::resize(int width, int height) {
  deliver(Input::resize(current().handle, width, height));
}

int Session::finish() {
  for (int attempt = 0; attempt < 50 && !run_.ended(); ++attempt) {
    auto all = frontEnd_.windows();
    if (all.empty()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    // Closing the frame (or the oldest window) ends the program in order;
    // a finished script or test is no one to ask about unsaved typing.
    apprt::deliverInput(Input::endProgram(all.front().handle));
    run_.waitUntilIdle(idleTimeout_);
  }
  // A window that keeps refusing to close must not keep the test or script
  // from ending.
  if (!run_.ended()) run_.stop();
  return run_.wait();
}

}  // namespace fesk::headless
