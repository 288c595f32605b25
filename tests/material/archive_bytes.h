#pragma once
// Builders of expected archive bytes for the material tests.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vex3d_test {

class Bytes {
 public:
  Bytes& u8(std::uint8_t v) {
    m_data.push_back(v);
    return *this;
  }
  Bytes& u16(std::uint16_t v) {
    return u8(static_cast<std::uint8_t>(v)).u8(static_cast<std::uint8_t>(v >> 8));
  }
  Bytes& u32(std::uint32_t v) {
    return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16));
  }
  Bytes& f32(float f) {
    std::uint32_t v = 0;
    std::memcpy(&v, &f, 4);
    return u32(v);
  }
  // The Unicode string form for ASCII texts shorter than 255 characters.
  Bytes& str(const std::string& s) {
    u8(0xFF).u16(0xFFFE).u8(static_cast<std::uint8_t>(s.size()));
    for (char c : s) u16(static_cast<std::uint8_t>(c));
    return *this;
  }
  Bytes& rgba(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) {
    return u8(r).u8(g).u8(b).u8(a);
  }
  Bytes& identity() {
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) f32(r == c ? 1.0f : 0.0f);
    return *this;
  }
  Bytes& append(const std::vector<std::uint8_t>& more) {
    m_data.insert(m_data.end(), more.begin(), more.end());
    return *this;
  }
  const std::vector<std::uint8_t>& data() const { return m_data; }

 private:
  std::vector<std::uint8_t> m_data;
};

}  // namespace vex3d_test
