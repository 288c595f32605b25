#include "mesh/algorithms/internal/subdivision_pass.h"

#include <cmath>
#include <memory>

#include "math/point4d.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace vex3d::subdivision {
namespace {

constexpr std::uint32_t kNoData = FACE_INVALID | FACE_CHANNEL_INVALID;

bool isRefined(const CFace& face, std::uint32_t size, int pointCount) {
  if (face.GetSize() != size || face.IsOneFlagSet(kFaceSkipMask)) return false;
  for (std::uint32_t k = 0; k < size; ++k) {
    if (face[k] < 0 || face[k] >= pointCount) return false;
  }
  return true;
}

// The edge of side (a, b) of face f: the one an earlier refined face on the
// same edge numbered, or a new one.
int edgeOf(Topology& t, int f, int a, int b) {
  int n = 0;
  const int* around = t.faces->GetFacesConnectedToEdge(C3DEdge(a, b), n);
  for (int i = 0; i < n && around[i] < f; ++i) {
    const int g = around[i];
    if (t.firstSide[static_cast<std::size_t>(g)] < 0) continue;
    const int side = t.faces->ElementAt(g)->IsFaceEdge(a, b, 0);
    if (side >= 0) return t.sideEdge[static_cast<std::size_t>(t.firstSide[g] + side)];
  }
  t.edges.emplace_back(a, b);
  return static_cast<int>(t.edges.size()) - 1;
}

void buildTopology(C3DBaseObject& object, const Scheme& scheme, Topology& t) {
  t.geom = CGeomInfo(&object);
  t.points = object.GetPointList();
  t.faces = object.GetFaceList();
  C3DFaceList& faces = *t.faces;
  faces.InitPointToFaceGraph(&t.geom);
  faces.InitEdgeToFaceGraph(&t.geom);
  faces.SetBorderFacesStatus(&t.geom);
  t.points->SetBorderPointsStatus(faces.GetEdgeGraph());

  const auto faceCount = static_cast<std::size_t>(faces.GetSize());
  const int pointCount = t.points->GetSize();
  const std::uint32_t size = scheme.FaceSize();
  t.firstSide.assign(faceCount, -1);
  t.centreRank.assign(faceCount, -1);
  t.sideEdge.clear();
  t.sideEdge.reserve(faceCount * size);
  t.edges.clear();
  t.refinedFaces = 0;
  for (int f = 0; f < faces.GetSize(); ++f) {
    const CFace* face = faces.ElementAt(f);
    if (!isRefined(*face, size, pointCount)) continue;
    t.firstSide[static_cast<std::size_t>(f)] = static_cast<int>(t.sideEdge.size());
    t.centreRank[static_cast<std::size_t>(f)] = t.refinedFaces++;
    int corners[4];
    for (std::uint32_t k = 0; k < size; ++k) corners[k] = (*face)[k];
    for (std::uint32_t k = 0; k < size; ++k) {
      t.sideEdge.push_back(edgeOf(t, f, corners[k], corners[(k + 1) % size]));
    }
  }
}

// Mean of the values, as unit vectors for normals.
void average(CPt& out, const CPt* const* values, int count, bool normalise) {
  C4DPoint sum;
  values[0]->To4DPoint(sum);
  for (int i = 1; i < count; ++i) {
    C4DPoint value;
    values[i]->To4DPoint(value);
    for (int c = 0; c < C4DPoint::kMaxComponents; ++c) sum.v[c] += value.v[c];
  }
  for (float& c : sum.v) c /= static_cast<float>(count);
  if (normalise) {
    const float length = std::sqrt(sum.v[0] * sum.v[0] + sum.v[1] * sum.v[1] + sum.v[2] * sum.v[2]);
    if (length > 0.0f) {
      for (int c = 0; c < 3; ++c) sum.v[c] /= length;
    }
  }
  out = sum;
}

class PassBuilder {
 public:
  PassBuilder(const Topology& t, const Scheme& scheme)
      : m_t(t),
        m_pattern(scheme.Children()),
        m_oldPoints(t.points->GetSize()),
        m_edgeBase(m_oldPoints),
        m_centreBase(m_oldPoints + static_cast<int>(t.edges.size())),
        m_withCentres(scheme.HasFacePoints()) {}

