#include "hostlib/commands/command_access.h"

namespace {

std::string keyName(std::uint32_t key) {
  using namespace vex3d;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
    return std::string(1, static_cast<char>(key));
  if (key >= kKeyNumpad0 && key <= kKeyNumpad0 + 9)
    return "Num " + std::string(1, static_cast<char>('0' + (key - kKeyNumpad0)));
  if (key >= kKeyF1 && key < kKeyF1 + 24) return "F" + std::to_string(key - kKeyF1 + 1);
  switch (key) {
    case kKeyTab:
      return "Tab";
    case kKeyReturn:
      return "Enter";
    case kKeyEscape:
      return "Esc";
    case kKeySpace:
      return "Space";
    case kKeyNumpadMultiply:
      return "Num *";
    case kKeyNumpadAdd:
      return "Num +";
    case kKeyNumpadSubtract:
      return "Num -";
    case kKeyNumpadDivide:
      return "Num /";
    default:
      break;
  }
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = (key > 0xFF ? 28 : 4); shift >= 0; shift -= 4) s += kHex[(key >> shift) & 0xF];
  return s;
}

}  // namespace

namespace vex3d {

std::string shortcutText(std::uint32_t key, std::uint32_t modifiers) {
  if (key == 0) return {};
  std::string s;
  if (modifiers & kModCtrl) s += "Ctrl+";
  if (modifiers & kModShift) s += "Shift+";
  if (modifiers & kModAlt) s += "Alt+";
  return s + keyName(key);
}

}  // namespace vex3d

void CCommandAccess::SetAccess(std::uint32_t key, std::uint32_t flags) {
  m_key = key;
  m_flags = flags;
}

void CCommandAccess::SetMenuPosition(std::uint32_t menu, std::uint32_t position) {
  m_menu = menu;
  m_menuPosition = position;
}

void CCommandAccess::SetToolbarPosition(std::uint32_t toolbar, std::uint32_t position) {
  m_toolbar = toolbar;
  m_toolbarPosition = position;
}

void CCommandAccess::SetBitmap(std::uint32_t normal, std::uint32_t highlighted) {
  m_bitmap = normal;
  m_highlightedBitmap = highlighted;
}

bool CCommandAccess::MatchesShortcut(std::uint32_t key, std::uint32_t modifiers) const {
  return m_key != 0 && key == m_key && (modifiers & vex3d::kModMask) == GetModifiers();
}
