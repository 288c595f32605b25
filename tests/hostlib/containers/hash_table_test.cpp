#include "hostlib/containers/hash_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "hostlib/containers/association_map.h"
#include "hostlib/containers/hash_map.h"
#include "hostlib/containers/int_map.h"
#include "hostlib/containers/next_prime.h"

namespace {

using vex3d::HashSlotState;

// An edge as the mesh code stores it: two point indices, the smaller first.
struct CEdgeKey {
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  bool operator==(const CEdgeKey&) const = default;
  std::uint32_t HashKey() const { return vex3d::edgeKeyHash(first, second); }
};

// The same edge, hashed through a traits specialisation instead of a member.
struct CPlainEdge {
  std::uint32_t a = 0;
  std::uint32_t b = 0;
  bool operator==(const CPlainEdge&) const = default;
};

}  // namespace

template <>
struct CHashKeyTraits<CPlainEdge> : vex3d::HashKeyEquality<CPlainEdge> {
  static std::uint32_t Hash(const CPlainEdge& e) { return vex3d::edgeKeyHash(e.a, e.b); }
};

namespace {

template <class Table>
std::vector<int> usedSlots(const Table& t) {
  std::vector<int> slots;
  for (std::uint32_t i = 0; i < t.GetSize(); ++i) {
    if (t.GetSlotState(i) == HashSlotState::used) slots.push_back(static_cast<int>(i));
  }
  return slots;
}

TEST(NextPrime, SmallestPrimeNotBelow) {
  EXPECT_EQ(NextPrime(0), 2u);
  EXPECT_EQ(NextPrime(1), 2u);
  EXPECT_EQ(NextPrime(2), 2u);
  EXPECT_EQ(NextPrime(4), 5u);
  EXPECT_EQ(NextPrime(25), 29u);  // squares of primes are not prime
  EXPECT_EQ(NextPrime(49), 53u);
  EXPECT_EQ(NextPrime(101), 101u);
  EXPECT_EQ(NextPrime(102), 103u);
  EXPECT_EQ(NextPrime(202), 211u);
  EXPECT_EQ(NextPrime(100000000), 100000007u);
  EXPECT_EQ(NextPrime(4294967291u), 4294967291u);
  EXPECT_EQ(NextPrime(4294967292u), 0u);
}

TEST(HashTable, IntegerKeysSitAtSixteenTimesKeyModSize) {
  CHashTable<int> t;
  ASSERT_EQ(t.GetSize(), 101u);
  for (std::uint32_t i = 0; i < 101; ++i) ASSERT_EQ(t.GetSlotState(i), HashSlotState::empty);
  t.Insert(0);
  t.Insert(7);   // 112 mod 101
  t.Insert(-1);  // 0xFFFFFFF0 mod 101
  t.Insert(82);  // 1312 mod 101: the last slot
  EXPECT_EQ(*t.GetSlotKey(0), 0);
  EXPECT_EQ(*t.GetSlotKey(11), 7);
  EXPECT_EQ(*t.GetSlotKey(52), -1);
  EXPECT_EQ(*t.GetSlotKey(100), 82);
  EXPECT_EQ(usedSlots(t), (std::vector<int>{0, 11, 52, 100}));
  // INT_MAX * 16 wraps to the same 32-bit value as -1 * 16.
  t.Insert(INT_MAX);
  EXPECT_EQ(*t.GetSlotKey(53), INT_MAX);
  EXPECT_THROW(t.GetSlotState(101), CInvalidArgException);
}

TEST(HashTable, CollisionsProbeQuadraticallyAndWrap) {
  CHashTable<int> t;
  // 1, 102, 203, 304, 405 all start at slot 16.
  for (int k : {1, 102, 203, 304, 405}) EXPECT_TRUE(t.Insert(k));
  EXPECT_EQ(*t.GetSlotKey(16), 1);
  EXPECT_EQ(*t.GetSlotKey(17), 102);  // + 1
  EXPECT_EQ(*t.GetSlotKey(20), 203);  // + 4
  EXPECT_EQ(*t.GetSlotKey(25), 304);  // + 9
  EXPECT_EQ(*t.GetSlotKey(32), 405);  // + 16
  // 82, 183, 284 start at slot 100 and wrap to 0 and 3.
  for (int k : {82, 183, 284}) t.Insert(k);
  EXPECT_EQ(*t.GetSlotKey(100), 82);
  EXPECT_EQ(*t.GetSlotKey(0), 183);
  EXPECT_EQ(*t.GetSlotKey(3), 284);
  EXPECT_FALSE(t.Insert(203));
  EXPECT_EQ(t.GetCount(), 8);
  for (int k : {1, 102, 203, 304, 405, 82, 183, 284}) EXPECT_TRUE(t.Contains(k)) << k;
  EXPECT_FALSE(t.Contains(506));
}

TEST(HashTable, RemovalMarksSlotAndInsertionReusesIt) {
  CHashTable<int> t;
  for (int k : {1, 102, 203}) t.Insert(k);
  EXPECT_TRUE(t.Remove(1));
  EXPECT_FALSE(t.Remove(1));
  EXPECT_EQ(t.GetSlotState(16), HashSlotState::removed);
  EXPECT_EQ(t.GetSlotKey(16), nullptr);
  EXPECT_EQ(t.GetRemovedCount(), 1u);
  // Keys further down the chain are still found through the removed slot.
  EXPECT_TRUE(t.Contains(102));
  EXPECT_TRUE(t.Contains(203));
  // A present key is not inserted again into the removed slot.
  EXPECT_FALSE(t.Insert(203));
  EXPECT_EQ(t.GetSlotState(16), HashSlotState::removed);
  // A new key of the chain takes the first removed slot.
  EXPECT_TRUE(t.Insert(304));
  EXPECT_EQ(*t.GetSlotKey(16), 304);
  EXPECT_EQ(t.GetRemovedCount(), 0u);
  EXPECT_EQ(usedSlots(t), (std::vector<int>{16, 17, 20}));
}

TEST(HashTable, IterationFollowsSlotOrder) {
  CHashTable<int> t;
  for (int k : {203, 7, 1, 102, 0}) t.Insert(k);
  // Slots: 0 -> 0, 7 -> 11, 203 -> 16, 1 -> 17, 102 -> 20.
  const std::vector<int> expected{0, 7, 203, 1, 102};
  std::vector<int> walked;
  int key = -5;
  for (auto pos = t.GetFirst(key); pos; pos = t.GetNext(pos, key)) walked.push_back(key);
  EXPECT_EQ(walked, expected);
  std::vector<int> ranged(t.begin(), t.end());
  EXPECT_EQ(ranged, expected);
  // Removing the key just returned does not disturb the walk.
  walked.clear();
  for (auto pos = t.GetFirst(key); pos; pos = t.GetNext(pos, key)) {
    walked.push_back(key);
    if (key == 203) t.Remove(key);
  }
  EXPECT_EQ(walked, expected);
  EXPECT_EQ(std::vector<int>(t.begin(), t.end()), (std::vector<int>{0, 7, 1, 102}));
  CHashTable<int> empty;
  EXPECT_FALSE(empty.GetFirst(key));
  EXPECT_EQ(empty.begin(), empty.end());
}

TEST(HashTable, RebuildsWhenUsedAndRemovedReachHalf) {
  CHashTable<int> t;
  for (int k = 0; k < 50; ++k) t.Insert(k);
  EXPECT_EQ(t.GetSize(), 101u);  // 2 * 50 < 101
  t.Remove(0);
  t.Remove(1);
  EXPECT_EQ(t.GetSize(), 101u);  // removal never rebuilds
  // 48 used + 2 removed + 1 new = 51: 2 * 51 >= 101.
  t.Insert(50);
  EXPECT_EQ(t.GetSize(), 211u);  // NextPrime(202)
  EXPECT_EQ(t.GetCount(), 49);
  EXPECT_EQ(t.GetRemovedCount(), 0u);
  for (std::uint32_t i = 0; i < 211; ++i) ASSERT_NE(t.GetSlotState(i), HashSlotState::removed);
  EXPECT_EQ(*t.GetSlotKey(13), 14);   // 224 mod 211
  EXPECT_EQ(*t.GetSlotKey(167), 50);  // 800 mod 211
  EXPECT_EQ(t.GetSlotKey(0), nullptr);
}

TEST(HashTable, RebuildReinsertsInOldSlotOrder) {
  CHashTable<int> t;
  t.Insert(5);    // slot 80
  t.Insert(216);  // slot 22, before 5 in slot order
  // 49 keys that meet neither of them in either table size.
  for (int k = 1; k <= 51; ++k) {
    if (k == 5 || k == 14) continue;
    EXPECT_EQ(t.GetSize(), 101u) << k;
    t.Insert(k);
  }
  ASSERT_EQ(t.GetSize(), 211u);
  // Both start at 80 in 211 slots; 216 was met first.
  EXPECT_EQ(*t.GetSlotKey(80), 216);
  EXPECT_EQ(*t.GetSlotKey(81), 5);
}

TEST(HashTable, GivenSizeIsUsedAsIsAndTinyTablesGrow) {
  CHashTable<unsigned int> t(7);
  EXPECT_EQ(t.GetSize(), 7u);
  t.Insert(1);  // 16 mod 7 = 2
  EXPECT_EQ(*t.GetSlotKey(2), 1u);
  t.Insert(2);  // 32 mod 7 = 4
  EXPECT_EQ(t.GetSize(), 7u);
  t.Insert(3);  // 3 used: 6 < 7
  EXPECT_EQ(t.GetSize(), 7u);
  t.Insert(4);  // 8 >= 7: max(101, NextPrime(14))
  EXPECT_EQ(t.GetSize(), 101u);
  t.InitHashTable(0);
  EXPECT_EQ(t.GetSize(), 0u);
  EXPECT_FALSE(t.Contains(1));
  t.Insert(9);
  EXPECT_EQ(t.GetSize(), 101u);
  // In 16 slots every key starts at 0 and probing reaches only 0, 1, 4, 9.
  t.InitHashTable(16);
  for (unsigned k : {1u, 2u, 3u, 4u}) t.Insert(k);
  EXPECT_EQ(t.GetSize(), 16u);
  EXPECT_EQ(usedSlots(t), (std::vector<int>{0, 1, 4, 9}));
  t.Insert(5);  // no free slot on its chain
  EXPECT_EQ(t.GetSize(), 101u);
  t.Remove(5);
  t.Rebuild(16);
  EXPECT_EQ(t.GetSize(), 16u);
  t.Remove(4);
  t.Rebuild(16);  // three keys fit as they are
  EXPECT_EQ(usedSlots(t), (std::vector<int>{0, 1, 4}));
  t.Insert(4);
  t.Insert(5);
  t.Rebuild(16);  // five keys do not: the next prime that can hold them
  EXPECT_EQ(t.GetSize(), 17u);
  // A slot count that is not prime still takes every key.
  t.InitHashTable(100);
  for (unsigned k = 0; k < 300; ++k) t.Insert(k * 25);
  for (unsigned k = 0; k < 300; ++k) ASSERT_TRUE(t.Contains(k * 25));
  EXPECT_EQ(t.GetCount(), 300);
}

// The hash rules written out literally, to compare whole slot tables after
// long random sequences.
class ReferenceTable {
 public:
  explicit ReferenceTable(std::uint32_t size) : m_state(size, 1), m_key(size, 0) {}
  std::uint32_t size() const { return static_cast<std::uint32_t>(m_state.size()); }
  int state(std::uint32_t i) const { return m_state[i]; }
  int key(std::uint32_t i) const { return m_key[i]; }

