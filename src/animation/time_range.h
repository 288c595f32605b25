#pragma once
// Closed interval of integer ticks. No ordering of the ends is enforced.
#include "vex3d_export.h"

class VEX3D_EXPORT CTimeRange {
 public:
  CTimeRange() = default;
  CTimeRange(int start, int end) : m_start(start), m_end(end) {}

  int GetStart() const { return m_start; }
  int GetEnd() const { return m_end; }

  // Both ends included.
  bool IsInInterval(int t) const { return m_start <= t && t <= m_end; }
  // end - start, taken as unsigned; 1 for a range of one time, so that a
  // parameter computed over it never divides by zero.
  unsigned GetLength() const {
    return m_start == m_end ? 1u : static_cast<unsigned>(m_end) - static_cast<unsigned>(m_start);
  }

 private:
  int m_start = 0;
  int m_end = 0;
};
