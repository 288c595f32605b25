// Undoing the triangulation of flat areas: faces that share edges, a
// material and a plane (within an angle), with no attribute seam between
// them, grow into regions; a region whose border is one simple loop becomes
// one polygon on that loop.
//
// The merged faces go to the destination lists of the geometry. Channel
// faces of the result index the source channel's points, so each paired
// destination channel receives a copy of those points; the final cleaning
// then drops the points, mesh or channel, that no face uses any more.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "hostlib/core/progress.h"
#include "hostlib/text/strings.h"
#include "mesh/algorithms/internal/coplanar_merge_loop.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace {

// Normals of faces to be merged may differ by this much below the cosine.
constexpr float kCosineSlack = 0.000001f;
// Specified normals more than 10 degrees apart make a seam; the frontier
// query takes the cosine of that angle.
const float kSpecNormalCosine = std::cos(0.17453294f);
constexpr std::uint32_t kMaxCorners = vex3d::IndexStore::kMaxRecordSize;

// A destination channel with the source channel of the same id.
struct ChannelPair {
  CFaceList* sourceFaces = nullptr;  // null unless shaped like the mesh
  CFaceList* targetFaces = nullptr;
  const CUVWChannel* uvw = nullptr;
  const CVCChannel* vc = nullptr;
  const CSpecNormalChannel* specified = nullptr;
};

std::vector<ChannelPair> pairChannels(const CGeomInfo& geom, int faceCount) {
  std::vector<ChannelPair> pairs;
  const CDependentChannels* sources = geom.GetSrcChannels();
  const CDependentChannels* targets = geom.GetDstChannels();
  if (sources == nullptr || targets == nullptr) return pairs;
  for (int i = 0; i < targets->GetSize(); ++i) {
    CChannel* target = targets->GetChannelByIndex(i);
    if (target == nullptr) continue;
    CChannel* source = sources->GetChannelByID(target->GetChannelID());
    if (source == nullptr || source == target || source->GetType() != target->GetType()) continue;
    ChannelPair pair;
    CPointList* from = source->GetPointList();
    CPointList* to = target->GetPointList();
    if (from != nullptr && to != nullptr && from != to) *to = *from;
    CFaceList* sourceFaces = source->GetFaceList();
    if (sourceFaces == nullptr) {
      // Channel point i belongs to mesh point i: no faces to carry.
      if (target->GetFaceList() != nullptr) target->SetFaceList(target->GetType(), nullptr, 1);
    } else if (sourceFaces->GetSize() == faceCount && target->GetFaceList() != nullptr) {
      pair.sourceFaces = sourceFaces;
      pair.targetFaces = target->GetFaceList();
      pair.targetFaces->SetSize(*sourceFaces);
    }
    switch (source->GetType()) {
      case CHANNEL_UVW:
        pair.uvw = dynamic_cast<const CUVWChannel*>(source);
        break;
      case CHANNEL_VC:
        pair.vc = dynamic_cast<const CVCChannel*>(source);
        break;
      case CHANNEL_SPEC_NORMAL:
        pair.specified = dynamic_cast<const CSpecNormalChannel*>(source);
        break;
      default:
        break;
    }
    pairs.push_back(pair);
  }
  return pairs;
}

// The destination starts with one record per source face, with room for
// at least a quadrangle: the usual merge turns two triangles into one, and
// a record that outgrows its room moves to the end of the shared store.
void shapeTarget(C3DFaceList& target, const C3DFaceList& source) {
  const int n = source.GetSize();
  std::vector<int> capacities(static_cast<std::size_t>(n));
  const vex3d::IndexStore& store = source.GetIndexStore();
  for (int i = 0; i < n; ++i) {
    capacities[static_cast<std::size_t>(i)] =
        std::max<int>(4, static_cast<int>(store.GetRecordSize(static_cast<std::uint32_t>(i))));
  }
  target.SetSize(n, capacities.data());
}

struct Normal {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float operator*(const Normal& o) const { return x * o.x + y * o.y + z * o.z; }
};

