#pragma once
// Merges points given with exactly the same coordinates (0 and -0 alike)
// as they arrive, appending each new one to a position array. Formats that
// repeat coordinates per facet (STL) need it to give a connected mesh.
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vex3d::native {

class PointWelder {
 public:
  // `expectedPoints` is how many points will be offered (a guess is fine).
  PointWelder(std::size_t expectedPoints, std::vector<float>& positions) : m_positions(positions) {
    std::size_t size = 64;
    while (size < expectedPoints / 3 && size < (std::size_t{1} << 30)) size <<= 1;
    m_slots.assign(size, -1);
  }

  // The index of the point with these coordinates, added when new.
  int add(const float xyz[3]) {
    std::uint32_t key[3];
    for (int i = 0; i < 3; ++i) key[i] = xyz[i] == 0.0f ? 0u : std::bit_cast<std::uint32_t>(xyz[i]);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash(key) & mask;
    for (;;) {
      const int index = m_slots[slot];
      if (index < 0) break;
      const float* p = m_positions.data() + 3 * static_cast<std::size_t>(index);
      if (std::memcmp(p, key, sizeof key) == 0) return index;
      slot = (slot + 1) & mask;
    }
    const int index = static_cast<int>(m_positions.size() / 3);
    float stored[3];
    std::memcpy(stored, key, sizeof key);
    m_positions.insert(m_positions.end(), stored, stored + 3);
    m_slots[slot] = index;
    if (static_cast<std::size_t>(index + 1) * 2 > m_slots.size()) grow();
    return index;
  }

  // Forgets every point (and empties the position array).
  void reset() {
    m_positions.clear();
    std::fill(m_slots.begin(), m_slots.end(), -1);
  }

 private:
  static std::size_t hash(const std::uint32_t key[3]) {
    std::uint64_t h = key[0] * 0x9E3779B97F4A7C15ull;
    h ^= (key[1] + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= (key[2] + 0x165667B19E3779F9ull) * 0x85EBCA77C2B2AE63ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }

  void grow() {
    std::vector<int> slots(m_slots.size() * 2, -1);
    const std::size_t mask = slots.size() - 1;
    const std::size_t n = m_positions.size() / 3;
    for (std::size_t i = 0; i < n; ++i) {
      std::uint32_t key[3];
      std::memcpy(key, m_positions.data() + 3 * i, sizeof key);
      std::size_t slot = hash(key) & mask;
      while (slots[slot] >= 0) slot = (slot + 1) & mask;
      slots[slot] = static_cast<int>(i);
    }
    m_slots.swap(slots);
  }

  std::vector<int> m_slots;
  std::vector<float>& m_positions;
};

}  // namespace vex3d::native
