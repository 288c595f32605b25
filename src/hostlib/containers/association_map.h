#pragma once
// CAssociationMap: key -> list of 32-bit values, e.g. an edge and the faces
// that have it. Each list keeps 16-bit count and capacity, so a key holds at
// most 65535 values. Slot layout, probing and growth are those of
// hash_core.h.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include "hostlib/containers/hash_core.h"

namespace vex3d {

class AssociationList {
 public:
  static constexpr int kMaxCount = std::numeric_limits<std::uint16_t>::max();
  // Most keys are edges with one or two faces: those values live in the
  // slot itself, so a mesh's edge table costs no allocation per edge.
  static constexpr int kInline = 2;

  AssociationList() = default;
  AssociationList(const AssociationList& other) { *this = other; }
  AssociationList& operator=(const AssociationList& other) {
    if (this == &other) return *this;
    AssociationList copy;
    copy.Reserve(other.m_count);
    std::memcpy(copy.GetData(), other.GetData(), other.m_count * sizeof(std::int32_t));
    copy.m_count = other.m_count;
    *this = std::move(copy);
    return *this;
  }
  AssociationList(AssociationList&& other) noexcept { *this = std::move(other); }
  AssociationList& operator=(AssociationList&& other) noexcept {
    if (this == &other) return *this;
    release();
    m_storage = other.m_storage;
    m_count = std::exchange(other.m_count, 0);
    m_capacity = std::exchange(other.m_capacity, static_cast<std::uint16_t>(kInline));
    return *this;
  }
  ~AssociationList() { release(); }

  int GetCount() const { return m_count; }
  int GetCapacity() const { return m_capacity; }
  std::int32_t* GetData() { return onHeap() ? m_storage.heap : m_storage.inline_; }
  const std::int32_t* GetData() const { return onHeap() ? m_storage.heap : m_storage.inline_; }

  // False when the list is full.
  bool Add(std::int32_t value) {
    if (m_count == m_capacity) {
      if (m_count == kMaxCount) return false;
      Reserve(std::min(kMaxCount, 2 * static_cast<int>(m_capacity)));
    }
    GetData()[m_count++] = value;
    return true;
  }
  // Removes the first occurrence, keeping the order of the others.
  bool Remove(std::int32_t value) {
    std::int32_t* begin = GetData();
    std::int32_t* end = begin + m_count;
    std::int32_t* found = std::find(begin, end, value);
    if (found == end) return false;
    std::copy(found + 1, end, found);
    --m_count;
    return true;
  }
  // Room for `capacity` values (at most 65535) without reallocation.
  void Reserve(int capacity) {
    capacity = std::min(capacity, kMaxCount);
    if (capacity <= m_capacity) return;
    auto* grown = new std::int32_t[static_cast<std::size_t>(capacity)];
    if (m_count > 0) std::memcpy(grown, GetData(), m_count * sizeof(std::int32_t));
    release();
    m_storage.heap = grown;
    m_capacity = static_cast<std::uint16_t>(capacity);
  }

 private:
  bool onHeap() const { return m_capacity > kInline; }
  void release() {
    if (onHeap()) delete[] m_storage.heap;
    m_capacity = kInline;
  }

  union Storage {
    std::int32_t* heap;
    std::int32_t inline_[kInline];
  } m_storage{};
  std::uint16_t m_count = 0;
  std::uint16_t m_capacity = kInline;
};

}  // namespace vex3d

template <class K, class Traits = CHashKeyTraits<K>>
class CAssociationMap {
  using List = vex3d::AssociationList;
  using Core = vex3d::detail::HashCore<K, List, Traits>;
  using Slot = typename Core::Slot;

 public:
  struct Entry {
    const K& key;
    const std::int32_t* values;
    int count;
  };
  struct EntryOf {
    Entry operator()(const Slot& s) const { return {s.key, s.value.GetData(), s.value.GetCount()}; }
  };
  using iterator = vex3d::detail::UsedSlotIterator<const Slot, EntryOf>;

  explicit CAssociationMap(std::uint32_t slots = vex3d::kDefaultHashSize) : m_core(slots) {}

  // Empties the map and gives it exactly `slots` slots (callers pass primes).
  void InitHashTable(std::uint32_t slots) { m_core.Init(slots); }
  void Clear() { m_core.Clear(); }
  // Re-inserts the keys in slot order into `slots` slots (more when they
  // would not stay under half full); lists move with their keys.
  void Rebuild(std::uint32_t slots) { m_core.Rebuild(slots); }

  // Appends `value` to the list of `key`, adding the key when absent. False
  // when the key's list already holds 65535 values.
  bool Add(const K& key, std::int32_t value) {
    bool added = false;
    return m_core.At(m_core.Insert(key, added)).value.Add(value);
  }
  // Adds the key when absent and makes room for `capacity` values.
  void Reserve(const K& key, int capacity) {
    bool added = false;
    m_core.At(m_core.Insert(key, added)).value.Reserve(capacity);
  }

  // The values of `key` in the order they were added; null with count 0
  // when the key is absent (a present key may have an empty list).
  const std::int32_t* GetValues(const K& key, int& count) const {
    const std::uint32_t slot = m_core.Find(key);
    if (slot == Core::npos) {
      count = 0;
      return nullptr;
    }
    const List& list = m_core.At(slot).value;
    count = list.GetCount();
    return list.GetData();
  }
  std::int32_t* GetValues(const K& key, int& count) {
    return const_cast<std::int32_t*>(std::as_const(*this).GetValues(key, count));
  }
  bool Contains(const K& key) const { return m_core.Find(key) != Core::npos; }

  // Removes the first occurrence of `value` from the key's list; the key
  // stays, possibly with an empty list.
  bool RemoveValue(const K& key, std::int32_t value) {
    const std::uint32_t slot = m_core.Find(key);
    return slot != Core::npos && m_core.At(slot).value.Remove(value);
  }
  bool RemoveKey(const K& key) { return m_core.Remove(key); }

  int GetCount() const { return static_cast<int>(m_core.UsedCount()); }
  bool IsEmpty() const { return m_core.UsedCount() == 0; }
  std::uint32_t GetSize() const { return m_core.SlotCount(); }
  std::uint32_t GetRemovedCount() const { return m_core.RemovedCount(); }

  // Slot-order walk:
  //   for (auto pos = m.GetFirst(k, v, n); pos; pos = m.GetNext(pos, k, v, n))
  vex3d::HashPosition GetFirst(K& key, const std::int32_t*& values, int& count) const {
    return fetch(m_core.NextUsed(0), key, values, count);
  }
  vex3d::HashPosition GetNext(vex3d::HashPosition pos, K& key, const std::int32_t*& values,
                              int& count) const {
    return pos ? fetch(m_core.NextUsed(pos.Slot() + 1), key, values, count) : pos;
  }

  iterator begin() const { return iterator(m_core.Begin(), m_core.End()); }
  iterator end() const { return iterator(m_core.End(), m_core.End()); }

  vex3d::HashSlotState GetSlotState(std::uint32_t slot) const { return m_core.Checked(slot).state; }
  const K* GetSlotKey(std::uint32_t slot) const {
    const Slot& s = m_core.Checked(slot);
    return s.state == vex3d::HashSlotState::used ? &s.key : nullptr;
  }

 private:
  vex3d::HashPosition fetch(std::uint32_t slot, K& key, const std::int32_t*& values,
                            int& count) const {
    if (slot == Core::npos) return {};
    const Slot& s = m_core.At(slot);
    key = s.key;
    values = s.value.GetData();
    count = s.value.GetCount();
    return vex3d::HashPosition(slot);
  }

  Core m_core;
};