// One unit normal per face: the object's face normal channel when it
// belongs to this very list, otherwise computed here.
std::vector<Normal> faceNormals(C3DFaceList& faces, const CGeomInfo& geom, const CGeomInfo& own) {
  const int n = faces.GetSize();
  std::vector<Normal> normals(static_cast<std::size_t>(n));
  C3DBaseObject* object = geom.GetObject();
  if (object != nullptr && object->GetFaceList() == &faces) {
    const CFaceNormalChannel* channel = object->GetFaceNormalChannel();
    const C3DVectorList* vectors = channel != nullptr ? channel->GetNormalVectorList() : nullptr;
    if (vectors != nullptr && vectors->GetSize() == n) {
      for (int i = 0; i < n; ++i) {
        const C3DVector& v = (*vectors)[i];
        normals[static_cast<std::size_t>(i)] = {v.x, v.y, v.z};
      }
      return normals;
    }
  }
  for (int i = 0; i < n; ++i) {
    const C3DFace* f = faces.ElementAt(i);
    if (f->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    C3DVector v(0.0f, 0.0f, 0.0f);
    f->GetNormal(own, v);
    normals[static_cast<std::size_t>(i)] = {v.x, v.y, v.z};
  }
  return normals;
}

// Region marks of the faces: not reached yet, or dropped.
constexpr int kUnseen = -1;
constexpr int kDropped = -2;

class Merger {
 public:
  Merger(C3DFaceList& source, C3DFaceList& target, CGeomInfo& own, std::vector<ChannelPair> pairs,
         std::vector<Normal> normals, float cosine)
      : m_source(source),
        m_target(target),
        m_own(own),
        m_points(own.GetSrc3DPointList()),
        m_pairs(std::move(pairs)),
        m_normals(std::move(normals)),
        m_threshold(cosine - kCosineSlack),
        m_regionOf(static_cast<std::size_t>(source.GetSize()), kUnseen),
        m_loop(m_points != nullptr ? m_points->GetSize() : 0) {}

  // Face i in walking order: dropped, already merged, or the seed of a new
  // region.
  void Visit(int i) {
    int& mark = m_regionOf[static_cast<std::size_t>(i)];
    if (m_source.ElementAt(i)->IsFlagSet(FACE_INVALID)) {
      mark = kDropped;
      return;
    }
    if (mark != kUnseen) return;
    growRegion(i);
    if (m_region.size() == 1) {
      copyFace(i);
    } else if (!mergeRegion(i)) {
      std::sort(m_region.begin(), m_region.end());
      for (int f : m_region) copyFace(f);
    }
  }

  int Written() const { return m_slot; }

 private:
  // An edge of a region face that did not lead to a face of the region
  // when it was looked at; whether it is a border edge is known once the
  // region is complete.
  struct Candidate {
    int a;
    int b;
    int face;
    const int* users;
    int count;
  };

  bool inRegion(int f, int region) const {
    return f >= 0 && f < static_cast<int>(m_regionOf.size()) &&
           m_regionOf[static_cast<std::size_t>(f)] == region;
  }

  bool joins(int f, int g, const C3DFace& from, const C3DFace& to, const C3DEdge& edge) {
    if (from.GetMaterialID() != to.GetMaterialID()) return false;
    if (m_normals[static_cast<std::size_t>(f)] * m_normals[static_cast<std::size_t>(g)] <
        m_threshold) {
      return false;
    }
    for (const ChannelPair& pair : m_pairs) {
      if (pair.vc != nullptr && pair.vc->IsVCFrontier(&m_own, 0, edge, f, g)) return false;
      if (pair.uvw != nullptr && pair.uvw->IsUVFrontier(&m_own, 0.0f, edge, f, g)) return false;
      if (pair.specified != nullptr &&
          pair.specified->IsNormalFrontier(&m_own, kSpecNormalCosine, edge, f, g)) {
        return false;
      }
    }
    return true;
  }

  // Breadth first over edges used by exactly two faces; m_region doubles as
  // the queue since every face enters it once. The seed's index names the
  // region.
  void growRegion(int seed) {
    const int n = m_source.GetSize();
    m_region.assign(1, seed);
    m_candidates.clear();
    m_regionOf[static_cast<std::size_t>(seed)] = seed;
    for (std::size_t head = 0; head < m_region.size(); ++head) {
      const int f = m_region[head];
      const C3DFace* from = m_source.ElementAt(f);
      const std::uint32_t size = from->GetSize();
      for (std::uint32_t j = 0; j < size; ++j) {
        const int a = (*from)[j];
        const int b = (*from)[(j + 1) % size];
        const C3DEdge edge(a, b);
        int count = 0;
        const int* users = m_source.GetFacesConnectedToEdge(edge, count);
        bool inner = false;
        if (count == 2) {
          const int g = users[0] == f ? users[1] : (users[1] == f ? users[0] : -1);
          if (g >= 0 && g < n && g != f) {
            int& mark = m_regionOf[static_cast<std::size_t>(g)];
            if (mark == seed) {
              inner = true;
            } else if (mark == kUnseen && joins(f, g, *from, *m_source.ElementAt(g), edge)) {
              mark = seed;
              m_region.push_back(g);
              inner = true;
            }
          }
        }
        if (!inner) m_candidates.push_back({a, b, f, users, count});
      }
    }
  }

  // The edges used by exactly one face of the region: the region's faces
  // are counted among each candidate's users. Taken from the lookups the
  // growth made anyway, this needs no table sized by the region, which for
  // a flat area of a million faces would run to hundreds of megabytes.
  void collectBorder(int region) {
    m_border.clear();
    for (const Candidate& c : m_candidates) {
      int uses = 0;
      for (int u = 0; u < c.count; ++u) uses += inRegion(c.users[u], region) ? 1 : 0;
      if (uses == 1) m_border.push_back({c.a, c.b, c.face});
    }
  }

  void copyFace(int f) {
    const C3DFace* from = m_source.ElementAt(f);
    C3DFace* to = m_target.ElementAt(m_slot);
    to->Copy(*from, 1);
    to->SetMaterialID(from->GetMaterialID());
    for (const ChannelPair& pair : m_pairs) {
      if (pair.targetFaces == nullptr) continue;
      CFace* target = pair.targetFaces->ElementAt(m_slot);
      const CFace* source = pair.sourceFaces->ElementAt(f);
      if (target == nullptr) continue;
      if (source != nullptr) {
        target->Copy(*source, 1);
      } else {
        target->RemoveAll();
      }
    }
    ++m_slot;
  }

  bool mergeRegion(int seed) {
    if (m_points == nullptr) return false;
    collectBorder(seed);
    if (!m_loop.Build(m_border)) return false;
    // Consecutive loop points are the ends of a border edge, a side of a
    // face of the region: they are always neighbours in the face list.
    const std::vector<int>& loop = m_loop.Points();
    const int kept = vex3d::coplanar::keepCorners(*m_points, loop, m_keep);
    if (kept < 3 || static_cast<std::uint32_t>(kept) > kMaxCorners) return false;

    m_corners.clear();
    m_cornerFaces.clear();
    for (std::size_t j = 0; j < loop.size(); ++j) {
      if (!m_keep[j]) continue;
      m_corners.push_back(loop[j]);
      m_cornerFaces.push_back(m_loop.Faces()[j]);
    }
    const C3DFace* seedFace = m_source.ElementAt(seed);
    C3DFace* merged = m_target.ElementAt(m_slot);
    *merged = *seedFace;
    merged->SetSize(static_cast<std::uint32_t>(kept));
    std::copy(m_corners.begin(), m_corners.end(), merged->GetIndices());
    C3DVector normal(0.0f, 0.0f, 0.0f);
    merged->GetNormal(m_own, normal);
    const Normal& seedNormal = m_normals[static_cast<std::size_t>(seed)];
    if (Normal{normal.x, normal.y, normal.z} * seedNormal < 0.0f) {
      merged->Flip();
      std::reverse(m_corners.begin(), m_corners.end());
      std::reverse(m_cornerFaces.begin(), m_cornerFaces.end());
    }
    for (const ChannelPair& pair : m_pairs) {
      if (pair.targetFaces != nullptr) mergeChannelFace(pair);
    }
    ++m_slot;
    return true;
  }

  // Corner c of the merged channel face is the channel index that the face
  // recorded for corner c's point has at that point.
  void mergeChannelFace(const ChannelPair& pair) {
    CFace* target = pair.targetFaces->ElementAt(m_slot);
    if (target == nullptr) return;
    const auto size = static_cast<std::uint32_t>(m_corners.size());
    target->SetSize(size);
    for (std::uint32_t c = 0; c < size; ++c) {
      const int point = m_corners[c];
      const int f = m_cornerFaces[c];
      const C3DFace* meshFace = m_source.ElementAt(f);
      const CFace* channelFace = pair.sourceFaces->ElementAt(f);
      const int position = meshFace != nullptr ? meshFace->IsFacePoint(point) : -1;
      if (channelFace == nullptr || channelFace->IsOneFlagSet(vex3d::kFaceSkipMask) ||
          position < 0 || static_cast<std::uint32_t>(position) >= channelFace->GetSize()) {
        target->SetInvalidFlag(1);
        return;
      }
      (*target)[c] = (*channelFace)[static_cast<std::uint32_t>(position)];
    }
  }

  C3DFaceList& m_source;
  C3DFaceList& m_target;
  CGeomInfo& m_own;
  const C3DPointList* m_points;
  std::vector<ChannelPair> m_pairs;
  std::vector<Normal> m_normals;
  float m_threshold;
  // The seed of the region each face joined, or kUnseen / kDropped.
  std::vector<int> m_regionOf;
  std::vector<int> m_region;
  std::vector<Candidate> m_candidates;
  std::vector<vex3d::coplanar::BorderEdge> m_border;
  vex3d::coplanar::BorderLoop m_loop;
  std::vector<std::uint8_t> m_keep;
  std::vector<int> m_corners;
  std::vector<int> m_cornerFaces;
  int m_slot = 0;
};

}  // namespace

