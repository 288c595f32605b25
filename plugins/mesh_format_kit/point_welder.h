#pragma once
// Merges points given with exactly the same coordinates (0 and -0 alike)
// as they arrive, appending each new one to a position array. Formats that
// repeat coordinates per facet (STL) need it to give a connected mesh.
//
// Slots hold their key, so a lookup touches one cache line of the table;
// a small table of recent points in front of it answers most lookups,
// since neighbouring facets of a file share their corners.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "hostlib/containers/huge_pages.h"
#include "hostlib/containers/prefetch.h"
#include "mesh_format_kit/mesh_build.h"

namespace vex3d::native {

class PointWelder {
 public:
  // `expectedPoints` is how many points will be offered (a guess is fine).
  PointWelder(std::size_t expectedPoints, MeshVector<float>& positions)
      : m_recent(kRecentSize), m_positions(positions) {
    std::size_t size = 64;
    while (size < expectedPoints / 3 && size < (std::size_t{1} << 30)) size <<= 1;
    m_slots.assign(size, Slot{});
  }

  // The index of the point with these coordinates, added when new.
  int add(const float xyz[3]) {
    const Slot key = keyOf(xyz);
    return add(key, hash(key.key));
  }

  // Brings the table slot of a point offered a few points from now into the
  // cache, and returns its hash for addHashed: on a large file nearly every
  // lookup misses the cache otherwise, and the misses of consecutive points
  // then overlap instead of adding up. A reader that looks ahead thus
  // hashes each point once.
  std::size_t prefetchHashed(const float xyz[3]) const {
    const Slot key = keyOf(xyz);
    const std::size_t h = hash(key.key);
    prefetchForRead(&m_slots[h & (m_slots.size() - 1)]);
    return h;
  }
  // As add, with the hash prefetchHashed gave for the same point.
  int addHashed(const float xyz[3], std::size_t h) { return add(keyOf(xyz), h); }

  // Forgets every point (and empties the position array).
  void reset() {
    m_positions.clear();
    std::fill(m_slots.begin(), m_slots.end(), Slot{});
    std::fill(m_recent.begin(), m_recent.end(), Slot{});
  }

 private:
  static constexpr std::size_t kRecentSize = 4096;

  struct Slot {
    std::uint32_t key[3] = {0, 0, 0};
    std::int32_t index = -1;
  };

  int add(Slot key, std::size_t h) {
    Slot& recent = m_recent[h & (kRecentSize - 1)];
    if (recent.index >= 0 && sameKey(recent, key)) return recent.index;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = h & mask;
    for (;;) {
      const Slot& s = m_slots[slot];
      if (s.index < 0) break;
      if (sameKey(s, key)) {
        recent = s;
        return s.index;
      }
      slot = (slot + 1) & mask;
    }
    key.index = static_cast<std::int32_t>(m_positions.size() / 3);
    float stored[3];
    std::memcpy(stored, key.key, sizeof stored);
    m_positions.insert(m_positions.end(), stored, stored + 3);
    m_slots[slot] = key;
    recent = key;
    if (static_cast<std::size_t>(key.index + 1) * 2 > m_slots.size()) grow();
    return key.index;
  }

  static Slot keyOf(const float xyz[3]) {
    Slot key;
    for (int i = 0; i < 3; ++i) {
      key.key[i] = xyz[i] == 0.0f ? 0u : std::bit_cast<std::uint32_t>(xyz[i]);
    }
    return key;
  }

  static bool sameKey(const Slot& a, const Slot& b) {
    return a.key[0] == b.key[0] && a.key[1] == b.key[1] && a.key[2] == b.key[2];
  }

  static std::size_t hash(const std::uint32_t key[3]) {
    std::uint64_t h = key[0] * 0x9E3779B97F4A7C15ull;
    h ^= (key[1] + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
    h ^= (key[2] + 0x165667B19E3779F9ull) * 0x85EBCA77C2B2AE63ull;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }

  void grow() {
    Table slots(m_slots.size() * 2);
    const std::size_t mask = slots.size() - 1;
    for (const Slot& s : m_slots) {
      if (s.index < 0) continue;
      std::size_t slot = hash(s.key) & mask;
      while (slots[slot].index >= 0) slot = (slot + 1) & mask;
      slots[slot] = s;
    }
    m_slots.swap(slots);
  }

  // Large and read at random: huge pages spare most of its address
  // translation misses.
  using Table = std::vector<Slot, HugePageAllocator<Slot>>;
  Table m_slots;
  std::vector<Slot> m_recent;
  MeshVector<float>& m_positions;
};

}  // namespace vex3d::native
