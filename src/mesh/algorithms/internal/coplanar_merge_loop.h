#pragma once
// The border of a region of faces about to become one polygon, chained into
// a closed loop of points. Used once per region by the coplanar merge; its
// working arrays are kept from one region to the next, so that a mesh of a
// million small regions does not allocate a million times, and reset in
// time proportional to the region just done.
#include <cstdint>
#include <vector>

class C3DPointList;

namespace vex3d::coplanar {

// An edge used by exactly one face of the region, with that face.
struct BorderEdge {
  int a;
  int b;
  int face;
};

class BorderLoop {
 public:
  // Point indices at or beyond `pointCount` (or negative) refuse the loop.
  explicit BorderLoop(int pointCount);

  // Chains the border edges. False unless they form exactly one simple
  // closed loop of at least 3 points: a second loop (a hole), two loops
  // meeting at a point or a dangling edge cannot be one polygon. The walk
  // starts at the first edge's first point.
  bool Build(const std::vector<BorderEdge>& border);

  // The loop's points in walking order, and for each the face of the first
  // border edge that reached it.
  const std::vector<int>& Points() const { return m_loopPoints; }
  const std::vector<int>& Faces() const { return m_loopFaces; }

 private:
  // The slot of a point, made on first sight; -1 for a point out of range
  // or one with a third border edge.
  int attach(int point, int other, int face);
  void reset();

  int m_pointCount;
  std::vector<int> m_slotOfPoint;  // -1 for points outside the current border
  std::vector<int> m_slotPoint;
  std::vector<int> m_slotFace;
  // Two neighbour slots per slot; -1 while missing.
  std::vector<int> m_neighbours;
  std::vector<int> m_loopPoints;
  std::vector<int> m_loopFaces;
};

// Marks in `keep` the loop points to keep: a point goes when the directions
// from its predecessor to its successor and from itself to its successor,
// both made unit length, have a dot product of exactly 1. Only exact
// alignments go, so a merge never moves the outline. Returns how many stay.
int keepCorners(const C3DPointList& points, const std::vector<int>& loop,
                std::vector<std::uint8_t>& keep);

}  // namespace vex3d::coplanar