  void insert(int k) {
    std::uint32_t firstRemoved = UINT32_MAX;
    for (std::uint64_t i = 0;; ++i) {
      const auto pos = static_cast<std::uint32_t>((home(k) + i * i) % size());
      if (m_state[pos] == 1) {
        put(firstRemoved != UINT32_MAX ? firstRemoved : pos, k);
        break;
      }
      if (m_state[pos] == 2 && firstRemoved == UINT32_MAX) firstRemoved = pos;
      if (m_state[pos] == 0 && m_key[pos] == k) return;
    }
    int busy = 0;
    for (int s : m_state) busy += s != 1;
    if (busy * 2 >= static_cast<int>(size())) {
      ReferenceTable grown(std::max<std::uint32_t>(101, NextPrime(2 * size())));
      for (std::uint32_t i = 0; i < size(); ++i) {
        if (m_state[i] == 0) grown.insert(m_key[i]);
      }
      *this = grown;
    }
  }
  void remove(int k) {
    for (std::uint64_t i = 0; i < size(); ++i) {
      const auto pos = static_cast<std::uint32_t>((home(k) + i * i) % size());
      if (m_state[pos] == 1) return;
      if (m_state[pos] == 0 && m_key[pos] == k) {
        m_state[pos] = 2;
        return;
      }
    }
  }

