// Face and point normals, and the per-corner normal that combines
// specified normals with smoothing by angle. Smoothing is deliberately
// simple: around a point, the first face is the reference and every face
// within the angle of it counts equally (no weighting by area or angle).
#include <atomic>
#include <cmath>
#include <vector>

#include "hostlib/core/parallel_parts.h"
#include "math/matrix4x4.h"
#include "mesh/algorithms/internal/triangulate.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"

IMPLEMENT_DYNAMIC(CNormalChannel, CChannel)
IMPLEMENT_SERIAL(CFaceNormalChannel, CNormalChannel, 1)
IMPLEMENT_SERIAL(CPointNormalChannel, CNormalChannel, 1)
IMPLEMENT_SERIAL(CSpecNormalChannel, CNormalChannel, 1)

namespace {

// Cosine of the angle between two vectors; 0 when either is zero.
float cosineBetween(const C3DVector& a, const C3DVector& b) {
  const float squares = a.Length2() * b.Length2();
  return squares == 0.0f ? 0.0f : (a * b) / std::sqrt(squares);
}

// Parts worth a thread of their own: a few milliseconds of work each.
constexpr int kFacesPerPart = 65536;
constexpr int kPointsPerPart = 32768;

bool needsUpdate(const CChannel& c) { return c.IsOneFlagSet(CHANNEL_INVALID | CHANNEL_STALE); }

}  // namespace

CNormalChannel::CNormalChannel(_Channel3DType type, std::uint32_t id) : CChannel(type, id) {
  SetFlags(CHANNEL_DERIVED | CHANNEL_STALE, 1);
}

C3DVectorList* CNormalChannel::GetNormalVectorList() const {
  return dynamic_cast<C3DVectorList*>(GetPointList());
}

int CNormalChannel::transformVectors(const C4x4Matrix& m, bool exactScale) {
  if (m.IsIdentity()) return 0;
  C4x4Matrix rotation = m;
  if (exactScale) {
    C3DVector s;
    m.GetScale(s);
    rotation.Scale(s.x != 0.0f ? 1.0f / s.x : 1.0f, s.y != 0.0f ? 1.0f / s.y : 1.0f,
                   s.z != 0.0f ? 1.0f / s.z : 1.0f);
  } else {
    rotation.NoScale();
  }
  rotation.NoTranslation();
  if (C3DVectorList* vectors = GetNormalVectorList()) {
    C3DVector* v = vectors->GetData();
    for (int i = 0, n = vectors->GetSize(); i < n; ++i) v[i] *= rotation;
  }
  return 1;
}

CFaceNormalChannel::CFaceNormalChannel(std::uint32_t id) : CNormalChannel(CHANNEL_FACE_NORMAL, id) {
  SetPointList(CHANNEL_FACE_NORMAL, new C3DVectorList, nullptr, 1);
}

int CFaceNormalChannel::MatrixTransform(const C4x4Matrix& m) { return transformVectors(m, true); }

int CFaceNormalChannel::Clean(CGeomInfo*, CIntMap*, CIntMap*) {
  SetFlag(CHANNEL_STALE, 1);
  return 0;
}

