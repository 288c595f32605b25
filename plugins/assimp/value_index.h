#pragma once
// Numbers one value per distinct content, in order of first use, so that a
// channel stores each value once and its faces point at it. Values are
// words compared by their bits: files do hold NaN, under which comparing
// the floats themselves is no equality at all.
//
// Open addressing over one flat slot array: a mesh of a million vertices
// costs a million probes in two arrays, where a node-based map allocated,
// and later freed, a node per value. The slots take huge pages, which
// spare the probes, scattered over megabytes, most of their TLB misses.
#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

#include "hostlib/containers/huge_pages.h"

namespace vex3d::assimp {

template <std::size_t N>
class ValueIndex {
 public:
  using Key = std::array<std::uint32_t, N>;

  // Room for `count` distinct values before the table grows.
  void Reserve(std::size_t count) {
    m_values.reserve(count);
    if (count * 2 > m_slots.size()) rehash(count * 2);
  }

  int Add(const Key& key) {
    if ((m_values.size() + 1) * 2 > m_slots.size())
      rehash(std::max<std::size_t>(16, m_slots.size() * 2));
    const std::uint64_t hash = hashOf(key);
    // The slot keeps the hash's high half, so that a probe compares the
    // value itself only on a likely match.
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    for (std::size_t i = hash & m_mask;; i = (i + 1) & m_mask) {
      Slot& slot = m_slots[i];
      if (slot.index < 0) {
        if (m_values.size() >= static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
        slot = {tag, static_cast<std::int32_t>(m_values.size())};
        m_values.push_back(key);
        return slot.index;
      }
      if (slot.tag == tag && m_values[static_cast<std::size_t>(slot.index)] == key)
        return slot.index;
    }
  }

  const std::vector<Key>& Values() const { return m_values; }
  // The values stay; a later Add builds the table again.
  void ReleaseTable() {
    Slots().swap(m_slots);
    m_mask = 0;
  }

 private:
  struct Slot {
    std::uint32_t tag = 0;
    std::int32_t index = -1;
  };

  static std::uint64_t hashOf(const Key& key) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (std::uint32_t word : key) {
      h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
      h ^= h >> 31;
    }
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 29);
  }

  // A power of two at least `wanted`; every value is placed again.
  void rehash(std::size_t wanted) {
    std::size_t size = 16;
    while (size < wanted) size *= 2;
    if (size <= m_slots.size()) return;
    m_slots.assign(size, Slot{});
    m_mask = size - 1;
    for (std::size_t v = 0; v < m_values.size(); ++v) {
      const std::uint64_t hash = hashOf(m_values[v]);
      std::size_t i = hash & m_mask;
      while (m_slots[i].index >= 0) i = (i + 1) & m_mask;
      m_slots[i] = {static_cast<std::uint32_t>(hash >> 32), static_cast<std::int32_t>(v)};
    }
  }

  using Slots = std::vector<Slot, vex3d::HugePageAllocator<Slot>>;
  Slots m_slots;
  std::vector<Key> m_values;
  std::size_t m_mask = 0;
};

}  // namespace vex3d::assimp
