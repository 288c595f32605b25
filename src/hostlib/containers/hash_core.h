#pragma once
// Slot array shared by CHashTable, CHashMap and CAssociationMap.
//
// Open addressing in one array of slots, each used, empty or removed. A key's
// home slot is its hash modulo the slot count; probing visits home + 1,
// home + 4, home + 9, ... (home + i*i) modulo the slot count. Removing a key
// only marks its slot removed, so that probe chains through it stay intact;
// an insertion reuses the first removed slot of its chain.
//
// After an insertion that fills an empty slot, the table is rebuilt when
// used + removed slots reach half the slot count (2 * (used + removed) >=
// slots), with max(101, NextPrime(2 * slots)) slots; the rebuild re-inserts
// the keys in old slot order and drops the removed marks. Iteration follows
// slot order, which therefore depends only on the keys and on the history of
// insertions and removals.
//
// A table with 0 slots (moved from, or InitHashTable(0)) holds nothing and
// takes 101 slots on its first insertion.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "hostlib/containers/hash_key.h"
#include "hostlib/containers/next_prime.h"
#include "hostlib/containers/prefetch.h"
#include "hostlib/core/exceptions.h"

namespace vex3d {

enum class HashSlotState : std::uint8_t { used = 0, empty = 1, removed = 2 };

constexpr std::uint32_t kDefaultHashSize = 101;

// Where an iteration over a hash table stands: the slot of the entry last
// returned. Stays valid while entries are removed, not across insertions
// (an insertion may rebuild the table).
class HashPosition {
 public:
  constexpr HashPosition() = default;
  explicit operator bool() const { return m_slot != kNone; }
  friend bool operator==(HashPosition, HashPosition) = default;

  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  constexpr explicit HashPosition(std::uint32_t slot) : m_slot(slot) {}
  std::uint32_t Slot() const { return m_slot; }

 private:
  std::uint32_t m_slot = kNone;
};

// Slot count after a table of `slots` slots reached half full.
inline std::uint32_t grownHashSize(std::uint32_t slots) {
  const std::uint64_t doubled = 2ull * slots;
  const std::uint32_t prime =
      doubled > 0xFFFFFFFFull ? 0 : NextPrime(static_cast<std::uint32_t>(doubled));
  if (prime == 0) throw std::bad_alloc();
  return std::max(kDefaultHashSize, prime);
}

namespace detail {

struct NoValue {};

template <class K, class V, class Traits>
class HashCore {
 public:
  static constexpr std::uint32_t npos = 0xFFFFFFFFu;

  struct Slot {
    K key{};
    [[no_unique_address]] V value{};
    HashSlotState state = HashSlotState::empty;
  };

  explicit HashCore(std::uint32_t slots) { Init(slots); }
  HashCore(const HashCore&) = default;
  HashCore& operator=(const HashCore&) = default;
  HashCore(HashCore&& other) noexcept { *this = std::move(other); }
  HashCore& operator=(HashCore&& other) noexcept {
    m_slots = std::exchange(other.m_slots, {});
    m_used = std::exchange(other.m_used, 0);
    m_removed = std::exchange(other.m_removed, 0);
    return *this;
  }
  ~HashCore() = default;

  // Empties the table and gives it `slots` slots, taken as they are.
  void Init(std::uint32_t slots) {
    std::vector<Slot> fresh(slots);
    m_slots.swap(fresh);
    m_used = 0;
    m_removed = 0;
  }
  void Clear() { Init(SlotCount()); }

  std::uint32_t SlotCount() const { return static_cast<std::uint32_t>(m_slots.size()); }
  std::uint32_t UsedCount() const { return m_used; }
  std::uint32_t RemovedCount() const { return m_removed; }

  Slot& At(std::uint32_t slot) { return m_slots[slot]; }
  const Slot& At(std::uint32_t slot) const { return m_slots[slot]; }
  Slot* Begin() { return m_slots.data(); }
  Slot* End() { return m_slots.data() + m_slots.size(); }
  const Slot* Begin() const { return m_slots.data(); }
  const Slot* End() const { return m_slots.data() + m_slots.size(); }

  const Slot& Checked(std::uint32_t slot) const {
    if (slot >= SlotCount()) AfxThrowInvalidArgException("hash slot out of range");
    return m_slots[slot];
  }

  // Brings the home slot of `key` towards the cache ahead of a Find or an
  // Insert, so that a run of lookups with random keys overlaps its misses.
  void Prefetch(const K& key) const {
    const std::uint32_t size = SlotCount();
    if (size != 0) prefetchForRead(&m_slots[Traits::Hash(key) % size]);
  }

  // Slot holding `key`, or npos.
  std::uint32_t Find(const K& key) const {
    const std::uint32_t size = SlotCount();
    if (size == 0) return npos;
    std::uint32_t pos = Traits::Hash(key) % size;
    for (std::uint32_t i = 1;; ++i) {
      const Slot& s = m_slots[pos];
      if (s.state == HashSlotState::empty) return npos;
      if (s.state == HashSlotState::used && Traits::Equal(s.key, key)) return pos;
      // Only a slot count that is not prime can make the chain cycle this long.
      if (i >= size) return npos;
      pos = nextProbe(pos, i, size);
    }
  }