void CFaceNormalChannel::InitNormals(CGeomInfo* geom) {
  if (!needsUpdate(*this) || geom == nullptr) return;
  C3DFaceList* faces = geom->GetSrc3DFaceList();
  C3DVectorList* vectors = GetNormalVectorList();
  if (faces == nullptr || vectors == nullptr) return;
  SetFlag(CHANNEL_STALE, 0);
  SetFlag(CHANNEL_COMPUTED, 1);
  const int n = faces->GetSize();
  vectors->SetSize(n);
  const C3DPointList* points = geom->GetSrc3DPointList();
  vex3d::forEachPart(n, kFacesPerPart, [&](int begin, int end) {
    for (int i = begin; i < end; ++i) {
      C3DFace* f = faces->ElementAt(i);
      if (f->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
      f->SetFlags(FACE_NOT_SMOOTH, 0);
      vex3d::unitNormal(*f, points, (*vectors)[i]);
    }
  });
}

CPointNormalChannel::CPointNormalChannel(std::uint32_t id)
    : CNormalChannel(CHANNEL_POINT_NORMAL, id) {
  SetPointList(CHANNEL_POINT_NORMAL, new C3DVectorList, nullptr, 1);
}

int CPointNormalChannel::MatrixTransform(const C4x4Matrix& m) { return transformVectors(m, true); }

int CPointNormalChannel::Clean(CGeomInfo*, CIntMap*, CIntMap*) {
  SetFlag(CHANNEL_STALE, 1);
  return 0;
}

void CPointNormalChannel::InitNormals(CGeomInfo* geom, float angle) {
  if (!needsUpdate(*this) || geom == nullptr) return;
  C3DFaceList* faces = geom->GetSrc3DFaceList();
  C3DPointList* points = geom->GetSrc3DPointList();
  C3DVectorList* vectors = GetNormalVectorList();
  CDependentChannels* channels = geom->GetSrcChannels();
  if (faces == nullptr || points == nullptr || vectors == nullptr || channels == nullptr) return;
  SetFlag(CHANNEL_STALE, 0);
  SetFlag(CHANNEL_COMPUTED, 1);
  CFaceNormalChannel* faceChannel = channels->GetFaceNormalChannel();
  faceChannel->InitNormals(geom);
  const C3DVectorList& faceNormals = *faceChannel->GetNormalVectorList();
  const float c = std::cos(angle);

  const int n = points->GetSize();
  vectors->SetSize(n);
  faces->InitPointToFaceGraph(geom);
  // Points are shared out among threads; a face beyond the angle may be
  // found by several of them, so its mark is set once all are done.
  std::vector<std::atomic<bool>> beyond(static_cast<std::size_t>(faceNormals.GetSize()));
  vex3d::forEachPart(n, kPointsPerPart, [&](int begin, int end) {
    for (int p = begin; p < end; ++p) {
      int count = 0;
      const int* around = faces->GetFacesConnectedToPoint(p, count);
      if (count == 0 || around[0] >= faceNormals.GetSize()) continue;
      const C3DVector& first = faceNormals[around[0]];
      C3DVector sum = first;
      for (int i = 1; i < count; ++i) {
        const int f = around[i];
        if (f >= faceNormals.GetSize()) continue;
        const C3DVector& b = faceNormals[f];
        if (c > cosineBetween(first, b)) {
          beyond[static_cast<std::size_t>(f)].store(true, std::memory_order_relaxed);
          continue;
        }
        sum += b;
      }
      sum.Normalize();
      C3DVector& out = (*vectors)[p];
      out.Init(sum.x, sum.y, sum.z);
    }
  });
  for (std::size_t f = 0; f < beyond.size(); ++f) {
    if (beyond[f].load(std::memory_order_relaxed))
      faces->ElementAt(static_cast<int>(f))->SetFlags(FACE_NOT_SMOOTH, 1);
  }
}

_SmoothingPass CPointNormalChannel::BeginSmoothing(CGeomInfo* geom, CSpecNormalChannel* specified,
                                                   CFaceNormalChannel* faces, C3DVector* out,
                                                   float angle) const {
  _SmoothingPass pass;
  pass.meshFaces = geom != nullptr ? geom->GetSrc3DFaceList() : nullptr;
  pass.faceNormals = faces != nullptr ? faces->GetNormalVectorList() : nullptr;
  pass.specified = specified;
  pass.out = out;
  pass.cosine = std::cos(angle);
  if (pass.specified != nullptr) {
    pass.specified->ComputeNormals(geom);
    pass.specifiedFaces = pass.specified->GetNormalFaceList();
    pass.specifiedVectors = pass.specified->GetNormalVectorList();
  }
  if (pass.meshFaces != nullptr) pass.meshFaces->InitPointToFaceGraph(geom);
  pass.owner = this;
  pass.pointNormals = GetNormalVectorList();
  return pass;
}

namespace {

const C3DVector* faceNormal(const _SmoothingPass& pass, int face) {
  if (pass.faceNormals == nullptr || face < 0 || face >= pass.faceNormals->GetSize())
    return nullptr;
  return &(*pass.faceNormals)[face];
}

}  // namespace

int CPointNormalChannel::GetSmoothNormalByCorner(const _SmoothingPass& pass, int face,
                                                 int corner) const {
  if (pass.specified != nullptr) {
    const bool cached = pass.specifiedFaces != nullptr && pass.specifiedVectors != nullptr;
    const CNormalFaceList* faces =
        cached ? pass.specifiedFaces : pass.specified->GetNormalFaceList();
    const CFace* sf = faces->ElementAt(face);
    const C3DVectorList* vectors =
        cached ? pass.specifiedVectors : pass.specified->GetNormalVectorList();
    if (sf != nullptr && !sf->IsFlagSet(FACE_CHANNEL_INVALID) && corner >= 0 &&
        static_cast<std::uint32_t>(corner) < sf->GetSize()) {
      const int v = (*sf)[static_cast<std::uint32_t>(corner)];
      if (v >= 0 && v < vectors->GetSize() && !(*vectors)[v].IsFlagSet(POINT_UNSPECIFIED)) {
        const C3DVector& given = (*vectors)[v];
        pass.out->Init(given.x, given.y, given.z);
        return given.IsFlagSet(POINT_UV_FRONTIER) ? NORMAL_FROM_SPEC_COMPUTED : NORMAL_FROM_SPEC;
      }
    }
  }
  const CFace* f = pass.meshFaces != nullptr ? pass.meshFaces->ElementAt(face) : nullptr;
  if (f == nullptr || corner < 0 || static_cast<std::uint32_t>(corner) >= f->GetSize()) {
    pass.out->Init(0.0f, 0.0f, 0.0f);
    return NORMAL_FROM_SMOOTHING;
  }
  return ComputeSmoothNormalByIndex(pass, face, (*f)[static_cast<std::uint32_t>(corner)]);
}

int CPointNormalChannel::GetSmoothNormalByIndex(const _SmoothingPass& pass, int face,
                                                int point) const {
  const CFace* f = pass.meshFaces != nullptr ? pass.meshFaces->ElementAt(face) : nullptr;
  const int corner = f != nullptr ? f->IsFacePoint(point) : -1;
  if (pass.specified != nullptr && corner >= 0) {
    const int result = GetSmoothNormalByCorner(pass, face, corner);
    return result == NORMAL_FROM_SMOOTHING ? result : NORMAL_FROM_SPEC_BY_INDEX;
  }
  return ComputeSmoothNormalByIndex(pass, face, point);
}

int CPointNormalChannel::ComputeSmoothNormalByIndex(const _SmoothingPass& pass, int face,
                                                    int point) const {
  const C3DVectorList* points = pass.owner == this && pass.pointNormals != nullptr
                                    ? pass.pointNormals
                                    : GetNormalVectorList();
  const bool hasPointNormal = points != nullptr && point >= 0 && point < points->GetSize();
  const C3DVector pointNormal = hasPointNormal ? (*points)[point] : C3DVector(0.0f, 0.0f, 0.0f);
  const CFace* f = pass.meshFaces != nullptr ? pass.meshFaces->ElementAt(face) : nullptr;
  const C3DVector* own = faceNormal(pass, face);
  auto answer = [&pass](const C3DVector& v) {
    pass.out->Init(v.x, v.y, v.z);
    return NORMAL_FROM_SMOOTHING;
  };
  if (f == nullptr || own == nullptr || !f->IsFlagSet(FACE_NOT_SMOOTH)) return answer(pointNormal);
  if (cosineBetween(*own, pointNormal) >= pass.cosine) return answer(pointNormal);
  int count = 0;
  const int* around = pass.meshFaces->GetFacesConnectedToPoint(point, count);
  if (count == 0) return answer(pointNormal);
  C3DVector sum = *own;
  for (int i = 0; i < count; ++i) {
    if (around[i] == face) continue;
    const C3DFace* other = pass.meshFaces->ElementAt(around[i]);
    const C3DVector* b = faceNormal(pass, around[i]);
    if (other == nullptr || b == nullptr || other->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    if (cosineBetween(*own, *b) >= pass.cosine) sum += *b;
  }
  sum.Normalize();
  return answer(sum);
}
