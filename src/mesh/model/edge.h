#pragma once
// C3DEdge: a mesh edge as two point indices, the smaller first, so that
// both orientations of an edge are one key.
#include <cstdint>
#include <utility>

#include "hostlib/containers/hash_key.h"

class C3DEdge {
 public:
  C3DEdge() = default;
  C3DEdge(int a, int b) { Set(a, b); }

  void Set(int a, int b) {
    if (b < a) std::swap(a, b);
    m_first = a;
    m_second = b;
  }
  // The ends as given, for results whose order means something (a mirrored
  // edge that follows the direction of the edge it mirrors).
  void SetInOrder(int a, int b) {
    m_first = a;
    m_second = b;
  }
  int GetFirst() const { return m_first; }
  int GetSecond() const { return m_second; }
  int operator[](int end) const { return end == 0 ? m_first : m_second; }
  bool operator==(const C3DEdge&) const = default;
  std::uint32_t HashKey() const {
    return vex3d::edgeKeyHash(static_cast<std::uint32_t>(m_first),
                              static_cast<std::uint32_t>(m_second));
  }

 private:
  int m_first = -1;
  int m_second = -1;
};