  int NewPointCount() const { return m_centreBase + (m_withCentres ? m_t.refinedFaces : 0); }
  int NewFaceCount() const {
    return m_t.faces->GetSize() + m_t.refinedFaces * (m_pattern.childCount - 1);
  }

  std::unique_ptr<C3DPointList> Points(const std::vector<C3DPoint>& vertex,
                                       const std::vector<C3DPoint>& edge,
                                       const std::vector<C3DPoint>& centre) const {
    auto points = std::make_unique<C3DPointList>();
    points->SetSize(NewPointCount());
    const C3DPointList& old = *m_t.points;
    for (int i = 0; i < m_oldPoints; ++i) {
      C3DPoint& p = (*points)[i];
      p = old[i];
      const C3DPoint& moved = vertex[static_cast<std::size_t>(i)];
      p.Init(moved.x, moved.y, moved.z);
    }
    for (std::size_t e = 0; e < m_t.edges.size(); ++e) {
      (*points)[m_edgeBase + static_cast<int>(e)].Init(edge[e].x, edge[e].y, edge[e].z);
    }
    if (m_withCentres) {
      for (int r = 0; r < m_t.refinedFaces; ++r) {
        const C3DPoint& c = centre[static_cast<std::size_t>(r)];
        (*points)[m_centreBase + r].Init(c.x, c.y, c.z);
      }
    }
    return points;
  }

  std::unique_ptr<C3DFaceList> Faces() const {
    auto faces = std::make_unique<C3DFaceList>();
    faces->SetSize(NewFaceCount(), m_pattern.childSize);
    const C3DFaceList& old = *m_t.faces;
    int out = 0;
    for (int f = 0; f < old.GetSize(); ++f) {
      const C3DFace* parent = old.ElementAt(f);
      const int first = m_t.firstSide[static_cast<std::size_t>(f)];
      if (first < 0) {
        C3DFace* copy = faces->ElementAt(out++);
        copy->Copy(*parent, 1);
        copy->SetMaterialID(parent->GetMaterialID());
        continue;
      }
      for (int c = 0; c < m_pattern.childCount; ++c) {
        C3DFace* child = faces->ElementAt(out++);
        child->SetSize(static_cast<std::uint32_t>(m_pattern.childSize));
        for (int k = 0; k < m_pattern.childSize; ++k) {
          const int ref = m_pattern.refs[c][k];
          if (ref < kEdgeRef) {
            (*child)[static_cast<std::uint32_t>(k)] = (*parent)[static_cast<std::uint32_t>(ref)];
          } else if (ref < kCentreRef) {
            (*child)[static_cast<std::uint32_t>(k)] =
                m_edgeBase + m_t.sideEdge[static_cast<std::size_t>(first + ref - kEdgeRef)];
          } else {
            (*child)[static_cast<std::uint32_t>(k)] =
                m_centreBase + m_t.centreRank[static_cast<std::size_t>(f)];
          }
        }
        *child = *parent;
      }
    }
    return faces;
  }

  // The channel following the refined faces; null when it cannot.
  std::unique_ptr<CChannel> Channel(const CChannel& source) const {
    if (source.IsOneFlagSet(CHANNEL_INVALID | CHANNEL_COMPUTED) ||
        source.GetPointList() == nullptr) {
      return nullptr;
    }
    std::unique_ptr<CChannel> made = source.InitFrom(CHANNEL_COPY_KEEP_ID);
    if (!made || made->GetPointList() == nullptr) return nullptr;
    made->SetFlags(source.GetFlags(), 1);
    made->GetCustomData() = source.GetCustomData();
    const bool normalise = source.GetType() == CHANNEL_SPEC_NORMAL;
    if (source.GetFaceList() == nullptr) {
      made->SetFaceList(made->GetType(), nullptr, 1);
      perPointValues(*source.GetPointList(), *made->GetPointList(), normalise);
      return made;
    }
    if (source.GetFaceList()->GetSize() != m_t.faces->GetSize() || made->GetFaceList() == nullptr) {
      return nullptr;
    }
    perCornerValues(source, *made, normalise);
    return made;
  }