  // Slot holding `key` after adding it when absent; `added` says which. The
  // slot is final: a rebuild caused by the insertion has already happened.
  std::uint32_t Insert(const K& key, bool& added) {
    if (m_slots.empty()) Init(kDefaultHashSize);
    for (;;) {
      const std::uint32_t size = SlotCount();
      std::uint32_t pos = Traits::Hash(key) % size;
      std::uint32_t target = npos;
      std::uint32_t firstRemoved = npos;
      for (std::uint32_t i = 1;; ++i) {
        const Slot& s = m_slots[pos];
        if (s.state == HashSlotState::empty) {
          target = firstRemoved != npos ? firstRemoved : pos;
          break;
        }
        if (s.state == HashSlotState::removed) {
          if (firstRemoved == npos) firstRemoved = pos;
        } else if (Traits::Equal(s.key, key)) {
          added = false;
          return pos;
        }
        if (i >= size) {
          target = firstRemoved;
          break;
        }
        pos = nextProbe(pos, i, size);
      }
      if (target == npos) {
        // No free slot on the chain (a slot count that is not prime).
        Rebuild(grownHashSize(size));
        continue;
      }
      Slot& slot = m_slots[target];
      if (slot.state == HashSlotState::removed) --m_removed;
      slot.key = key;
      slot.state = HashSlotState::used;
      ++m_used;
      added = true;
      if (2ull * (m_used + m_removed) >= size) {
        Rebuild(grownHashSize(size));
        target = Find(key);
      }
      return target;
    }
  }

  // Marks the slot removed and resets its key and value so that what they
  // own is released now.
  void RemoveAt(std::uint32_t slot) {
    Slot& s = m_slots[slot];
    assert(s.state == HashSlotState::used);
    s.key = K{};
    s.value = V{};
    s.state = HashSlotState::removed;
    --m_used;
    ++m_removed;
  }

  bool Remove(const K& key) {
    const std::uint32_t slot = Find(key);
    if (slot == npos) return false;
    RemoveAt(slot);
    return true;
  }

  // Re-inserts every key in slot order into `slots` slots. A count that
  // cannot take the keys (at least half full, or not prime and some probe
  // chain finds no free slot) is raised to the next prime above twice the
  // number of keys: quadratic probing in a prime table that is less than half
  // full always reaches a free slot.
  void Rebuild(std::uint32_t slots) {
    if (!canHold(slots)) {
      const std::uint64_t needed = std::max<std::uint64_t>(slots, 2ull * m_used + 1);
      const std::uint32_t prime =
          needed > 0xFFFFFFFFull ? 0 : NextPrime(static_cast<std::uint32_t>(needed));
      if (prime == 0) throw std::bad_alloc();
      slots = prime;
    }
    std::vector<Slot> old(slots);
    old.swap(m_slots);
    m_used = 0;
    m_removed = 0;
    for (Slot& s : old) {
      if (s.state == HashSlotState::used) place(std::move(s));
    }
  }

  // First used slot at or after `slot`, or npos.
  std::uint32_t NextUsed(std::uint32_t slot) const {
    const std::uint32_t size = SlotCount();
    for (; slot < size; ++slot) {
      if (m_slots[slot].state == HashSlotState::used) return slot;
    }
    return npos;
  }

 private:
  static std::uint32_t nextProbe(std::uint32_t pos, std::uint32_t i, std::uint32_t size) {
    // (home + i*i) - (home + (i-1)*(i-1)) = 2i - 1
    return static_cast<std::uint32_t>((pos + 2ull * i - 1) % size);
  }

  bool canHold(std::uint32_t slots) const {
    if (2ull * m_used >= slots) return false;
    if (vex3d::isPrime(slots)) return true;
    std::vector<bool> taken(slots);
    for (const Slot& s : m_slots) {
      if (s.state != HashSlotState::used) continue;
      std::uint32_t pos = Traits::Hash(s.key) % slots;
      for (std::uint32_t i = 1; taken[pos]; ++i) {
        if (i >= slots) return false;
        pos = nextProbe(pos, i, slots);
      }
      taken[pos] = true;
    }
    return true;
  }

  void place(Slot&& entry) {
    const std::uint32_t size = SlotCount();
    std::uint32_t pos = Traits::Hash(entry.key) % size;
    for (std::uint32_t i = 1; m_slots[pos].state != HashSlotState::empty; ++i) {
      assert(i < size);
      pos = nextProbe(pos, i, size);
    }
    m_slots[pos] = std::move(entry);
    ++m_used;
  }

  std::vector<Slot> m_slots;
  std::uint32_t m_used = 0;
  std::uint32_t m_removed = 0;
};

// Forward iterator over the used slots of a HashCore, in slot order.
template <class Slot, class Deref>
class UsedSlotIterator {
 public:
  using iterator_category = std::forward_iterator_tag;
  using difference_type = std::ptrdiff_t;
  using reference = decltype(Deref{}(std::declval<Slot&>()));
  using value_type = std::remove_cvref_t<reference>;

  UsedSlotIterator() = default;
  UsedSlotIterator(Slot* cur, Slot* end) : m_cur(cur), m_end(end) { skip(); }

  reference operator*() const { return Deref{}(*m_cur); }
  UsedSlotIterator& operator++() {
    ++m_cur;
    skip();
    return *this;
  }
  UsedSlotIterator operator++(int) {
    UsedSlotIterator before = *this;
    ++*this;
    return before;
  }
  bool operator==(const UsedSlotIterator& other) const { return m_cur == other.m_cur; }

 private:
  void skip() {
    while (m_cur != m_end && m_cur->state != HashSlotState::used) ++m_cur;
  }
  Slot* m_cur = nullptr;
  Slot* m_end = nullptr;
};

}  // namespace detail
}  // namespace vex3d
