#pragma once
// Closed interval of integer ticks. No ordering of the ends is enforced.
#include <algorithm>

#include "vex3d_export.h"

class VEX3D_EXPORT CTimeRange {
 public:
  CTimeRange() = default;
  CTimeRange(int start, int end) : m_start(start), m_end(end) {}

  int GetStart() const { return m_start; }
  int GetEnd() const { return m_end; }

  bool operator==(const CTimeRange&) const = default;

  // Both ends included.
  bool IsInInterval(int t) const { return m_start <= t && t <= m_end; }
  // The start wins over the end, so a reversed range clamps to its start.
  int AdjustTime(int t) const { return t < m_start ? m_start : std::min(t, m_end); }
  // end - start, taken as unsigned; 1 for a range of one time, so that a
  // parameter computed over it never divides by zero.
  unsigned GetLength() const {
    return m_start == m_end ? 1u : static_cast<unsigned>(m_end) - static_cast<unsigned>(m_start);
  }

  // Union: the smaller start and the larger end.
  CTimeRange& operator|=(const CTimeRange& other) {
    m_start = std::min(m_start, other.m_start);
    m_end = std::max(m_end, other.m_end);
    return *this;
  }
  // Intersection: the larger start and the smaller end. Disjoint ranges give
  // a reversed range, which contains no time.
  CTimeRange& operator&=(const CTimeRange& other) {
    m_start = std::max(m_start, other.m_start);
    m_end = std::min(m_end, other.m_end);
    return *this;
  }

 private:
  int m_start = 0;
  int m_end = 0;
};
