#include "mesh/model/face.h"

#include <algorithm>
#include <vector>

#include "hostlib/core/archive.h"
#include "math/point3d.h"
#include "math/point4d.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_list.h"

CFace::CFace(const CFace& other)
    : CCollectionElement<int, unsigned short>(other), m_flags(other.m_flags) {
  if (other.m_customData) m_customData = std::make_unique<CCustomData>(*other.m_customData);
}

CFace& CFace::operator=(const CFace& other) {
  if (this != &other) InheritFlags(other);
  return *this;
}

CFace::~CFace() = default;

void CFace::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_flags;
  else
    ar >> m_flags;
}

void CFace::SetInvalidFlag(int on) { SetFlags(FACE_INVALID, on); }

void CFace::InheritFlags(const CFace& other) {
  if (this == &other) return;
  m_flags = other.m_flags;
  if (other.m_customData) {
    if (m_customData)
      *m_customData = *other.m_customData;
    else
      m_customData = std::make_unique<CCustomData>(*other.m_customData);
  } else {
    m_customData.reset();
  }
}

void CFace::SetSize(std::uint32_t n) {
  ResizeRecord(n);
  SetInvalidFlag(n < 3 ? 1 : 0);
}

void CFace::SetTriangle(int a, int b, int c) {
  ResizeRecord(3);
  m_values[0] = a;
  m_values[1] = b;
  m_values[2] = c;
  SetInvalidFlag(0);
}

void CFace::SetQuadrangle(int a, int b, int c, int d) {
  ResizeRecord(4);
  m_values[0] = a;
  m_values[1] = b;
  m_values[2] = c;
  m_values[3] = d;
  SetInvalidFlag(0);
}

void CFace::RemoveAll() {
  ResizeRecord(0);
  SetInvalidFlag(1);
}

std::uint32_t CFace::AddIndex(int p) {
  const std::uint32_t n = m_size + 1;
  ResizeRecord(n);
  m_values[n - 1] = p;
  SetInvalidFlag(n < 3 ? 1 : 0);
  return n;
}

int CFace::IsFacePoint(int p) const {
  for (std::uint32_t k = 0; k < m_size; ++k) {
    if (m_values[k] == p) return static_cast<int>(k);
  }
  return -1;
}

int CFace::IsFaceEdge(int a, int b, int oriented) const {
  for (std::uint32_t k = 0; k < m_size; ++k) {
    const int first = m_values[k];
    const int second = m_values[k + 1 == m_size ? 0 : k + 1];
    if ((first == a && second == b) || (!oriented && first == b && second == a)) {
      return static_cast<int>(k);
    }
  }
  return -1;
}

void CFace::Flip() { std::reverse(m_values, m_values + m_size); }

void CFace::removeAt(std::uint32_t k) {
  std::copy(m_values + k + 1, m_values + m_size, m_values + k);
  ResizeRecord(m_size - 1);
}

int CFace::RemoveIndex(int p) {
  for (std::uint32_t k = m_size; k-- > 0;) {
    if (m_values[k] == p) return RemoveCorner(k);
  }
  return 0;
}

int CFace::RemoveCorner(std::uint32_t k) {
  if (k >= m_size) return 0;
  const bool tooSmall = m_size < 4;
  removeAt(k);
  if (tooSmall) SetInvalidFlag(1);
  return 1;
}

int CFace::ReplaceIndex(int oldIndex, int newIndex, int& position) {
  position = -1;
  if (oldIndex == newIndex) return 0;
  const int at = IsFacePoint(oldIndex);
  if (at < 0) return 0;
  position = at;
  if (IsFacePoint(newIndex) < 0) {
    m_values[at] = newIndex;
    return 1;
  }
  removeAt(static_cast<std::uint32_t>(at));
  if (m_size >= 3) return 5;
  SetInvalidFlag(1);
  return 2;
}

void CFace::Copy(const CFace& other, int withIndices) {
  if (withIndices && &other != this) {
    if (other.m_store == m_store && m_store != nullptr) {
      // Growing our record may move the buffer the other face reads from,
      // and the other view may be older than its record.
      const std::uint32_t n = m_store->GetRecordSize(other.m_index);
      ResizeRecord(n);
      std::copy_n(m_store->GetRecordValues(other.m_index), n, m_values);
    } else {
      const std::uint32_t n = other.m_size;
      ResizeRecord(n);
      std::copy_n(other.m_values, n, m_values);
    }
  }
  InheritFlags(other);
}

