#pragma once
// Identity of a command: six 32-bit words, the group twice (the second one is
// the owner the menus are built for), the kind, the category, the command code
// and the version. Four-character codes are packed most significant first.
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "hostlib/core/fourcc.h"
#include "hostlib/hostlib_export.h"

namespace vex3d {

// Runs once when applied.
inline constexpr std::uint32_t kCommandKindSimple = fourcc("SIMP");
// A tool that takes the mouse while it is the active command.
inline constexpr std::uint32_t kCommandKindInteractive = fourcc("INTE");
// Opens a parameter dialog.
inline constexpr std::uint32_t kCommandKindDialog = fourcc("DIAL");

}  // namespace vex3d

class VEXHOST_EXPORT CCommandID {
 public:
  static constexpr std::size_t kWordNbr = 6;

  // All words 0: no command.
  constexpr CCommandID() = default;
  // The usual form: the group doubles as the owner.
  constexpr CCommandID(std::uint32_t group, std::uint32_t kind, std::uint32_t category,
                       std::uint32_t code, std::uint32_t version = 1)
      : m_words{group, group, kind, category, code, version} {}
  constexpr explicit CCommandID(const std::array<std::uint32_t, kWordNbr>& words)
      : m_words(words) {}

  constexpr std::uint32_t GetGroup() const { return m_words[0]; }
  constexpr std::uint32_t GetOwner() const { return m_words[1]; }
  constexpr std::uint32_t GetKind() const { return m_words[2]; }
  constexpr std::uint32_t GetCategory() const { return m_words[3]; }
  constexpr std::uint32_t GetCode() const { return m_words[4]; }
  constexpr std::uint32_t GetVersion() const { return m_words[5]; }
  constexpr const std::array<std::uint32_t, kWordNbr>& GetWords() const { return m_words; }

  constexpr bool IsNull() const {
    for (std::uint32_t w : m_words)
      if (w != 0) return false;
    return true;
  }
  constexpr bool IsSimple() const { return GetKind() == vex3d::kCommandKindSimple; }
  constexpr bool IsInteractive() const { return GetKind() == vex3d::kCommandKindInteractive; }
  constexpr bool IsDialog() const { return GetKind() == vex3d::kCommandKindDialog; }

  // Word by word, group first.
  constexpr auto operator<=>(const CCommandID&) const = default;

  std::size_t Hash() const;
  // "3DCO/3DCO/SIMP/ANIM/PLAY/1": codes as four characters, the version in
  // decimal. Bytes that are not printable show as '?'.
  std::string ToString() const;

  // The 24 bytes of the six words, little-endian, for records and files.
  std::array<std::uint8_t, 4 * kWordNbr> ToBytes() const;
  // False (and the id unchanged) unless exactly 24 bytes are given.
  bool FromBytes(const void* data, std::size_t size);

 private:
  std::array<std::uint32_t, kWordNbr> m_words{};
};

template <>
struct std::hash<CCommandID> {
  std::size_t operator()(const CCommandID& id) const noexcept { return id.Hash(); }
};
