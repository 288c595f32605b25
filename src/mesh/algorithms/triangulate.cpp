#include "mesh/algorithms/internal/triangulate.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "math/point3d.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace vex3d {

namespace {

// Just above a right angle: a wider corner makes a thin sliver when cut, so
// the whole ring is searched for a sharper one instead.
constexpr float kWideCorner = 1.58f;

// From this many corners on, the indexes pay for themselves: below it,
// building them costs more than the walks they save (BM_TriangulateStarsOf
// breaks even between 130 and 200 corners).
constexpr int kIndexedCorners = 160;

// Face k of a destination list, grown when a caller's list is too short.
CFace* slot(CFaceList& list, int k) {
  CFace* face = list.ElementAt(k);
  if (face == nullptr) {
    list.SetSize(k + 1, 3);
    face = list.ElementAt(k);
  }
  return face;
}

}  // namespace

bool FaceTriangulator::bind(const CGeomInfo& geom, const IndexStore* sourceStore) {
  m_points = geom.GetSrc3DPointList();
  m_destination = geom.GetDst3DFaceList();
  m_channels.clear();
  if (m_destination == nullptr || &m_destination->GetIndexStore() == sourceStore) return false;
  const CDependentChannels* targets = geom.GetDstChannels();
  const int count = targets != nullptr ? std::min(geom.GetChannelSize(), targets->GetSize()) : 0;
  for (int i = 0; i < count; ++i) {
    CFaceList* source = nullptr;
    CFaceList* destination = nullptr;
    geom.GetChannelFaceList(i, source, destination);
    // Per-point channels have no faces to carry.
    if (source == nullptr || destination == nullptr || source == destination) continue;
    ChannelLists lists;
    lists.source = source;
    lists.destination = destination;
    m_channels.push_back(lists);
  }
  return true;
}

void FaceTriangulator::prepareDestinations(int n, const int* capacities) {
  auto prepare = [n, capacities](CFaceList& list) {
    if (capacities != nullptr) {
      list.SetSize(n, capacities);
    } else {
      list.RemoveAll();
      list.SetSize(n, 3);
    }
  };
  prepare(*m_destination);
  for (ChannelLists& lists : m_channels) prepare(*lists.destination);
}

void FaceTriangulator::finishDestinations(int n, bool markChanged) {
  auto finish = [n, markChanged](CFaceList& list) {
    if (list.GetSize() > n) list.SetSize(n);
    if (markChanged) list.SetFlag(FACELIST_CHANGED, 1);
  };
  finish(*m_destination);
  for (ChannelLists& lists : m_channels) finish(*lists.destination);
}

int FaceTriangulator::copy(const C3DFace& face, int faceIndex, int k) {
  C3DFace* target = static_cast<C3DFace*>(slot(*m_destination, k));
  target->Copy(face, 1);
  target->SetMaterialID(face.GetMaterialID());
  for (ChannelLists& lists : m_channels) {
    CFace* channelTarget = slot(*lists.destination, k);
    const CFace* channelFace = lists.source->ElementAt(faceIndex);
    if (channelFace != nullptr) {
      channelTarget->Copy(*channelFace, 1);
    } else {
      // A channel shorter than the mesh has nothing for this face.
      channelTarget->SetFlags(FACE_CHANNEL_INVALID, 1);
    }
  }
  return 1;
}

void FaceTriangulator::buildRing(const C3DFace& face) {
  const int n = static_cast<int>(face.GetSize());
  const int* indices = face.GetIndices();
  m_ring.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    TriangulationNode& node = m_ring[static_cast<std::size_t>(i)];
    node.x = 0.0f;
    node.y = 0.0f;
    node.pointIndex = indices[i];
    node.corner = i;
    node.previous = i == 0 ? n - 1 : i - 1;
    node.next = i + 1 == n ? 0 : i + 1;
  }

  // A corner naming a missing point, a zero normal or a zero first edge
  // leaves every corner at the origin: every angle is 0 and the polygon is
  // cut in ring order.
  double normal[3];
  if (m_points != nullptr && newellNormal(face, m_points, normal)) {
    const double length =
        std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
    if (length != 0.0) {
      for (double& c : normal) c /= length;
      const C3DPoint* data = m_points->GetData();
      const C3DPoint& origin = data[indices[0]];
      const C3DPoint& second = data[indices[1]];
      double u[3] = {static_cast<double>(second.x) - origin.x,
                     static_cast<double>(second.y) - origin.y,
                     static_cast<double>(second.z) - origin.z};
      const double uLength = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
      if (uLength != 0.0) {
        for (double& c : u) c /= uLength;
      }
      double v[3] = {normal[1] * u[2] - normal[2] * u[1], normal[2] * u[0] - normal[0] * u[2],
                     normal[0] * u[1] - normal[1] * u[0]};
      const double vLength = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      if (vLength != 0.0) {
        for (double& c : v) c /= vLength;
      }
      for (TriangulationNode& node : m_ring) {
        const C3DPoint& p = data[node.pointIndex];
        const double d[3] = {static_cast<double>(p.x) - origin.x,
                             static_cast<double>(p.y) - origin.y,
                             static_cast<double>(p.z) - origin.z};
        node.x = static_cast<float>(d[0] * u[0] + d[1] * u[1] + d[2] * u[2]);
        node.y = static_cast<float>(d[0] * v[0] + d[1] * v[1] + d[2] * v[2]);
      }
    }
  }
  for (TriangulationNode& node : m_ring) updateAngle(node);
}

