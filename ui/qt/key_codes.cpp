#include "ui/qt/key_codes.h"

#include <QKeyEvent>

#include "runtime/frontend/constants.h"
#include "runtime/frontend/key_names.h"

namespace fesk::qt {
namespace {

int baseCode(const QKeyEvent& event) {
  const int key = event.key();
  const bool keypad = event.modifiers() & Qt::KeypadModifier;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return apprt::kKeyA + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return (keypad ? apprt::kKeyPad0 : apprt::kKey0) + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return apprt::kKeyF1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return apprt::kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return apprt::kKeyEnter;
    case Qt::Key_Escape:
      return apprt::kKeyEsc;
    case Qt::Key_Space:
      return apprt::kKeySpace;
    case Qt::Key_PageUp:
      return apprt::kKeyPgUp;
    case Qt::Key_PageDown:
      return apprt::kKeyPgDn;
    case Qt::Key_End:
      return apprt::kKeyEnd;
    case Qt::Key_Home:
      return apprt::kKeyHome;
    case Qt::Key_Left:
      return apprt::kKeyLeft;
    case Qt::Key_Up:
      return apprt::kKeyUp;
    case Qt::Key_Right:
      return apprt::kKeyRight;
    case Qt::Key_Down:
      return apprt::kKeyDown;
    case Qt::Key_Insert:
      return apprt::kKeyInsert;
    case Qt::Key_Delete:
      return apprt::kKeyDelete;
    default:
      break;
  }
  // The key's own code: Shift comes from the event's modifiers.
  if (key > 0 && key < 128)
    return apprt::punctuationKeyCode(static_cast<char32_t>(key)) & ~apprt::kShift;
  return 0;
}

}  // namespace

std::string typedCharacter(const QKeyEvent& event) {
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return {};
  const QString text = event.text();
  const auto characters = text.toUcs4();
  if (characters.size() != 1 || characters[0] < 0x80 || !QChar::isPrint(characters[0])) return {};
  return text.toStdString();
}

int keyCode(const QKeyEvent& event) {
  int code = baseCode(event);
  if (code == 0) return typedCharacter(event).empty() ? 0 : apprt::kKeyCharacter;
  const auto modifiers = event.modifiers();
  if ((modifiers & Qt::ShiftModifier) || event.key() == Qt::Key_Backtab) code += apprt::kShift;
  if (modifiers & Qt::ControlModifier) code += apprt::kCtrl;
  if (modifiers & Qt::AltModifier) code += apprt::kAlt;
  return code;
}

bool isEntryEditingKey(const QKeyEvent& event) {
  const auto modifiers = event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (modifiers & Qt::AltModifier) return false;
  switch (event.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Insert:
      return true;
    default:
      break;
  }
  if (modifiers & Qt::ControlModifier) {
    switch (event.key()) {
      case Qt::Key_A:
      case Qt::Key_C:
      case Qt::Key_V:
      case Qt::Key_X:
      case Qt::Key_Y:
      case Qt::Key_Z:
        return true;
      default:
        return false;
    }
  }
  const QString text = event.text();
  return !text.isEmpty() && text.at(0).isPrint();
}

}  // namespace fesk::qt
