#include "mesh/algorithms/internal/coplanar_merge_loop.h"

#include <cstddef>

#include "mesh/model/point_lists.h"

namespace vex3d::coplanar {

BorderLoop::BorderLoop(int pointCount)
    : m_pointCount(pointCount > 0 ? pointCount : 0),
      m_slotOfPoint(static_cast<std::size_t>(m_pointCount), -1) {}

void BorderLoop::reset() {
  for (int p : m_slotPoint) m_slotOfPoint[static_cast<std::size_t>(p)] = -1;
  m_slotPoint.clear();
  m_slotFace.clear();
  m_neighbours.clear();
  m_loopPoints.clear();
  m_loopFaces.clear();
}

int BorderLoop::attach(int point, int other, int face) {
  if (point < 0 || point >= m_pointCount) return -1;
  int& slot = m_slotOfPoint[static_cast<std::size_t>(point)];
  if (slot < 0) {
    slot = static_cast<int>(m_slotPoint.size());
    m_slotPoint.push_back(point);
    m_slotFace.push_back(face);
    m_neighbours.push_back(-1);
    m_neighbours.push_back(-1);
  }
  const auto first = static_cast<std::size_t>(slot) * 2;
  if (m_neighbours[first] < 0) {
    m_neighbours[first] = other;
  } else if (m_neighbours[first + 1] < 0) {
    m_neighbours[first + 1] = other;
  } else {
    return -1;
  }
  return slot;
}

bool BorderLoop::Build(const std::vector<BorderEdge>& border) {
  reset();
  // Neighbours are recorded as points first and turned into slots below,
  // once every point of the border has one.
  for (const BorderEdge& e : border) {
    if (e.a == e.b || attach(e.a, e.b, e.face) < 0 || attach(e.b, e.a, e.face) < 0) return false;
  }
  const std::size_t slots = m_slotPoint.size();
  if (slots < 3) return false;
  for (std::size_t j = 0; j < m_neighbours.size(); ++j) {
    if (m_neighbours[j] < 0) return false;  // a dangling end
    m_neighbours[j] = m_slotOfPoint[static_cast<std::size_t>(m_neighbours[j])];
  }
  // Every slot has exactly two neighbours: the walk from slot 0 follows one
  // cycle, and that cycle must be the whole border.
  int previous = -1;
  int current = 0;
  do {
    m_loopPoints.push_back(m_slotPoint[static_cast<std::size_t>(current)]);
    m_loopFaces.push_back(m_slotFace[static_cast<std::size_t>(current)]);
    const auto first = static_cast<std::size_t>(current) * 2;
    const int next =
        m_neighbours[first] != previous ? m_neighbours[first] : m_neighbours[first + 1];
    previous = current;
    current = next;
  } while (current != 0 && m_loopPoints.size() <= slots);
  return m_loopPoints.size() == slots;
}

int keepCorners(const C3DPointList& points, const std::vector<int>& loop,
                std::vector<std::uint8_t>& keep) {
  const std::size_t n = loop.size();
  keep.assign(n, 1);
  int kept = static_cast<int>(n);
  for (std::size_t j = 0; j < n; ++j) {
    const C3DPoint& prev = points[loop[(j + n - 1) % n]];
    const C3DPoint& cur = points[loop[j]];
    const C3DPoint& next = points[loop[(j + 1) % n]];
    C3DVector across(prev, next);
    C3DVector ahead(cur, next);
    across.Normalize();
    ahead.Normalize();
    if (across * ahead == 1.0f) {
      keep[j] = 0;
      --kept;
    }
  }
  return kept;
}

}  // namespace vex3d::coplanar