void FaceTriangulator::updateAngle(TriangulationNode& node) const {
  const TriangulationNode& p = m_ring[static_cast<std::size_t>(node.previous)];
  const TriangulationNode& q = m_ring[static_cast<std::size_t>(node.next)];
  const double ax = static_cast<double>(p.x) - node.x;
  const double ay = static_cast<double>(p.y) - node.y;
  const double bx = static_cast<double>(q.x) - node.x;
  const double by = static_cast<double>(q.y) - node.y;
  node.angle = static_cast<float>(std::atan2(ay * bx - ax * by, ax * bx + ay * by));
  node.convex = node.angle >= 0.0f ? 1 : 0;
}

// Small polygons, the usual case: each question walks the ring.
class FaceTriangulator::RingWalk {
 public:
  explicit RingWalk(const std::vector<TriangulationNode>& ring) : m_ring(ring) {}

  // The convex node of smallest angle from the node after `from` round to
  // the node before it; on equal angles the first one met.
  int sharpestAfter(int from) const {
    int best = -1;
    for (int i = at(from).next; i != from; i = at(i).next) {
      const TriangulationNode& node = at(i);
      if (node.convex && (best < 0 || node.angle < at(best).angle)) best = i;
    }
    return best;
  }
  // Whether a reflex node other than the ear's own lies inside the ear.
  bool blocks(int e, int q, int p) const {
    const EarShape ear(at(e), at(q), at(p));
    for (int i = at(q).next; i != p; i = at(i).next) {
      const TriangulationNode& w = at(i);
      if (w.angle < 0.0f && ear.contains(w)) return true;
    }
    return false;
  }
  void changed(int) {}
  void removed(int) {}

 private:
  const TriangulationNode& at(int i) const { return m_ring[static_cast<std::size_t>(i)]; }
  const std::vector<TriangulationNode>& m_ring;
};

// Large polygons: walking the ring for every ear would make clipping
// quadratic (a 65,000-corner outline took half a minute); the indexes
// answer the same questions in about log n.
class FaceTriangulator::IndexedSearch {
 public:
  IndexedSearch(const std::vector<TriangulationNode>& ring, SharpestCornerIndex& sharpest,
                ReflexCornerIndex& reflex)
      : m_ring(ring), m_sharpest(sharpest), m_reflex(reflex) {
    m_sharpest.reset(ring);
    m_reflex.reset(ring);
  }

  int sharpestAfter(int from) const { return m_sharpest.sharpestAfter(from); }
  bool blocks(int e, int q, int p) const {
    return m_reflex.blocks(m_ring, EarShape(at(e), at(q), at(p)), e, q, p);
  }
  // Node i has a new angle or convex flag.
  void changed(int i) {
    const TriangulationNode& node = at(i);
    m_sharpest.update(i, node);
    m_reflex.setReflex(i, node.angle < 0.0f);
  }
  void removed(int i) {
    m_sharpest.remove(i);
    m_reflex.setReflex(i, false);
  }

 private:
  const TriangulationNode& at(int i) const { return m_ring[static_cast<std::size_t>(i)]; }
  const std::vector<TriangulationNode>& m_ring;
  SharpestCornerIndex& m_sharpest;
  ReflexCornerIndex& m_reflex;
};

void FaceTriangulator::writeTriangle(const C3DFace& face, int e, int q, int p, int k) {
  const TriangulationNode& ne = m_ring[static_cast<std::size_t>(e)];
  const TriangulationNode& nq = m_ring[static_cast<std::size_t>(q)];
  const TriangulationNode& np = m_ring[static_cast<std::size_t>(p)];
  auto* target = static_cast<C3DFace*>(slot(*m_destination, k));
  target->SetTriangle(ne.pointIndex, nq.pointIndex, np.pointIndex);
  target->InheritFlags(face);
  target->SetMaterialID(face.GetMaterialID());
  for (const ChannelLists& lists : m_channels) {
    CFace* channelTarget = slot(*lists.destination, k);
    if (lists.face == nullptr) {
      channelTarget->SetFlags(FACE_CHANNEL_INVALID, 1);
      continue;
    }
    channelTarget->InheritFlags(*lists.face);
    if (lists.matches) {
      const int* values = lists.face->GetIndices();
      channelTarget->SetTriangle(values[ne.corner], values[nq.corner], values[np.corner]);
    } else if (!lists.face->IsOneFlagSet(kFaceSkipMask)) {
      channelTarget->SetFlags(FACE_CHANNEL_INVALID, 1);
    }
  }
}