 private:
  std::uint32_t home(int k) const { return static_cast<std::uint32_t>(k) * 16u % size(); }
  void put(std::uint32_t pos, int k) {
    m_state[pos] = 0;
    m_key[pos] = k;
  }
  std::vector<int> m_state;
  std::vector<int> m_key;
};

TEST(HashTable, MatchesLiteralRulesOverRandomSequences) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 20; ++round) {
    CHashTable<int> t;
    ReferenceTable ref(101);
    // Keys from a small range make collisions, re-insertions and removals of
    // present keys frequent.
    std::uniform_int_distribution<int> keyDist(-300, 3000);
    for (int step = 0; step < 600; ++step) {
      const int k = keyDist(rng);
      if (rng() % 3 == 0) {
        t.Remove(k);
        ref.remove(k);
      } else {
        t.Insert(k);
        ref.insert(k);
      }
    }
    ASSERT_EQ(t.GetSize(), ref.size());
    for (std::uint32_t i = 0; i < ref.size(); ++i) {
      ASSERT_EQ(static_cast<int>(t.GetSlotState(i)), ref.state(i)) << "slot " << i;
      if (ref.state(i) == 0) {
        ASSERT_EQ(*t.GetSlotKey(i), ref.key(i)) << "slot " << i;
      }
    }
  }
}

