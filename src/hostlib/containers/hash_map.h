#pragma once
// CHashMap: key -> value with the slot layout, probing and growth described
// in hash_core.h. Values live in the slots; pointers and references to them
// stay valid until the next insertion (which may rebuild the table).
#include <cstdint>
#include <utility>

#include "hostlib/containers/hash_core.h"

template <class K, class V, class Traits = CHashKeyTraits<K>>
class CHashMap {
  using Core = vex3d::detail::HashCore<K, V, Traits>;
  using Slot = typename Core::Slot;

 public:
  // What iteration yields: `for (auto [key, value] : map)` binds a const
  // key and a modifiable value.
  template <class Value>
  struct Entry {
    const K& key;
    Value& value;
  };
  struct MutableOf {
    Entry<V> operator()(Slot& s) const { return {s.key, s.value}; }
  };
  struct ConstOf {
    Entry<const V> operator()(const Slot& s) const { return {s.key, s.value}; }
  };
  using iterator = vex3d::detail::UsedSlotIterator<Slot, MutableOf>;
  using const_iterator = vex3d::detail::UsedSlotIterator<const Slot, ConstOf>;

  explicit CHashMap(std::uint32_t slots = vex3d::kDefaultHashSize) : m_core(slots) {}

  // Empties the map and gives it exactly `slots` slots (callers pass primes).
  void InitHashTable(std::uint32_t slots) { m_core.Init(slots); }
  // Empties the map, keeping its slot count.
  void Clear() { m_core.Clear(); }
  void Rebuild(std::uint32_t slots) { m_core.Rebuild(slots); }

  // True when the key is new; an existing key gets the new value.
  bool Insert(const K& key, V value) {
    bool added = false;
    const std::uint32_t slot = m_core.Insert(key, added);
    m_core.At(slot).value = std::move(value);
    return added;
  }
  // The value of `key`, inserted value-initialised when absent.
  V& operator[](const K& key) {
    bool added = false;
    return m_core.At(m_core.Insert(key, added)).value;
  }

  V* Find(const K& key) {
    const std::uint32_t slot = m_core.Find(key);
    return slot == Core::npos ? nullptr : &m_core.At(slot).value;
  }
  const V* Find(const K& key) const {
    const std::uint32_t slot = m_core.Find(key);
    return slot == Core::npos ? nullptr : &m_core.At(slot).value;
  }
  bool Lookup(const K& key, V& value) const {
    const V* found = Find(key);
    if (found == nullptr) return false;
    value = *found;
    return true;
  }
  bool Contains(const K& key) const { return m_core.Find(key) != Core::npos; }
  // A hint that `key` is looked up or inserted soon.
  void Prefetch(const K& key) const { m_core.Prefetch(key); }
  bool Remove(const K& key) { return m_core.Remove(key); }

  int GetCount() const { return static_cast<int>(m_core.UsedCount()); }
  bool IsEmpty() const { return m_core.UsedCount() == 0; }
  std::uint32_t GetSize() const { return m_core.SlotCount(); }
  std::uint32_t GetRemovedCount() const { return m_core.RemovedCount(); }

  // Slot-order walk:
  //   for (auto pos = m.GetFirst(k, v); pos; pos = m.GetNext(pos, k, v))
  // or, for values that are not copied, through the position alone:
  //   for (auto pos = m.GetFirst(); pos; pos = m.GetNext(pos)) m.GetValueAt(pos)
  // Removing the entry just returned is allowed during the walk.
  vex3d::HashPosition GetFirst() const { return position(m_core.NextUsed(0)); }
  vex3d::HashPosition GetNext(vex3d::HashPosition pos) const {
    return pos ? position(m_core.NextUsed(pos.Slot() + 1)) : pos;
  }
  vex3d::HashPosition GetFirst(K& key, V& value) const { return fetch(GetFirst(), key, value); }
  vex3d::HashPosition GetNext(vex3d::HashPosition pos, K& key, V& value) const {
    return fetch(GetNext(pos), key, value);
  }
  // The entry at a position returned by the walk (and not removed since).
  const K& GetKeyAt(vex3d::HashPosition pos) const { return usedAt(pos).key; }
  V& GetValueAt(vex3d::HashPosition pos) {
    usedAt(pos);
    return m_core.At(pos.Slot()).value;
  }
  const V& GetValueAt(vex3d::HashPosition pos) const { return usedAt(pos).value; }

  iterator begin() { return iterator(m_core.Begin(), m_core.End()); }
  iterator end() { return iterator(m_core.End(), m_core.End()); }
  const_iterator begin() const { return const_iterator(m_core.Begin(), m_core.End()); }
  const_iterator end() const { return const_iterator(m_core.End(), m_core.End()); }

  vex3d::HashSlotState GetSlotState(std::uint32_t slot) const { return m_core.Checked(slot).state; }
  const K* GetSlotKey(std::uint32_t slot) const {
    const Slot& s = m_core.Checked(slot);
    return s.state == vex3d::HashSlotState::used ? &s.key : nullptr;
  }

 private:
  static vex3d::HashPosition position(std::uint32_t slot) {
    return slot == Core::npos ? vex3d::HashPosition() : vex3d::HashPosition(slot);
  }
  vex3d::HashPosition fetch(vex3d::HashPosition pos, K& key, V& value) const {
    if (pos) {
      const Slot& s = m_core.At(pos.Slot());
      key = s.key;
      value = s.value;
    }
    return pos;
  }
  const Slot& usedAt(vex3d::HashPosition pos) const {
    const Slot& s = m_core.Checked(pos.Slot());
    if (s.state != vex3d::HashSlotState::used)
      AfxThrowInvalidArgException("no entry at this position");
    return s;
  }

  Core m_core;
};
