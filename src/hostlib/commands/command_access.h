#pragma once
// Where a command can be reached from: its keyboard shortcut, its places in
// the menus and toolbars, and its toolbar bitmaps. Plain data; the viewer
// builds its menus, toolbars and shortcut table from it.
#include <cstdint>
#include <string>

#include "hostlib/commands/command_input.h"
#include "hostlib/hostlib_export.h"

namespace vex3d {

// Access flags, the second word of SetAccess. The low bits are the
// shortcut's modifiers (kModShift, kModCtrl, kModAlt).
//
// The shortcut names a numeric-keypad key held with Shift: the key is to be
// matched by its keypad position, since with Num Lock on Shift turns keypad
// keys into navigation keys.
inline constexpr std::uint32_t kAccessNumpadShift = 0x10;
// A toolbar button.
inline constexpr std::uint32_t kAccessToolbar = 0x40;
// The toolbar button has a drop-down menu (OnToolbarMenu).
inline constexpr std::uint32_t kAccessToolbarMenu = 0x80;
// Listed in the menus; every command placed by the viewer carries it.
inline constexpr std::uint32_t kAccessMenu = 0x200;

// Menu and toolbar positions: the item index in the high 16 bits, the
// sub-menu or button group in the low 16 bits.
constexpr std::uint32_t packPosition(std::uint16_t index, std::uint16_t group) {
  return (static_cast<std::uint32_t>(index) << 16) | group;
}
constexpr std::uint16_t positionIndex(std::uint32_t position) {
  return static_cast<std::uint16_t>(position >> 16);
}
constexpr std::uint16_t positionGroup(std::uint32_t position) {
  return static_cast<std::uint16_t>(position & 0xFFFFu);
}

// "Ctrl+Shift+L", "Num +", "F1": modifiers in the order Ctrl, Shift, Alt.
// Empty for key 0.
VEXHOST_EXPORT std::string shortcutText(std::uint32_t key, std::uint32_t modifiers);

}  // namespace vex3d

class VEXHOST_EXPORT CCommandAccess {
 public:
  // `key` 0 leaves the command without a shortcut (the flags still place it).
  void SetAccess(std::uint32_t key, std::uint32_t flags);
  // Menu ids are the viewer's; 0 is not a menu.
  void SetMenuPosition(std::uint32_t menu, std::uint32_t position);
  void SetToolbarPosition(std::uint32_t toolbar, std::uint32_t position);
  // Resource ids of the button's image, normal and highlighted.
  void SetBitmap(std::uint32_t normal, std::uint32_t highlighted);

  std::uint32_t GetKey() const { return m_key; }
  std::uint32_t GetFlags() const { return m_flags; }
  std::uint32_t GetModifiers() const { return m_flags & vex3d::kModMask; }
  bool HasShortcut() const { return m_key != 0; }
  // Same key and exactly the same Shift, Ctrl and Alt state.
  bool MatchesShortcut(std::uint32_t key, std::uint32_t modifiers) const;
  std::string GetShortcutText() const { return vex3d::shortcutText(m_key, GetModifiers()); }

  bool IsInMenu() const { return (m_flags & vex3d::kAccessMenu) != 0; }
  bool IsOnToolbar() const { return (m_flags & vex3d::kAccessToolbar) != 0; }
  bool HasToolbarMenu() const { return (m_flags & vex3d::kAccessToolbarMenu) != 0; }

  std::uint32_t GetMenu() const { return m_menu; }
  std::uint32_t GetMenuPosition() const { return m_menuPosition; }
  std::uint32_t GetToolbar() const { return m_toolbar; }
  std::uint32_t GetToolbarPosition() const { return m_toolbarPosition; }
  std::uint32_t GetBitmap() const { return m_bitmap; }
  std::uint32_t GetHighlightedBitmap() const { return m_highlightedBitmap; }

 private:
  std::uint32_t m_key = 0;
  std::uint32_t m_flags = 0;
  std::uint32_t m_menu = 0;
  std::uint32_t m_menuPosition = 0;
  std::uint32_t m_toolbar = 0;
  std::uint32_t m_toolbarPosition = 0;
  std::uint32_t m_bitmap = 0;
  std::uint32_t m_highlightedBitmap = 0;
};
