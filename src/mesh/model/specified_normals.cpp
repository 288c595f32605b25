// Specified normals: vectors given per face corner by a file, completed
// where the file left gaps and marked where they break, so that welding
// and export keep hard edges hard.
#include <cmath>
#include <vector>

#include "math/matrix4x4.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/internal/seam_walk.h"
#include "mesh/model/normal_channels.h"

namespace {

constexpr std::uint32_t kComputeFromFaces = POINT_UV_FRONTIER;  // 0x20 on a specified vector

// Two corner vectors break the normal when exactly one is unspecified or
// when both are given and are farther apart than the cosine allows.
bool vectorsDiffer(const C3DVector& a, const C3DVector& b, float cosine) {
  const bool ua = a.IsFlagSet(POINT_UNSPECIFIED);
  const bool ub = b.IsFlagSet(POINT_UNSPECIFIED);
  if (ua || ub) return ua != ub;
  return a * b <= cosine - 1e-6f;
}

// Face normals computed once per pass, on first use.
class FaceNormals {
 public:
  FaceNormals(const CGeomInfo& geom, const C3DFaceList& faces)
      : m_geom(geom),
        m_faces(faces),
        m_normals(static_cast<std::size_t>(faces.GetSize())),
        m_known(static_cast<std::size_t>(faces.GetSize()), false) {}
  const C3DVector& operator[](int f) {
    const auto i = static_cast<std::size_t>(f);
    if (!m_known[i]) {
      m_faces.ElementAt(f)->GetNormal(m_geom, m_normals[i]);
      m_known[i] = true;
    }
    return m_normals[i];
  }

 private:
  const CGeomInfo& m_geom;
  const C3DFaceList& m_faces;
  std::vector<C3DVector> m_normals;
  std::vector<bool> m_known;
};

}  // namespace

CSpecNormalChannel::CSpecNormalChannel(std::uint32_t id) : CNormalChannel(CHANNEL_SPEC_NORMAL, id) {
  SetFlag(CHANNEL_MASKED_POINTS, 1);
  SetPointList(CHANNEL_SPEC_NORMAL, new C3DVectorList, new CNormalFaceList, 1);
}

CNormalFaceList* CSpecNormalChannel::GetNormalFaceList() const {
  return dynamic_cast<CNormalFaceList*>(GetFaceList());
}

int CSpecNormalChannel::MatrixTransform(const C4x4Matrix& m) { return transformVectors(m, false); }

