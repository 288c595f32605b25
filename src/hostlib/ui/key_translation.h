#pragma once
// Qt's keys and modifiers in the command framework's terms, so that the
// shortcut table stays the one the commands declare.
#include <QKeySequence>
#include <QString>
#include <cstdint>

#include "hostlib/ui_export.h"

namespace vex3d::ui {

// kMod* bits of Qt modifiers (the keypad bit is not a modifier here).
VEXHOSTUI_EXPORT std::uint32_t modifiersFromQt(Qt::KeyboardModifiers modifiers);
// The framework's key code of a Qt key, 0 for keys no shortcut can name.
// Keypad keys are told apart by Qt::KeypadModifier, whether Num Lock made
// them digits or navigation keys.
VEXHOSTUI_EXPORT std::uint32_t keyFromQt(int key, Qt::KeyboardModifiers modifiers);
// The shortcut column of a menu item ("Ctrl+Num 0").
VEXHOSTUI_EXPORT QString shortcutLabel(std::uint32_t key, std::uint32_t modifiers);

}  // namespace vex3d::ui
