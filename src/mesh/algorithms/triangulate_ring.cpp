#include "mesh/algorithms/internal/triangulate_ring.h"

#include <bit>
#include <cassert>
#include <cmath>
#include <limits>

namespace vex3d {

namespace {

constexpr int kNone = std::numeric_limits<int>::max();
constexpr float kNoAngle = std::numeric_limits<float>::infinity();

// The k-d tree is balanced, so even over 2^31 nodes it is 31 levels deep;
// its walk holds at most one pending subtree per level and the two just
// pushed.
constexpr int kMaxPending = 40;

// Whether (b - a) x (w - a), as EarShape computes it, can be positive for
// some w in the rectangle. The cross product is affine in w, so its largest
// value sits at one corner of the rectangle; its roundings, there and at any
// w, stay below 2^-50 of the size of its terms, and the slack is 2^-40 of
// it. Float input cannot overflow a double here, so anything not finite
// comes from a corner off the plane, and keeps the rectangle.
bool mayBeLeftOf(const TriangulationNode& a, const TriangulationNode& b, float minX, float maxX,
                 float minY, float maxY) {
  const double dx = static_cast<double>(b.x) - a.x;
  const double dy = static_cast<double>(b.y) - a.y;
  const double wx = dy >= 0.0 ? minX : maxX;
  const double wy = dx >= 0.0 ? maxY : minY;
  const double largest = dx * (wy - a.y) - dy * (wx - a.x);
  const double reachX = std::max(std::abs(minX - static_cast<double>(a.x)),
                                 std::abs(maxX - static_cast<double>(a.x)));
  const double reachY = std::max(std::abs(minY - static_cast<double>(a.y)),
                                 std::abs(maxY - static_cast<double>(a.y)));
  const double slack = (std::abs(dx) * reachY + std::abs(dy) * reachX) * 0x1p-40;
  if (!std::isfinite(largest) || !std::isfinite(slack)) return true;
  return largest > -slack;
}

}  // namespace

bool EarShape::mayHoldCorners(float minX, float maxX, float minY, float maxY) const {
  if (maxX <= m_minX || minX >= m_maxX || maxY <= m_minY || minY >= m_maxY) return false;
  return mayBeLeftOf(m_e, m_q, minX, maxX, minY, maxY) &&
         mayBeLeftOf(m_q, m_p, minX, maxX, minY, maxY) &&
         mayBeLeftOf(m_p, m_e, minX, maxX, minY, maxY);
}

void SharpestCornerIndex::reset(const std::vector<TriangulationNode>& ring) {
  const int n = static_cast<int>(ring.size());
  m_leaves = static_cast<int>(std::bit_ceil(static_cast<unsigned>(std::max(n, 1))));
  m_tree.assign(2 * static_cast<std::size_t>(m_leaves), Entry{kNoAngle, kNone});
  for (int i = 0; i < n; ++i) {
    const TriangulationNode& node = ring[static_cast<std::size_t>(i)];
    if (node.convex) m_tree[static_cast<std::size_t>(m_leaves + i)] = Entry{node.angle, i};
  }
  for (int k = m_leaves - 1; k > 0; --k) {
    const Entry& left = m_tree[2 * static_cast<std::size_t>(k)];
    const Entry& right = m_tree[2 * static_cast<std::size_t>(k) + 1];
    m_tree[static_cast<std::size_t>(k)] = before(right, left) ? right : left;
  }
}

void SharpestCornerIndex::set(int i, Entry entry) {
  std::size_t k = static_cast<std::size_t>(m_leaves + i);
  m_tree[k] = entry;
  for (k /= 2; k > 0; k /= 2) {
    const Entry& left = m_tree[2 * k];
    const Entry& right = m_tree[2 * k + 1];
    const Entry& winner = before(right, left) ? right : left;
    // Above an unchanged winner nothing changes either.
    if (winner.position == m_tree[k].position && winner.angle == m_tree[k].angle) break;
    m_tree[k] = winner;
  }
}

void SharpestCornerIndex::update(int i, const TriangulationNode& node) {
  set(i, node.convex ? Entry{node.angle, i} : Entry{kNoAngle, kNone});
}

void SharpestCornerIndex::remove(int i) { set(i, Entry{kNoAngle, kNone}); }

SharpestCornerIndex::Entry SharpestCornerIndex::lowest(int begin, int end) const {
  Entry best{kNoAngle, kNone};
  std::size_t l = static_cast<std::size_t>(m_leaves + begin);
  std::size_t r = static_cast<std::size_t>(m_leaves + end);
  for (; l < r; l /= 2, r /= 2) {
    if (l & 1) {
      if (before(m_tree[l], best)) best = m_tree[l];
      ++l;
    }
    if (r & 1) {
      --r;
      if (before(m_tree[r], best)) best = m_tree[r];
    }
  }
  return best;
}

int SharpestCornerIndex::sharpestAfter(int from) const {
  const Entry after = lowest(from + 1, m_leaves);
  const Entry wrapped = lowest(0, from);
  // On equal angles the walk meets the nodes after `from` first.
  const Entry& best = after.position != kNone && !(wrapped.angle < after.angle) ? after : wrapped;
  return best.position != kNone ? best.position : -1;
}

void ReflexCornerIndex::reset(const std::vector<TriangulationNode>& ring) {
  const int n = static_cast<int>(ring.size());
  m_order.clear();
  m_slot.assign(static_cast<std::size_t>(n), -1);
  m_reflex.assign(static_cast<std::size_t>(n), 0);
  for (int i = 0; i < n; ++i) {
    const TriangulationNode& node = ring[static_cast<std::size_t>(i)];
    if (!std::isfinite(node.x) || !std::isfinite(node.y)) continue;
    m_order.push_back(i);
    m_reflex[static_cast<std::size_t>(i)] = node.angle < 0.0f ? 1 : 0;
  }
  m_boxes.resize(m_order.size());
  m_reflexNbr.resize(m_order.size());
  build(ring, 0, static_cast<int>(m_order.size()));
}

int ReflexCornerIndex::build(const std::vector<TriangulationNode>& ring, int begin, int end) {
  if (begin >= end) return 0;
  Box box{kNoAngle, -kNoAngle, kNoAngle, -kNoAngle};
  for (int k = begin; k < end; ++k) {
    const TriangulationNode& node =
        ring[static_cast<std::size_t>(m_order[static_cast<std::size_t>(k)])];
    box.minX = std::min(box.minX, node.x);
    box.maxX = std::max(box.maxX, node.x);
    box.minY = std::min(box.minY, node.y);
    box.maxY = std::max(box.maxY, node.y);
  }
  // Split across the longer side, so that long thin outlines still halve.
  const bool alongX = box.maxX - box.minX >= box.maxY - box.minY;
  const int middle = begin + (end - begin) / 2;
  std::nth_element(m_order.begin() + begin, m_order.begin() + middle, m_order.begin() + end,
                   [&ring, alongX](int a, int b) {
                     const TriangulationNode& na = ring[static_cast<std::size_t>(a)];
                     const TriangulationNode& nb = ring[static_cast<std::size_t>(b)];
                     return alongX ? na.x < nb.x : na.y < nb.y;
                   });
  const int node = m_order[static_cast<std::size_t>(middle)];
  m_slot[static_cast<std::size_t>(node)] = middle;
  m_boxes[static_cast<std::size_t>(middle)] = box;
  const int reflex = m_reflex[static_cast<std::size_t>(node)] + build(ring, begin, middle) +
                     build(ring, middle + 1, end);
  m_reflexNbr[static_cast<std::size_t>(middle)] = reflex;
  return reflex;
}

void ReflexCornerIndex::setReflex(int i, bool reflex) {
  const int slot = m_slot[static_cast<std::size_t>(i)];
  unsigned char& flag = m_reflex[static_cast<std::size_t>(i)];
  if (slot < 0 || (flag != 0) == reflex) return;
  flag = reflex ? 1 : 0;
  const int delta = reflex ? 1 : -1;
  int begin = 0;
  int end = static_cast<int>(m_order.size());
  for (;;) {
    const int middle = begin + (end - begin) / 2;
    m_reflexNbr[static_cast<std::size_t>(middle)] += delta;
    if (slot == middle) break;
    if (slot < middle) {
      end = middle;
    } else {
      begin = middle + 1;
    }
  }
}

bool ReflexCornerIndex::blocks(const std::vector<TriangulationNode>& ring, const EarShape& ear,
                               int e, int q, int p) const {
  // A rectangle with a NaN side holds no corner.
  if (std::isnan(ear.minX()) || std::isnan(ear.maxX()) || std::isnan(ear.minY()) ||
      std::isnan(ear.maxY())) {
    return false;
  }
  struct Range {
    int begin, end;
  };
  Range pending[kMaxPending];
  int count = 0;
  pending[count++] = {0, static_cast<int>(m_order.size())};
  while (count > 0) {
    const Range range = pending[--count];
    if (range.begin >= range.end) continue;
    const int middle = range.begin + (range.end - range.begin) / 2;
    if (m_reflexNbr[static_cast<std::size_t>(middle)] == 0) continue;
    const Box& box = m_boxes[static_cast<std::size_t>(middle)];
    if (!ear.mayHoldCorners(box.minX, box.maxX, box.minY, box.maxY)) continue;
    const int w = m_order[static_cast<std::size_t>(middle)];
    if (m_reflex[static_cast<std::size_t>(w)] && w != e && w != q && w != p &&
        ear.contains(ring[static_cast<std::size_t>(w)])) {
      return true;
    }
    assert(count + 2 <= kMaxPending);
    pending[count++] = {range.begin, middle};
    pending[count++] = {middle + 1, range.end};
  }
  return false;
}

}  // namespace vex3d