int C3DFaceList::MergeCoplanarFaces(CGeomInfo* geom, float angle) {
  C3DFaceList* target = geom != nullptr ? geom->GetDst3DFaceList() : nullptr;
  if (target == nullptr || target == this) return 0;
  const int n = GetSize();
  CGeomInfo own(this, geom->GetSrcPointList());
  own.SetChannels(geom->GetSrcChannels(), geom->GetDstChannels());

  shapeTarget(*target, *this);
  std::vector<ChannelPair> pairs = pairChannels(*geom, n);
  InitPointToFaceGraph(&own);
  InitEdgeToFaceGraph(&own);
  if (CPointList* points = own.GetSrcPointList()) points->SetBorderPointsStatus(GetEdgeGraph());

  vex3d::ProgressScope progress(LoadStringW(vex3d::kStrMergingTitle),
                                LoadStringW(vex3d::kStrMergingText));
  Merger merger(*this, *target, own, pairs, faceNormals(*this, *geom, own), std::cos(angle));
  for (int i = 0; i < n; ++i) {
    if (progress.Cancelled(i, n)) return -1;
    merger.Visit(i);
  }

  const int written = merger.Written();
  target->SetSize(written);
  target->FreeExtra();
  for (const ChannelPair& pair : pairs) {
    if (pair.targetFaces == nullptr) continue;
    pair.targetFaces->SetSize(written);
    pair.targetFaces->FreeExtra();
  }
  // With nothing merged or dropped the result is a face-for-face copy, and
  // the point list, which the source faces still index, is left alone.
  if (written < n) {
    CGeomInfo result(target, geom->GetSrcPointList());
    result.SetChannels(geom->GetDstChannels(), nullptr);
    target->Clean(&result);
  }
  return target->GetSize();
}
