#pragma once
// The ring of corners that ear clipping cuts down, the test of a corner
// against an ear, and the two indexes that let a large polygon skip walking
// the ring: for the sharpest convex corner, and for the reflex corners
// inside an ear. Each index answers exactly what the walk would answer.
#include <algorithm>
#include <vector>

namespace vex3d {

// One corner of the polygon being clipped. The nodes sit in one array, one
// per corner in face order; clipping only relinks them, so the ring always
// visits the remaining nodes in increasing position, cyclically.
struct TriangulationNode {
  float x = 0.0f;  // the corner in the polygon's plane
  float y = 0.0f;
  int convex = 0;      // 1 when angle >= 0
  float angle = 0.0f;  // signed: negative at a reflex corner
  int pointIndex = 0;  // into the 3D point list
  int corner = 0;      // position in the source face, picks channel indices
  int previous = 0;    // ring links, as positions in the node array
  int next = 0;
};

// The ear (E, Q, P): a corner W lies inside it when it lies strictly inside
// the rectangle around the three and strictly left of E->Q, Q->P and P->E.
// Strict, so that a corner on an edge of the ear does not block it.
class EarShape {
 public:
  EarShape(const TriangulationNode& e, const TriangulationNode& q, const TriangulationNode& p)
      : m_e(e),
        m_q(q),
        m_p(p),
        m_minX(std::min({e.x, q.x, p.x})),
        m_maxX(std::max({e.x, q.x, p.x})),
        m_minY(std::min({e.y, q.y, p.y})),
        m_maxY(std::max({e.y, q.y, p.y})) {}

  bool contains(const TriangulationNode& w) const {
    return w.x > m_minX && w.x < m_maxX && w.y > m_minY && w.y < m_maxY &&
           cross(m_e, m_q, w) > 0.0 && cross(m_q, m_p, w) > 0.0 && cross(m_p, m_e, w) > 0.0;
  }

  // False only when no corner inside the rectangle [minX, maxX] x [minY,
  // maxY] can pass `contains`: the rectangle misses the ear's rectangle, or
  // lies wholly on or right of one of its edges, with room for the rounding
  // of `contains`' arithmetic.
  bool mayHoldCorners(float minX, float maxX, float minY, float maxY) const;

  float minX() const { return m_minX; }
  float maxX() const { return m_maxX; }
  float minY() const { return m_minY; }
  float maxY() const { return m_maxY; }

 private:
  // (b - a) x (w - a) in double: exact in sign for float input, so a corner
  // lying on an edge is on it, not beside it.
  static double cross(const TriangulationNode& a, const TriangulationNode& b,
                      const TriangulationNode& w) {
    return (static_cast<double>(b.x) - a.x) * (static_cast<double>(w.y) - a.y) -
           (static_cast<double>(b.y) - a.y) * (static_cast<double>(w.x) - a.x);
  }

  const TriangulationNode& m_e;
  const TriangulationNode& m_q;
  const TriangulationNode& m_p;
  float m_minX, m_maxX, m_minY, m_maxY;
};

// The convex node of smallest angle that a walk from a node meets first.
// Since the ring keeps face order, the walk from X meets the nodes after X
// in position order and then those before X, so a tournament tree over
// positions ordered by (angle, position) answers it from two range minima.
class SharpestCornerIndex {
 public:
  // Every node of the ring, as it stands.
  void reset(const std::vector<TriangulationNode>& ring);
  // Node i changed its angle or convex flag.
  void update(int i, const TriangulationNode& node);
  // Node i left the ring.
  void remove(int i);
  // The node the walk from `from` keeps (`from` itself excluded), or -1.
  int sharpestAfter(int from) const;

 private:
  struct Entry {
    float angle;
    int position;
  };
  static bool before(const Entry& a, const Entry& b) {
    return a.angle < b.angle || (a.angle == b.angle && a.position < b.position);
  }
  void set(int i, Entry entry);
  Entry lowest(int begin, int end) const;

  int m_leaves = 0;
  std::vector<Entry> m_tree;
};

// The reflex nodes still in the ring, in a k-d tree over their positions in
// the plane. The tree is built once per polygon (nodes never move) and keeps
// per subtree its bounding rectangle and how many of its nodes are reflex
// now, so an ear visits only the subtrees that hold a reflex node and whose
// rectangle may reach into the ear: long thin ears, common once clipping
// has eaten into a large outline, then cost little more than small ones.
// A k-d tree rather than a uniform grid: outlines of uneven density (one far
// corner, fine detail in one part of a large outline) would put most nodes
// into a few cells of a grid.
class ReflexCornerIndex {
 public:
  // Every node of the ring, reflex when its angle is negative. Nodes off
  // the finite plane cannot lie strictly inside any rectangle and are left
  // out.
  void reset(const std::vector<TriangulationNode>& ring);
  // Node i is now reflex or not (or left the ring: not).
  void setReflex(int i, bool reflex);
  // Whether a reflex node other than e, q and p lies inside the ear.
  bool blocks(const std::vector<TriangulationNode>& ring, const EarShape& ear, int e, int q,
              int p) const;

 private:
  struct Box {
    float minX, maxX, minY, maxY;
  };
  int build(const std::vector<TriangulationNode>& ring, int begin, int end);

  // Nodes in tree order: the root of the subtree over [begin, end) sits in
  // the middle of that range.
  std::vector<int> m_order;
  std::vector<Box> m_boxes;             // per tree slot, its subtree's rectangle
  std::vector<int> m_reflexNbr;         // per tree slot, its subtree's reflex nodes
  std::vector<int> m_slot;              // per node, its tree slot or -1
  std::vector<unsigned char> m_reflex;  // per node
};

}  // namespace vex3d