 private:
  // Channel point i belongs to mesh point i.
  void perPointValues(const CPointList& from, CPointList& to, bool normalise) const {
    to.SetSize(NewPointCount());
    const int known = from.GetSize();
    for (int i = 0; i < m_oldPoints && i < known; ++i) *to.GetPt(i) = *from.GetPt(i);
    for (std::size_t e = 0; e < m_t.edges.size(); ++e) {
      const int a = m_t.edges[e].GetFirst();
      const int b = m_t.edges[e].GetSecond();
      if (a >= known || b >= known) continue;
      const CPt* ends[2] = {from.GetPt(a), from.GetPt(b)};
      average(*to.GetPt(m_edgeBase + static_cast<int>(e)), ends, 2, normalise);
    }
    if (!m_withCentres) return;
    for (int f = 0; f < m_t.faces->GetSize(); ++f) {
      const int rank = m_t.centreRank[static_cast<std::size_t>(f)];
      if (rank < 0) continue;
      const CFace* face = m_t.faces->ElementAt(f);
      const CPt* corners[4];
      bool inside = true;
      for (std::uint32_t k = 0; k < face->GetSize() && k < 4; ++k) {
        inside = inside && (*face)[k] < known;
        if (inside) corners[k] = from.GetPt((*face)[k]);
      }
      if (inside) {
        average(*to.GetPt(m_centreBase + rank), corners, static_cast<int>(face->GetSize()),
                normalise);
      }
    }
  }

  bool usable(const CFace& face, const CFace& mesh, int valueCount) const {
    if (face.IsOneFlagSet(kFaceSkipMask) || face.GetSize() != mesh.GetSize()) return false;
    for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
      if (face[k] < 0 || face[k] >= valueCount) return false;
    }
    return true;
  }

  // The value of side `side` of face f, shared with an earlier face that
  // has the same two values on that edge.
  int sideValue(const CFaceList& from, int f, int side, std::vector<int>& sideValues,
                CPointList& values, bool normalise) const {
    const CFace* face = from.ElementAt(f);
    const auto size = face->GetSize();
    const int ca = (*face)[static_cast<std::uint32_t>(side)];
    const int cb = (*face)[(static_cast<std::uint32_t>(side) + 1) % size];
    const CFace* mesh = m_t.faces->ElementAt(f);
    const int a = (*mesh)[static_cast<std::uint32_t>(side)];
    const int b = (*mesh)[(static_cast<std::uint32_t>(side) + 1) % size];
    int n = 0;
    const int* around = m_t.faces->GetFacesConnectedToEdge(C3DEdge(a, b), n);
    for (int i = 0; i < n && around[i] < f; ++i) {
      const int g = around[i];
      const int first = m_t.firstSide[static_cast<std::size_t>(g)];
      if (first < 0) continue;
      const int gs = m_t.faces->ElementAt(g)->IsFaceEdge(a, b, 0);
      if (gs < 0) continue;
      const int known = sideValues[static_cast<std::size_t>(first + gs)];
      if (known < 0) continue;
      const CFace* other = from.ElementAt(g);
      const int ga = (*other)[static_cast<std::uint32_t>(gs)];
      const int gb = (*other)[(static_cast<std::uint32_t>(gs) + 1) % other->GetSize()];
      if ((ga == ca && gb == cb) || (ga == cb && gb == ca)) return known;
    }
    const int made = values.Add(nullptr);
    const CPt* ends[2] = {values.GetPt(ca), values.GetPt(cb)};
    average(*values.GetPt(made), ends, 2, normalise);
    return made;
  }