void CSpecNormalChannel::ComputeNormals(CGeomInfo* geom) {
  if (!IsOneFlagSet(CHANNEL_INVALID | CHANNEL_STALE)) return;
  SetFlag(CHANNEL_STALE, 0);
  C3DVectorList* vectors = GetNormalVectorList();
  CNormalFaceList* specFaces = GetNormalFaceList();
  if (vectors == nullptr) return;
  bool any = false;
  for (int v = 0; v < vectors->GetSize(); ++v) {
    C3DVector& n = (*vectors)[v];
    if (!n.IsFlagSet(kComputeFromFaces)) continue;
    n.Init(0.0f, 0.0f, 0.0f);
    any = true;
  }
  const C3DFaceList* meshFaces = geom != nullptr ? geom->GetSrc3DFaceList() : nullptr;
  if (!any || specFaces == nullptr || meshFaces == nullptr) return;
  std::vector<int> seen;
  const int n = std::min(meshFaces->GetSize(), specFaces->GetSize());
  for (int i = 0; i < n; ++i) {
    const C3DFace* f = meshFaces->ElementAt(i);
    const CFace* sf = specFaces->ElementAt(i);
    if (f->IsFlagSet(FACE_INVALID) || sf->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    C3DVector normal;
    bool normalKnown = false;
    seen.clear();
    for (std::uint32_t k = 0; k < sf->GetSize(); ++k) {
      const int v = (*sf)[k];
      if (v < 0 || v >= vectors->GetSize() || !(*vectors)[v].IsFlagSet(kComputeFromFaces)) continue;
      // A vector used twice by one face takes that face once.
      if (std::find(seen.begin(), seen.end(), v) != seen.end()) continue;
      seen.push_back(v);
      if (!normalKnown) {
        f->GetNormal(*geom, normal);
        normalKnown = true;
      }
      (*vectors)[v] += normal;
    }
  }
  for (int v = 0; v < vectors->GetSize(); ++v) {
    if ((*vectors)[v].IsFlagSet(kComputeFromFaces)) (*vectors)[v].Normalize();
  }
}

int CSpecNormalChannel::Normalize() {
  C3DVectorList* vectors = GetNormalVectorList();
  CNormalFaceList* faces = GetNormalFaceList();
  if (vectors == nullptr) return 0;
  bool someZero = false;
  for (int v = 0; v < vectors->GetSize(); ++v) {
    C3DVector& n = (*vectors)[v];
    if (n.Normalize() == 0.0f) {
      n.SetFlag(POINT_UNSPECIFIED, 1);
      someZero = true;
    }
  }
  if (!someZero || faces == nullptr) return 1;
  int valid = 0;
  for (int i = 0; i < faces->GetSize(); ++i) {
    CFace* f = faces->ElementAt(i);
    if (f->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    bool allUnspecified = true;
    for (std::uint32_t k = 0; k < f->GetSize() && allUnspecified; ++k) {
      const int v = (*f)[k];
      allUnspecified =
          v >= 0 && v < vectors->GetSize() && (*vectors)[v].IsFlagSet(POINT_UNSPECIFIED);
    }
    if (allUnspecified) {
      f->RemoveAll();
    } else {
      ++valid;
    }
  }
  faces->FreeExtra();
  if (valid == 0) {
    SetFlag(CHANNEL_INVALID, 1);
    return 0;
  }
  return 1;
}

void CSpecNormalChannel::GenerateNormals(CGeomInfo* geom, unsigned int mode, float angle) {
  ComputeNormals(geom);
  if (!(mode & (NORMALS_FILL_FACES | NORMALS_FILL_CORNERS)) || geom == nullptr) return;
  C3DVectorList* vectors = GetNormalVectorList();
  CNormalFaceList* specFaces = GetNormalFaceList();
  C3DFaceList* meshFaces = geom->GetSrc3DFaceList();
  if (vectors == nullptr || specFaces == nullptr || meshFaces == nullptr) return;
  bool anyUnspecified = false;
  for (int v = 0; v < vectors->GetSize() && !anyUnspecified; ++v) {
    anyUnspecified = (*vectors)[v].IsFlagSet(POINT_UNSPECIFIED);
  }
  bool anyInvalidFace = false;
  for (int i = 0; i < specFaces->GetSize() && !anyInvalidFace; ++i) {
    anyInvalidFace = specFaces->ElementAt(i)->IsOneFlagSet(vex3d::kFaceSkipMask);
  }
  if ((mode & (NORMALS_FILL_FACES | NORMALS_FILL_CORNERS)) == NORMALS_FILL_CORNERS &&
      !anyUnspecified) {
    return;
  }
  if (!anyInvalidFace && !anyUnspecified) return;

  meshFaces->InitPointToFaceGraph(geom);
  const float c = std::cos(angle);
  FaceNormals faceNormals(*geom, *meshFaces);
  // Per mesh point: a generated vector every face around it agreed with.
  std::vector<int> shared(static_cast<std::size_t>(vex3d::seams::meshPointCount(*geom)), -1);

  auto fill = [&](int face, int point) {
    const bool sharable = point >= 0 && static_cast<std::size_t>(point) < shared.size();
    if (sharable && shared[static_cast<std::size_t>(point)] >= 0) {
      return shared[static_cast<std::size_t>(point)];
    }
    const C3DVector own = faceNormals[face];
    C3DVector sum = own;
    bool allWithin = true;
    int count = 0;
    const int* around = meshFaces->GetFacesConnectedToPoint(point, count);
    for (int i = 0; i < count; ++i) {
      if (around[i] == face) continue;
      const float k = [&] {
        const C3DVector& b = faceNormals[around[i]];
        const float lengths = own.Length() * b.Length();
        return lengths == 0.0f ? 0.0f : (own * b) / lengths;
      }();
      if (k >= c) {
        sum += faceNormals[around[i]];
      } else {
        allWithin = false;
      }
    }
    sum.Normalize();
    C3DVector added(sum.x, sum.y, sum.z);
    const int index = vectors->Add(added);
    if (allWithin && sharable) shared[static_cast<std::size_t>(point)] = index;
    return index;
  };

  const int n = std::min(meshFaces->GetSize(), specFaces->GetSize());
  for (int i = 0; i < n; ++i) {
    const C3DFace* f = meshFaces->ElementAt(i);
    if (f->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    CFace* sf = specFaces->ElementAt(i);
    if (sf->IsOneFlagSet(vex3d::kFaceSkipMask)) {
      if (!(mode & NORMALS_FILL_FACES)) continue;
      sf->SetFlags(vex3d::kFaceSkipMask, 0);
      sf->SetSize(f->GetSize());
      sf = specFaces->ElementAt(i);
      for (std::uint32_t k = 0; k < f->GetSize(); ++k) (*sf)[k] = fill(i, (*f)[k]);
      continue;
    }
    if (!(mode & NORMALS_FILL_CORNERS) || sf->GetSize() != f->GetSize()) continue;
    for (std::uint32_t k = 0; k < sf->GetSize(); ++k) {
      const int old = (*sf)[k];
      if (old >= 0 && old < vectors->GetSize() && !(*vectors)[old].IsFlagSet(POINT_UNSPECIFIED)) {
        continue;
      }
      const int index = fill(i, (*f)[k]);
      if (old >= 0 && old < vectors->GetSize()) (*vectors)[old].SetFlag(POINT_INVALID, 1);
      (*specFaces->ElementAt(i))[k] = index;
    }
  }
}

void CSpecNormalChannel::InitNormalBreakFlag(CGeomInfo* geom, float angle, int alsoMesh) {
  const float c = std::cos(angle);
  C3DVectorList* vectors = GetNormalVectorList();
  vex3d::seams::markSeams(
      *this, vectors, geom, POINT_NORMAL_BREAK, alsoMesh,
      [c](const C3DVector& a, const C3DVector& b) { return vectorsDiffer(a, b, c); });
  // Second pass: a break between consecutive corners of one face.
  const C3DFaceList* meshFaces = geom != nullptr ? geom->GetSrc3DFaceList() : nullptr;
  const CNormalFaceList* specFaces = GetNormalFaceList();
  if (vectors == nullptr || meshFaces == nullptr || specFaces == nullptr) return;
  CPointList* meshPoints = geom->GetSrcPointList();
  const int n = std::min(meshFaces->GetSize(), specFaces->GetSize());
  const int vectorCount = vectors->GetSize();
  for (int i = 0; i < n; ++i) {
    const C3DFace* f = meshFaces->ElementAt(i);
    const CFace* sf = specFaces->ElementAt(i);
    if (f->IsOneFlagSet(vex3d::kFaceSkipMask) || sf->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    const std::uint32_t size = std::min(f->GetSize(), sf->GetSize());
    for (std::uint32_t k = 0; k < size; ++k) {
      const std::uint32_t next = (k + 1) % size;
      const int a = (*sf)[k];
      const int b = (*sf)[next];
      if (a == b || a < 0 || b < 0 || a >= vectorCount || b >= vectorCount) continue;
      if (!vectorsDiffer((*vectors)[a], (*vectors)[b], c)) continue;
      (*vectors)[a].SetFlag(POINT_NORMAL_BREAK, 1);
      (*vectors)[b].SetFlag(POINT_NORMAL_BREAK, 1);
      if (!alsoMesh || meshPoints == nullptr) continue;
      for (const int p : {(*f)[k], (*f)[next]}) {
        if (p >= 0 && p < meshPoints->GetSize())
          meshPoints->GetPt(p)->SetFlags(POINT_NORMAL_BREAK, 1);
      }
    }
  }
}

int CSpecNormalChannel::IsNormalFrontier(CGeomInfo* geom, float cosine, const C3DEdge& edge, int f1,
                                         int f2) const {
  return vex3d::seams::isFrontier(
      *this, GetNormalVectorList(), geom, edge, f1, f2,
      [cosine](const C3DVector& a, const C3DVector& b) { return vectorsDiffer(a, b, cosine); });
}