TEST(HashTable, EdgeKeysUseTheirOwnHash) {
  CHashTable<CEdgeKey> t;
  t.Insert({3, 7});  // 3 * 24576 + 7 * 8325 = 132003, mod 101
  t.Insert({7, 3});
  EXPECT_EQ(*t.GetSlotKey(97), (CEdgeKey{3, 7}));
  EXPECT_EQ(*t.GetSlotKey(57), (CEdgeKey{7, 3}));
  // The products overflow 32 bits and wrap.
  t.Insert({200000, 300000});
  EXPECT_EQ(*t.GetSlotKey(64), (CEdgeKey{200000, 300000}));

  CHashTable<CPlainEdge> plain;
  plain.Insert({3, 7});
  EXPECT_EQ(plain.GetSlotKey(97)->b, 7u);
}

TEST(HashMap, InsertReplacesAndWalksInSlotOrder) {
  CHashMap<unsigned int, int> m;
  EXPECT_TRUE(m.Insert(102, 20));
  EXPECT_TRUE(m.Insert(1, 10));
  EXPECT_FALSE(m.Insert(102, 21));  // replaced, stays in slot 16
  EXPECT_EQ(m.GetCount(), 2);
  EXPECT_EQ(*m.GetSlotKey(16), 102u);
  EXPECT_EQ(*m.GetSlotKey(17), 1u);
  m[0] = 5;
  ++m[0];
  int v = 0;
  EXPECT_TRUE(m.Lookup(0, v));
  EXPECT_EQ(v, 6);
  EXPECT_FALSE(m.Lookup(3, v));
  EXPECT_EQ(m.Find(3), nullptr);
  EXPECT_EQ(m[3], 0);  // operator[] inserts a default value
  EXPECT_EQ(m.GetCount(), 4);

  std::vector<std::pair<unsigned, int>> walked;
  unsigned k = 0;
  for (auto pos = m.GetFirst(k, v); pos; pos = m.GetNext(pos, k, v)) walked.emplace_back(k, v);
  // 0 -> slot 0, 3 -> 48, 102 -> 16, 1 -> 17.
  const std::vector<std::pair<unsigned, int>> expected{{0, 6}, {102, 21}, {1, 10}, {3, 0}};
  EXPECT_EQ(walked, expected);
  for (auto [key, value] : m) value += static_cast<int>(key);
  EXPECT_EQ(*m.Find(102), 123);
  EXPECT_TRUE(m.Remove(102));
  EXPECT_EQ(m.GetSlotState(16), HashSlotState::removed);
  EXPECT_EQ(*m.Find(1), 11);  // reached through the removed slot
  auto pos = m.GetFirst();
  EXPECT_EQ(m.GetKeyAt(pos), 0u);
  pos = m.GetNext(pos);
  EXPECT_EQ(m.GetKeyAt(pos), 1u);
  m.Remove(1);
  EXPECT_THROW(m.GetValueAt(pos), CInvalidArgException);
}

TEST(HashMap, HoldsMoveOnlyValuesAcrossRebuilds) {
  CHashMap<int, std::unique_ptr<int>> m;
  for (int k = 0; k < 1000; ++k) m.Insert(k, std::make_unique<int>(k * 2));
  EXPECT_GT(m.GetSize(), 2000u);
  for (int k = 0; k < 1000; k += 2) m.Remove(k);
  int sum = 0;
  for (auto [key, value] : m) sum += *value - 2 * key;
  EXPECT_EQ(sum, 0);
  EXPECT_EQ(m.GetCount(), 500);
  EXPECT_EQ(**m.Find(999), 1998);
  CHashMap<int, std::unique_ptr<int>> taken(std::move(m));
  EXPECT_EQ(taken.GetCount(), 500);
  EXPECT_EQ(m.GetCount(), 0);  // NOLINT(bugprone-use-after-move): left empty, still usable
  EXPECT_EQ(m.GetSize(), 0u);
  m.Insert(1, std::make_unique<int>(1));
  EXPECT_EQ(m.GetSize(), 101u);
}