int FaceTriangulator::clip(const C3DFace& face, int faceIndex, int k) {
  const int n = static_cast<int>(face.GetSize());
  if (n < 4) return copy(face, faceIndex, k);
  for (ChannelLists& lists : m_channels) {
    lists.face = lists.source->ElementAt(faceIndex);
    lists.matches = lists.face != nullptr && !lists.face->IsOneFlagSet(kFaceSkipMask) &&
                    lists.face->GetSize() == face.GetSize();
  }
  buildRing(face);
  if (n < kIndexedCorners) {
    RingWalk walk(m_ring);
    return clipRing(face, k, walk);
  }
  IndexedSearch search(m_ring, m_sharpest, m_reflex);
  return clipRing(face, k, search);
}

template <class Search>
int FaceTriangulator::clipRing(const C3DFace& face, int k, Search& search) {
  // The head (corner 0) is never the first ear.
  int candidate = search.sharpestAfter(0);
  if (candidate < 0) return 0;
  int written = 0;
  for (int count = static_cast<int>(m_ring.size()); count > 2;) {
    const TriangulationNode& c = m_ring[static_cast<std::size_t>(candidate)];
    if (!c.convex || c.angle > kWideCorner) {
      const int sharper = search.sharpestAfter(candidate);
      if (sharper < 0 || m_ring[static_cast<std::size_t>(sharper)].angle <= 0.0f) break;
      candidate = sharper;
    }
    const int e = candidate;
    const int q = m_ring[static_cast<std::size_t>(e)].next;
    const int p = m_ring[static_cast<std::size_t>(e)].previous;
    TriangulationNode& ne = m_ring[static_cast<std::size_t>(e)];
    TriangulationNode& nq = m_ring[static_cast<std::size_t>(q)];
    TriangulationNode& np = m_ring[static_cast<std::size_t>(p)];
    if (search.blocks(e, q, p)) {
      ne.convex = 0;
      search.changed(e);
    } else {
      // A cut through a repeated point would be a flat triangle: the corner
      // goes without one.
      if (ne.pointIndex != nq.pointIndex && nq.pointIndex != np.pointIndex &&
          np.pointIndex != ne.pointIndex) {
        writeTriangle(face, e, q, p, k + written);
        ++written;
      }
      np.next = q;
      nq.previous = p;
      search.removed(e);
      updateAngle(np);
      search.changed(p);
      updateAngle(nq);
      search.changed(q);
      --count;
    }
    candidate = nq.convex && nq.angle < np.angle ? q : p;
  }
  return written;
}

}  // namespace vex3d

int C3DFace::Triangulate(const CGeomInfo& geom, int faceIndex, int destinationIndex) const {
  // Kept per thread so that drawing polygon by polygon (the thumbnail worker
  // too) does not allocate a ring per face.
  thread_local vex3d::FaceTriangulator triangulator;
  if (!triangulator.bind(geom, GetStore())) return 0;
  const int n = static_cast<int>(GetSize());
  if (destinationIndex >= 0) {
    return n > 3 ? triangulator.clip(*this, faceIndex, destinationIndex)
                 : triangulator.copy(*this, faceIndex, destinationIndex);
  }
  const int slots = n > 3 ? n - 2 : 1;
  triangulator.prepareDestinations(slots, nullptr);
  const int written =
      n > 3 ? triangulator.clip(*this, faceIndex, 0) : triangulator.copy(*this, faceIndex, 0);
  if (written < slots) triangulator.finishDestinations(written, false);
  return written;
}

int C3DFaceList::Triangulate(CGeomInfo* geom, _FACE_PROPERTIES flag, int onFlagged) {
  if (geom == nullptr) return 0;
  vex3d::FaceTriangulator triangulator;
  if (!triangulator.bind(*geom, &GetIndexStore())) return 0;
  const bool wanted = onFlagged != 0;
  auto cut = [flag, wanted](const CFace& face) {
    return face.GetSize() > 3 && face.IsFlagSet(flag) == wanted;
  };

  const int faceCount = GetSize();
  std::int64_t total = 0;
  bool allCut = true;
  for (int i = 0; i < faceCount; ++i) {
    const CFace& face = *ElementAt(i);
    if (cut(face)) {
      total += face.GetSize() - 2;
    } else {
      total += 1;
      allCut = allCut && face.GetSize() <= 3;
    }
  }
  if (total > INT_MAX) throw std::bad_alloc();
  if (allCut) {
    triangulator.prepareDestinations(static_cast<int>(total), nullptr);
  } else {
    std::vector<int> capacities;
    capacities.reserve(static_cast<std::size_t>(total));
    for (int i = 0; i < faceCount; ++i) {
      const CFace& face = *ElementAt(i);
      const int n = static_cast<int>(face.GetSize());
      if (cut(face))
        capacities.insert(capacities.end(), static_cast<std::size_t>(n - 2), 3);
      else
        capacities.push_back(n);
    }
    triangulator.prepareDestinations(static_cast<int>(total), capacities.data());
  }

  int k = 0;
  for (int i = 0; i < faceCount; ++i) {
    const C3DFace& face = *ElementAt(i);
    k += cut(face) ? triangulator.clip(face, i, k) : triangulator.copy(face, i, k);
  }
  triangulator.finishDestinations(k, true);
  return k;
}