  void perCornerValues(const CChannel& source, CChannel& made, bool normalise) const {
    const CFaceList& from = *source.GetFaceList();
    CFaceList& to = *made.GetFaceList();
    CPointList& values = *made.GetPointList();
    values = *source.GetPointList();
    const int valueCount = values.GetSize();
    to.SetSize(NewFaceCount(), m_pattern.childSize);
    std::vector<int> sideValues(m_t.sideEdge.size(), -1);
    int out = 0;
    for (int f = 0; f < from.GetSize(); ++f) {
      const CFace* parent = from.ElementAt(f);
      const int first = m_t.firstSide[static_cast<std::size_t>(f)];
      if (first < 0) {
        to.ElementAt(out++)->Copy(*parent, 1);
        continue;
      }
      const bool withData = usable(*parent, *m_t.faces->ElementAt(f), valueCount);
      int centre = -1;
      if (withData) {
        const auto size = static_cast<int>(parent->GetSize());
        for (int k = 0; k < size; ++k) {
          sideValues[static_cast<std::size_t>(first + k)] =
              sideValue(from, f, k, sideValues, values, normalise);
        }
        if (m_withCentres) {
          centre = values.Add(nullptr);
          const CPt* corners[4];
          for (int k = 0; k < size && k < 4; ++k) {
            corners[k] = values.GetPt((*parent)[static_cast<std::uint32_t>(k)]);
          }
          average(*values.GetPt(centre), corners, size, normalise);
        }
      }
      for (int c = 0; c < m_pattern.childCount; ++c) {
        CFace* child = to.ElementAt(out++);
        child->SetSize(static_cast<std::uint32_t>(m_pattern.childSize));
        for (int k = 0; k < m_pattern.childSize && withData; ++k) {
          const int ref = m_pattern.refs[c][k];
          int value = centre;
          if (ref < kEdgeRef) {
            value = (*parent)[static_cast<std::uint32_t>(ref)];
          } else if (ref < kCentreRef) {
            value = sideValues[static_cast<std::size_t>(first + ref - kEdgeRef)];
          }
          (*child)[static_cast<std::uint32_t>(k)] = value;
        }
        *child = *parent;
        if (!withData) child->SetFlags(kNoData, 1);
      }
    }
  }

  const Topology& m_t;
  const ChildPattern& m_pattern;
  int m_oldPoints;
  int m_edgeBase;
  int m_centreBase;
  bool m_withCentres;
};

}  // namespace

void run(C3DBaseObject& object, int level, const Scheme& scheme) {
  for (int pass = 0; pass < level; ++pass) {
    if (object.GetPointList() == nullptr || object.GetFaceList() == nullptr) return;
    Topology t;
    buildTopology(object, scheme, t);
    if (t.refinedFaces == 0) return;
    std::vector<C3DPoint> vertex;
    std::vector<C3DPoint> edge;
    std::vector<C3DPoint> centre;
    scheme.Place(t, vertex, edge, centre);

    const PassBuilder builder(t, scheme);
    std::unique_ptr<C3DPointList> points = builder.Points(vertex, edge, centre);
    std::unique_ptr<C3DFaceList> faces = builder.Faces();
    auto channels = std::make_unique<CDependentChannels>();
    const CDependentChannels& current = *object.GetChannels();
    for (int i = 0; i < current.GetSize(); ++i) {
      std::unique_ptr<CChannel> refined = builder.Channel(*current.GetChannelByIndex(i));
      if (refined) channels->AddChannel(refined.release());
    }

    object.SetChannels(channels.release());
    const std::unique_ptr<C3DFaceList> oldFaces(object.GetFaceList());
    const std::unique_ptr<C3DPointList> oldPoints(object.GetPointList());
    object.SetFaceList(faces.release());
    object.SetPointList(points.release());
  }
}

}  // namespace vex3d::subdivision