TEST(IntMap, CopiesAndDerives) {
  struct CMirrorMap : CIntMap {
    using CIntMap::CIntMap;
  };
  CMirrorMap a;
  a.Insert(4, 40);
  a.Insert(105, 50);  // same home as 4
  CIntMap b(a);
  EXPECT_EQ(*b.Find(105), 50);
  EXPECT_EQ(*b.GetSlotKey(64), 4);
  EXPECT_EQ(*b.GetSlotKey(65), 105);
  CIntMap c(211);
  c = b;
  EXPECT_EQ(c.GetSize(), 101u);
  b.Clear();
  EXPECT_EQ(b.GetCount(), 0);
  EXPECT_EQ(c.GetCount(), 2);
  std::unique_ptr<CIntMap> owned = std::make_unique<CMirrorMap>();
  EXPECT_EQ(owned->GetSize(), 101u);
}

TEST(AssociationMap, ListsPerEdgeInAdditionOrder) {
  CAssociationMap<CEdgeKey> g;
  EXPECT_TRUE(g.Add({3, 7}, 10));
  EXPECT_TRUE(g.Add({3, 7}, 4));
  EXPECT_TRUE(g.Add({7, 3}, 1));
  for (int f = 0; f < 5; ++f) g.Add({1, 2}, f);
  EXPECT_EQ(g.GetCount(), 3);
  int n = 0;
  const std::int32_t* faces = g.GetValues({3, 7}, n);
  ASSERT_EQ(n, 2);
  EXPECT_EQ(faces[0], 10);
  EXPECT_EQ(faces[1], 4);
  EXPECT_EQ(g.GetValues({9, 9}, n), nullptr);
  EXPECT_EQ(n, 0);

  EXPECT_TRUE(g.RemoveValue({1, 2}, 2));
  EXPECT_FALSE(g.RemoveValue({1, 2}, 2));
  faces = g.GetValues({1, 2}, n);
  EXPECT_EQ(std::vector<int>(faces, faces + n), (std::vector<int>{0, 1, 3, 4}));
  EXPECT_TRUE(g.RemoveKey({3, 7}));
  EXPECT_EQ(g.GetSlotState(97), HashSlotState::removed);
  EXPECT_FALSE(g.Contains({3, 7}));

  // Edge (1, 2): 24576 + 16650 = 41226, mod 101 = 18; (7, 3) sits at 57.
  std::vector<int> slotsWalked;
  CEdgeKey key;
  const std::int32_t* values = nullptr;
  for (auto pos = g.GetFirst(key, values, n); pos; pos = g.GetNext(pos, key, values, n)) {
    slotsWalked.push_back(static_cast<int>(pos.Slot()));
  }
  EXPECT_EQ(slotsWalked, (std::vector<int>{18, 57}));
}

TEST(AssociationMap, RebuildKeepsListsAndCapsCount) {
  CAssociationMap<CEdgeKey> g(NextPrime(4 * 3000));
  for (std::uint32_t e = 0; e < 3000; ++e) {
    g.Add({e, e + 1}, static_cast<int>(e));
    g.Add({e, e + 1}, static_cast<int>(e) + 1);
  }
  g.Rebuild(std::max(101u, NextPrime(2 * 3000)));
  EXPECT_EQ(g.GetSize(), 6007u);
  EXPECT_EQ(g.GetCount(), 3000);
  int total = 0;
  for (const auto& entry : g) {
    ASSERT_EQ(entry.count, 2);
    EXPECT_EQ(entry.values[0], static_cast<int>(entry.key.first));
    total += entry.count;
  }
  EXPECT_EQ(total, 6000);
  // A slot count too small for the keys is raised to keep them under half.
  g.Rebuild(101);
  EXPECT_GT(g.GetSize(), 6000u);
  EXPECT_TRUE(g.Contains({2999, 3000}));

  CAssociationMap<int> one;
  for (int i = 0; i < 65535; ++i) ASSERT_TRUE(one.Add(1, i));
  EXPECT_FALSE(one.Add(1, 65535));
  int n = 0;
  EXPECT_EQ(one.GetValues(1, n)[65534], 65534);
  EXPECT_EQ(n, 65535);
  CAssociationMap<int> copy(one);
  one.Clear();
  EXPECT_EQ(copy.GetValues(1, n)[7], 7);
}

}  // namespace
