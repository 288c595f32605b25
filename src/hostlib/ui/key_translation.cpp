#include "hostlib/ui/key_translation.h"

#include "hostlib/commands/command_access.h"
#include "hostlib/commands/command_input.h"

namespace vex3d::ui {

std::uint32_t modifiersFromQt(Qt::KeyboardModifiers modifiers) {
  std::uint32_t bits = 0;
  if (modifiers & Qt::ShiftModifier) bits |= kModShift;
  if (modifiers & Qt::ControlModifier) bits |= kModCtrl;
  if (modifiers & Qt::AltModifier) bits |= kModAlt;
  return bits;
}

namespace {

// With Num Lock off the keypad sends navigation keys; the keypad position
// is what the shortcut table names.
std::uint32_t keypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return kKeyNumpad0 + static_cast<std::uint32_t>(key - Qt::Key_0);
  }
  switch (key) {
    case Qt::Key_Insert:
      return kKeyNumpad0;
    case Qt::Key_End:
      return kKeyNumpad0 + 1;
    case Qt::Key_Down:
      return kKeyNumpad0 + 2;
    case Qt::Key_PageDown:
      return kKeyNumpad0 + 3;
    case Qt::Key_Left:
      return kKeyNumpad0 + 4;
    case Qt::Key_Clear:
      return kKeyNumpad0 + 5;
    case Qt::Key_Right:
      return kKeyNumpad0 + 6;
    case Qt::Key_Home:
      return kKeyNumpad0 + 7;
    case Qt::Key_Up:
      return kKeyNumpad0 + 8;
    case Qt::Key_PageUp:
      return kKeyNumpad0 + 9;
    case Qt::Key_Plus:
      return kKeyNumpadAdd;
    case Qt::Key_Minus:
      return kKeyNumpadSubtract;
    case Qt::Key_Asterisk:
      return kKeyNumpadMultiply;
    case Qt::Key_Slash:
      return kKeyNumpadDivide;
    case Qt::Key_Enter:
      return kKeyReturn;
    default:
      return 0;
  }
}

}  // namespace

std::uint32_t keyFromQt(int key, Qt::KeyboardModifiers modifiers) {
  if (modifiers & Qt::KeypadModifier) return keypadKey(key);
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint32_t>(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint32_t>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
    return kKeyF1 + static_cast<std::uint32_t>(key - Qt::Key_F1);
  }
  switch (key) {
    case Qt::Key_Space:
      return kKeySpace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Escape:
      return kKeyEscape;
    default:
      return 0;
  }
}

QString shortcutLabel(std::uint32_t key, std::uint32_t modifiers) {
  return QString::fromStdString(shortcutText(key, modifiers));
}

}  // namespace vex3d::ui