int CFace::IsPointFlagSet(const CGeomInfo& geom, std::uint32_t flag) const {
  if (IsOneFlagSet(vex3d::kFaceSkipMask)) return 0;
  const CPointList* points = geom.GetSrcPointList();
  std::uint32_t with = 0;
  for (std::uint32_t k = 0; k < m_size; ++k) {
    with += points->GetPt(m_values[k])->IsFlagSet(flag) ? 1 : 0;
  }
  if (with == m_size) return 2;
  return with > 0 ? 1 : 0;
}

void CFace::SetPointFlag(const CGeomInfo& geom, std::uint32_t flag, int on) const {
  CPointList* points = geom.GetSrcPointList();
  for (std::uint32_t k = 0; k < m_size; ++k) points->GetPt(m_values[k])->SetFlags(flag, on);
}

void CFace::meanOfPoints(const CGeomInfo& geom, C4DPoint& center) const {
  const CPointList* points = geom.GetSrcPointList();
  C4DPoint sum;
  C4DPoint p;
  for (std::uint32_t k = 0; k < m_size; ++k) {
    points->GetPt(m_values[k])->To4DPoint(p);
    if (k == 0) sum.Init(p.n);
    for (int c = 0; c < p.n && c < sum.n; ++c) sum.v[c] += p.v[c];
  }
  if (m_size > 0) sum /= static_cast<float>(m_size);
  center = sum;
}

C3DFace& C3DFace::operator=(const CFace& other) {
  if (this == &other) return *this;
  CFace::operator=(other);
  if (const auto* face = dynamic_cast<const C3DFace*>(&other)) m_materialId = face->m_materialId;
  return *this;
}

void C3DFace::Serialize(CArchive& ar) {
  CFace::Serialize(ar);
  if (ar.IsStoring())
    ar << m_materialId;
  else
    ar >> m_materialId;
}

void C3DFace::GetCenter(const CGeomInfo& geom, C4DPoint& center) const {
  C3DPoint c;
  GetCenter(geom, c);
  c.To4DPoint(center);
}

void C3DFace::GetCenter(const CGeomInfo& geom, C3DPoint& center) const {
  const CPointList* points = geom.GetSrcPointList();
  C3DPoint sum;
  for (std::uint32_t k = 0; k < m_size; ++k) {
    const auto* p = static_cast<const C3DPoint*>(points->GetPt(m_values[k]));
    sum += *p;
  }
  center.Init(sum.x, sum.y, sum.z);
  if (m_size > 0) center /= static_cast<float>(m_size);
}

void C3DFace::GetPlane(const CGeomInfo& geom, C4DVector& plane) const {
  const CPointList* points = geom.GetSrcPointList();
  if (m_size < 3) return;
  plane.GetPlaneVector(*static_cast<const C3DPoint*>(points->GetPt(m_values[0])),
                       *static_cast<const C3DPoint*>(points->GetPt(m_values[1])),
                       *static_cast<const C3DPoint*>(points->GetPt(m_values[2])));
}

void CChannelFace::SetInvalidFlag(int on) { SetFlags(FACE_CHANNEL_INVALID, on); }

void CChannelFace::GetCenter(const CGeomInfo& geom, C4DPoint& center) const {
  meanOfPoints(geom, center);
}

C3DSingleFace::C3DSingleFace() : m_ownStore(std::make_unique<vex3d::IndexStore>(4)) {
  Bind(m_ownStore.get(), m_ownStore->AddRecord(0u, 4u));
}

C3DSingleFace::C3DSingleFace(const C3DSingleFace& other)
    : C3DFace(other), m_ownStore(std::make_unique<vex3d::IndexStore>(*other.m_ownStore)) {
  Bind(m_ownStore.get(), 0);
}

C3DSingleFace::~C3DSingleFace() = default;
static_assert(sizeof(C3DFace) <= 48, "faces are kept by the million: keep them small");
