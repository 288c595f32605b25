#include "hostlib/commands/command_id.h"

std::size_t CCommandID::Hash() const {
  // FNV-1a over the words; ids differ mostly in the category and code words,
  // which this mixes into every bit.
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (std::uint32_t w : m_words) {
    for (int i = 0; i < 4; ++i) {
      h ^= (w >> (8 * i)) & 0xFFu;
      h *= 0x100000001B3ull;
    }
  }
  return static_cast<std::size_t>(h);
}

std::string CCommandID::ToString() const {
  std::string s;
  for (std::size_t i = 0; i + 1 < kWordNbr; ++i) {
    s += vex3d::fourccToString(m_words[i]);
    s += '/';
  }
  s += std::to_string(GetVersion());
  return s;
}

std::array<std::uint8_t, 4 * CCommandID::kWordNbr> CCommandID::ToBytes() const {
  std::array<std::uint8_t, 4 * kWordNbr> bytes{};
  for (std::size_t i = 0; i < kWordNbr; ++i)
    for (std::size_t b = 0; b < 4; ++b)
      bytes[4 * i + b] = static_cast<std::uint8_t>(m_words[i] >> (8 * b));
  return bytes;
}

bool CCommandID::FromBytes(const void* data, std::size_t size) {
  if (data == nullptr || size != 4 * kWordNbr) return false;
  const auto* p = static_cast<const std::uint8_t*>(data);
  for (std::size_t i = 0; i < kWordNbr; ++i) {
    std::uint32_t w = 0;
    for (std::size_t b = 0; b < 4; ++b) w |= static_cast<std::uint32_t>(p[4 * i + b]) << (8 * b);
    m_words[i] = w;
  }
  return true;
}
