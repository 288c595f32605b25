#pragma once
// CHashTable: a hash set with the slot layout, probing and growth described
// in hash_core.h.
#include <cstdint>

#include "hostlib/containers/hash_core.h"

template <class K, class Traits = CHashKeyTraits<K>>
class CHashTable {
  using Core = vex3d::detail::HashCore<K, vex3d::detail::NoValue, Traits>;
  using Slot = typename Core::Slot;
  struct KeyOf {
    const K& operator()(const Slot& s) const { return s.key; }
  };

 public:
  using iterator = vex3d::detail::UsedSlotIterator<const Slot, KeyOf>;

  explicit CHashTable(std::uint32_t slots = vex3d::kDefaultHashSize) : m_core(slots) {}

  // Empties the table and gives it exactly `slots` slots (callers pass primes).
  void InitHashTable(std::uint32_t slots) { m_core.Init(slots); }
  // Empties the table, keeping its slot count.
  void Clear() { m_core.Clear(); }
  // Re-inserts the keys in slot order into `slots` slots (more when they
  // would not stay under half full).
  void Rebuild(std::uint32_t slots) { m_core.Rebuild(slots); }

  // True when the key was not there yet.
  bool Insert(const K& key) {
    bool added = false;
    m_core.Insert(key, added);
    return added;
  }
  // The stored key equal to `key`, or null.
  const K* Find(const K& key) const {
    const std::uint32_t slot = m_core.Find(key);
    return slot == Core::npos ? nullptr : &m_core.At(slot).key;
  }
  bool Contains(const K& key) const { return m_core.Find(key) != Core::npos; }
  bool Remove(const K& key) { return m_core.Remove(key); }

  int GetCount() const { return static_cast<int>(m_core.UsedCount()); }
  bool IsEmpty() const { return m_core.UsedCount() == 0; }
  std::uint32_t GetSize() const { return m_core.SlotCount(); }
  std::uint32_t GetRemovedCount() const { return m_core.RemovedCount(); }

  // Slot-order walk: for (auto pos = t.GetFirst(k); pos; pos = t.GetNext(pos, k)).
  // Removing the key just returned is allowed during the walk.
  vex3d::HashPosition GetFirst(K& key) const { return fetch(m_core.NextUsed(0), key); }
  vex3d::HashPosition GetNext(vex3d::HashPosition pos, K& key) const {
    return pos ? fetch(m_core.NextUsed(pos.Slot() + 1), key) : pos;
  }

  iterator begin() const { return iterator(m_core.Begin(), m_core.End()); }
  iterator end() const { return iterator(m_core.End(), m_core.End()); }

  vex3d::HashSlotState GetSlotState(std::uint32_t slot) const { return m_core.Checked(slot).state; }
  // Key in a used slot, null for an empty or removed one.
  const K* GetSlotKey(std::uint32_t slot) const {
    const Slot& s = m_core.Checked(slot);
    return s.state == vex3d::HashSlotState::used ? &s.key : nullptr;
  }

 private:
  vex3d::HashPosition fetch(std::uint32_t slot, K& key) const {
    if (slot == Core::npos) return {};
    key = m_core.At(slot).key;
    return vex3d::HashPosition(slot);
  }

  Core m_core;
};
