#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace vex3d {

// Four characters packed most significant first: fourcc("IOSC") == 0x494F5343.
constexpr std::uint32_t fourcc(std::string_view s) {
  std::uint32_t v = 0;
  for (std::size_t i = 0; i < 4; ++i)
    v = (v << 8) | static_cast<unsigned char>(i < s.size() ? s[i] : ' ');
  return v;
}

// The printable form of a key, for logs and error messages.
inline std::string fourccToString(std::uint32_t key) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((key >> (24 - 8 * i)) & 0xFF);
    s[static_cast<std::size_t>(i)] = (c >= 0x20 && c < 0x7F) ? c : '?';
  }
  return s;
}

}  // namespace vex3d
