#pragma once
// Hashing of the keys stored in CHashTable, CHashMap and CAssociationMap.
// A key's hash is a 32-bit value that the table reduces modulo its slot
// count to find the key's home slot.
//
// A key type either provides `std::uint32_t HashKey() const` together with
// operator==, or specialises CHashKeyTraits, e.g. for an edge:
//
//   template <> struct CHashKeyTraits<C3DEdge> : vex3d::HashKeyEquality<C3DEdge> {
//     static std::uint32_t Hash(const C3DEdge& e) { return vex3d::edgeKeyHash(e.a, e.b); }
//   };
#include <concepts>
#include <cstdint>
#include <type_traits>

namespace vex3d {

// Edges of a mesh (two point indices, the smaller first) spread over the
// table with these two multipliers; stored files and slot orders depend on
// them, so they must not change.
constexpr std::uint32_t edgeKeyHash(std::uint32_t first, std::uint32_t second) {
  return first * 24576u + second * 8325u;
}

// Integer keys: k * 16 in unsigned 32-bit arithmetic (wider keys are
// truncated first; equality still compares the whole key).
template <class T>
constexpr std::uint32_t integerKeyHash(T k) {
  return static_cast<std::uint32_t>(k) * 16u;
}

template <class K>
struct HashKeyEquality {
  static bool Equal(const K& a, const K& b) { return a == b; }
};

}  // namespace vex3d

template <class K>
struct CHashKeyTraits : vex3d::HashKeyEquality<K> {
  static std::uint32_t Hash(const K& key) requires requires(const K& k) {
    { k.HashKey() } -> std::convertible_to<std::uint32_t>;
  }
  { return key.HashKey(); }
};

template <std::integral K>
struct CHashKeyTraits<K> : vex3d::HashKeyEquality<K> {
  static std::uint32_t Hash(K key) { return vex3d::integerKeyHash(key); }
};

template <class E>
requires std::is_enum_v<E>
struct CHashKeyTraits<E> : vex3d::HashKeyEquality<E> {
  static std::uint32_t Hash(E key) {
    return vex3d::integerKeyHash(static_cast<std::underlying_type_t<E>>(key));
  }
};

// Pointer keys (objects drawn coarsely, scenes of a layer map) hash by address.
template <class T>
struct CHashKeyTraits<T*> : vex3d::HashKeyEquality<T*> {
  static std::uint32_t Hash(T* key) {
    return vex3d::integerKeyHash(reinterpret_cast<std::uintptr_t>(key));
  }
};
