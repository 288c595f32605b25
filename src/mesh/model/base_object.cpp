#include "mesh/model/base_object.h"

#include <atomic>
#include <cstring>

#include "hostlib/core/archive.h"
#include "hostlib/text/strings.h"
#include "mesh/algorithms/patch.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/object_creator.h"
#include "scene/object_kinds.h"

IMPLEMENT_DYNAMIC(C3DBaseObject, CObject)
IMPLEMENT_SERIAL(C3DObject, C3DBaseObject, 1)

namespace {

constexpr float kPi = 3.1415927f;
std::atomic<float> g_globalSmoothAngle{30.0f * kPi / 180.0f};

constexpr std::uint32_t kSourceObjectKey = 0x52464F42;  // 'RFOB'
constexpr std::uint32_t kPointsChanged = 0x10070000;
constexpr std::uint32_t kFacesChanged = 0x10040000;

bool kindsAgree(_OBJECT_KINDOF source, _OBJECT_KINDOF target) {
  switch (source) {
    case OBJECT_POLYGONAL:
    case OBJECT_PATCH:
      return (target & (OBJECT_POLYGONAL | OBJECT_PATCH)) != 0;
    case OBJECT_CURVE:
    case OBJECT_GROUP:
      return target == source;
    default:
      return false;
  }
}

// A list stored with its class record; null when the file says there is
// none.
template <class TList>
std::unique_ptr<TList> loadList(CArchive& ar, const CRuntimeClass* base) {
  std::uint32_t present = 0;
  ar >> present;
  if (present == 0) return nullptr;
  if (present != 1) {
    AfxThrowArchiveException(CArchiveException::genericException, "object: bad list mark");
  }
  const CRuntimeClass* rtc = ar.ReadClass(base);
  std::unique_ptr<CObject> made(rtc != nullptr ? rtc->CreateObject() : nullptr);
  auto* list = dynamic_cast<TList*>(made.get());
  if (list == nullptr) {
    AfxThrowArchiveException(CArchiveException::badClass, "object: not a list class");
  }
  (void)made.release();
  std::unique_ptr<TList> owned(list);
  owned->Serialize(ar);
  return owned;
}

template <class TList>
void storeList(CArchive& ar, TList* list) {
  ar << static_cast<std::uint32_t>(list != nullptr ? 1 : 0);
  if (list == nullptr) return;
  ar.WriteClass(list->GetRuntimeClass());
  list->Serialize(ar);
}

}  // namespace

float vex3d::globalSmoothAngle() { return g_globalSmoothAngle.load(); }
void vex3d::setGlobalSmoothAngle(float radians) { g_globalSmoothAngle.store(radians); }

C3DBaseObject::C3DBaseObject() : C3DBaseObject(static_cast<_OBJECT_KINDOF>(0)) {}

C3DBaseObject::C3DBaseObject(_OBJECT_KINDOF kind)
    : m_kind(kind), m_channels(std::make_unique<CDependentChannels>()) {}

C3DBaseObject::C3DBaseObject(C3DPointList* points, C3DFaceList* faces) : C3DBaseObject() {
  m_points.reset(points);
  m_faces.reset(faces);
}

C3DBaseObject::~C3DBaseObject() = default;

C3DBaseObject::operator C3DObject*() {
  return m_kind == OBJECT_POLYGONAL ? dynamic_cast<C3DObject*>(this) : nullptr;
}
C3DBaseObject::operator C3DCurve*() {
  return m_kind == OBJECT_CURVE ? dynamic_cast<C3DCurve*>(this) : nullptr;
}
C3DBaseObject::operator C3DPatch*() {
  return m_kind == OBJECT_PATCH ? dynamic_cast<C3DPatch*>(this) : nullptr;
}
C3DBaseObject::operator C3DGroup*() {
  return m_kind == OBJECT_GROUP ? dynamic_cast<C3DGroup*>(this) : nullptr;
}

std::string C3DBaseObject::GetTypeString() const {
  switch (m_kind) {
    case OBJECT_POLYGONAL:
      return LoadStringW(vex3d::kStrPolygonalObject);
    case OBJECT_CURVE:
      return LoadStringW(vex3d::kStrCurve);
    case OBJECT_PATCH:
      return LoadStringW(vex3d::kStrPatch);
    case OBJECT_GROUP:
      return LoadStringW(vex3d::kStrObjectsGroup);
    default:
      return {};
  }
}

int C3DBaseObject::GetFaceNbr() const { return m_faces ? m_faces->GetSize() : 0; }
int C3DBaseObject::GetPointNbr() const { return m_points ? m_points->GetSize() : 0; }

CChannel* C3DBaseObject::GetChannelByID(std::uint32_t id, _Channel3DType type) const {
  return m_channels->GetChannelByID(id, type);
}

void C3DBaseObject::SetFaceMode(std::uint32_t mode) {
  m_faceMode = mode;
  m_update |= UPDATE_MODIFIED;
}

void C3DBaseObject::SetGlobalUVWChannel(std::uint32_t id) {
  m_globalUVW = id;
  m_update |= UPDATE_MODIFIED;
}

void C3DBaseObject::SetGlobalVCChannel(std::uint32_t id, float value) {
  m_globalVC = id;
  m_globalVCValue = value;
  m_update |= UPDATE_MODIFIED;
}

void C3DBaseObject::SetChannels(CDependentChannels* channels) {
  m_channels.reset(channels != nullptr ? channels : new CDependentChannels);
  m_update |= UPDATE_MODIFIED;
}

void C3DBaseObject::SetSmoothAngle(float angle) {
  const float degrees = angle * 180.0f / kPi;
  if (!(degrees >= 0.0f && degrees <= 180.0f) || angle == m_smoothAngle) return;
  m_smoothAngle = angle;
  m_channels->RemoveChannels(CHANNEL_POINT_NORMAL | CHANNEL_FACE_NORMAL, 0, 0);
}

float C3DBaseObject::GetSmoothAngle() const {
  return m_smoothAngle == -1.0f ? vex3d::globalSmoothAngle() : m_smoothAngle;
}

void C3DBaseObject::SetFaceList(C3DFaceList* faces) {
  (void)m_faces.release();  // the caller keeps the previous list
  m_faces.reset(faces);
  if (m_faces) m_faces->SetFlag(FACELIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kFacesChanged;
}

void C3DBaseObject::SetPointList(C3DPointList* points) {
  (void)m_points.release();  // the caller keeps the previous list
  m_points.reset(points);
  if (m_points) m_points->SetFlag(POINTLIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kPointsChanged;
}

std::unique_ptr<C3DFaceList> C3DBaseObject::ReleaseFaceList() {
  m_update |= kFacesChanged;
  return std::move(m_faces);
}

std::unique_ptr<C3DPointList> C3DBaseObject::ReleasePointList() {
  m_update |= kPointsChanged;
  return std::move(m_points);
}

std::unique_ptr<CDependentChannels> C3DBaseObject::ReleaseChannels() {
  auto channels = std::move(m_channels);
  m_channels = std::make_unique<CDependentChannels>();
  return channels;
}

int C3DBaseObject::AddChannel(CChannel* channel) { return m_channels->AddChannel(channel); }

void C3DBaseObject::RemoveComputedChannels() {
  m_channels->RemoveChannels(vex3d::kAllChannelTypes, CHANNEL_COMPUTED, 1);
}

void C3DBaseObject::Invalidate(unsigned int what, int on) {
  what &= 0x1000FFFFu;
  std::uint32_t mask = 0;
  if (what & OBJECT_CHANGED_POINTS) {
    if (m_points) m_points->SetFlag(POINTLIST_CHANGED, 1);
    RemoveComputedChannels();
    mask = kPointsChanged;
  }
  if (what & OBJECT_CHANGED_FACES) {
    if (m_faces) m_faces->SetFlag(FACELIST_CHANGED, 1);
    RemoveComputedChannels();
    mask = (what & OBJECT_CHANGED_POINTS) ? kPointsChanged : kFacesChanged;
  }
  if (what & OBJECT_CHANGED_CHANNELS) {
    RemoveComputedChannels();
    mask |= UPDATE_UVW;
  }
  if (what & (OBJECT_CHANGED_BOX | OBJECT_CHANGED_OTHER))
    mask |= UPDATE_MODIFIED | UPDATE_POINT_BOX;
  mask |= what & 0xFFFF0000u;
  vex3d::setFlagBits(m_update, mask, on);
}

void C3DBaseObject::computePointBox() {
  m_points->GetBoundingBox(m_pointBoxMin, m_pointBoxMax);
  m_update &= ~static_cast<std::uint32_t>(UPDATE_POINT_BOX);
}

int C3DBaseObject::GetBoundingBox(C3DPoint& min, C3DPoint& max, int throughFaces) {
  if (IsFlagSet(OBJECT_EMPTY)) return 0;
  if (throughFaces) {
    if (IsInvalidate(UPDATE_FACE_BOX)) {
      CGeomInfo geom(this);
      m_faceBoxValid = m_faces ? m_faces->GetBoundingBox(&geom, m_faceBoxMin, m_faceBoxMax) : 0;
      m_update &= ~static_cast<std::uint32_t>(UPDATE_FACE_BOX);
    }
    min = m_faceBoxMin;
    max = m_faceBoxMax;
    return m_faceBoxValid;
  }
  if (IsInvalidate(UPDATE_POINT_BOX)) {
    if (!m_points) return 0;
    computePointBox();
  }
  min = m_pointBoxMin;
  max = m_pointBoxMax;
  return 1;
}

int C3DBaseObject::GetCG(C3DPoint& center) {
  if (!m_points) return 0;
  if (IsInvalidate(UPDATE_POINT_BOX)) computePointBox();
  center.Init((m_pointBoxMin[0] + m_pointBoxMax[0]) / 2, (m_pointBoxMin[1] + m_pointBoxMax[1]) / 2,
              (m_pointBoxMin[2] + m_pointBoxMax[2]) / 2);
  return 1;
}

const CHashTable<unsigned int>* C3DBaseObject::GetMaterialsHash() {
  if (!m_faces) return nullptr;
  CGeomInfo geom(this);
  return &m_faces->GetMaterialsHash(&geom);
}

CPointNormalChannel* C3DBaseObject::GetPointNormalChannel() {
  if (m_kind == OBJECT_CURVE || m_kind == OBJECT_GROUP) return nullptr;
  CPointNormalChannel* normals = m_channels->GetPointNormalChannel();
  CGeomInfo geom(this);
  normals->InitNormals(&geom, GetSmoothAngle());
  return normals;
}

CFaceNormalChannel* C3DBaseObject::GetFaceNormalChannel() {
  if (m_kind == OBJECT_CURVE || m_kind == OBJECT_GROUP) return nullptr;
  CFaceNormalChannel* normals = m_channels->GetFaceNormalChannel();
  CGeomInfo geom(this);
  normals->InitNormals(&geom);
  return normals;
}

int C3DBaseObject::Clean() {
  if (!m_faces || IsFlagSet(OBJECT_EMPTY)) return 0;
  CGeomInfo geom(this);
  const int result = m_faces->Clean(&geom);
  if (result) {
    if (GetFaceNbr() == 0 && GetPointNbr() == 0) SetFlag(OBJECT_EMPTY, 1);
    m_faces->SetFlag(FACELIST_CHANGED, 1);
    if (m_points) m_points->SetFlag(POINTLIST_CHANGED, 1);
    RemoveComputedChannels();
    m_update |= kPointsChanged;
  }
  return result;
}

int C3DBaseObject::FlipNormals() {
  if (!m_faces || IsFlagSet(OBJECT_EMPTY)) return 0;
  m_faces->FlipNormals();
  for (int i = 0; i < m_channels->GetSize(); ++i) {
    CChannel* c = m_channels->GetChannelByIndex(i);
    if (c->IsOneFlagSet(CHANNEL_INVALID | CHANNEL_COMPUTED) || c->GetFaceList() == nullptr)
      continue;
    c->GetFaceList()->FlipNormals();
  }
  m_faces->SetFlag(FACELIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kFacesChanged;
  return 1;
}

int C3DBaseObject::ReplaceMaterial(unsigned int oldId, unsigned int newId) {
  if (oldId == newId || !m_faces || !m_faces->ReplaceMaterial(oldId, newId)) return 0;
  m_faces->SetFlag(FACELIST_CHANGED, 1);
  if (m_points) m_points->SetFlag(POINTLIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kPointsChanged;
  return 1;
}

void C3DBaseObject::InheritFlags(const C3DBaseObject& other) {
  m_flags = other.m_flags;
  m_update = other.m_update;
  m_pointBoxMin = other.m_pointBoxMin;
  m_pointBoxMax = other.m_pointBoxMax;
  m_faceBoxMin = other.m_faceBoxMin;
  m_faceBoxMax = other.m_faceBoxMax;
  m_faceBoxValid = other.m_faceBoxValid;
  m_smoothAngle = other.m_smoothAngle;
  m_faceMode = other.m_faceMode;
  m_globalUVW = other.m_globalUVW;
  m_globalVC = other.m_globalVC;
  m_globalVCValue = other.m_globalVCValue;
  m_customData = other.m_customData;
}

std::unique_ptr<C3DBaseObject> C3DBaseObject::Copy(int mode, C3DObjectCreator* creator) const {
  C3DObjectCreator fallback;
  C3DObjectCreator& use = creator != nullptr ? *creator : fallback;
  std::unique_ptr<C3DBaseObject> target = use.GetNewObjectFrom(*this);
  if (!target || !Copy(target, mode, &use)) return nullptr;
  use.CopyDone(*target, *this);
  return target;
}

int C3DBaseObject::Copy(std::unique_ptr<C3DBaseObject>& target, int mode,
                        C3DObjectCreator* creator) const {
  C3DObjectCreator fallback;
  C3DObjectCreator& use = creator != nullptr ? *creator : fallback;
  if (!target) target = use.GetNewObjectFrom(*this);
  if (!target || !kindsAgree(m_kind, target->m_kind)) return 0;
  if (m_points) {
    if (!target->m_points) target->m_points = use.GetNewPointList();
    *target->m_points = *m_points;
  }
  if (m_faces) {
    if (!target->m_faces) target->m_faces = use.GetNewFaceList();
    *target->m_faces = *m_faces;
  }
  target->m_channels->CopyChannels(*m_channels, vex3d::kAllChannelTypes,
                                   CHANNEL_COPY_KEEP_ID | CHANNEL_COPY_SKIP_COMPUTED);
  target->InheritFlags(*this);
  if (mode & 0x10) {
    const auto address = reinterpret_cast<std::uint64_t>(this);
    target->m_customData.SetBinary(kSourceObjectKey, &address, sizeof address);
  }
  target->RemoveComputedChannels();
  target->m_update |= UPDATE_UVW;
  return 1;
}

void C3DBaseObject::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_flags << m_smoothAngle << m_faceMode;
    storeList(ar, m_faces.get());
    storeList(ar, m_points.get());
    ar << m_globalUVW << m_globalVC << m_globalVCValue;
    m_channels->Serialize(ar);
    m_customData.Serialize(ar);
    return;
  }
  std::uint32_t flags = 0;
  float smoothAngle = 0;
  std::uint32_t faceMode = 0;
  ar >> flags >> smoothAngle >> faceMode;
  std::unique_ptr<C3DFaceList> faces = loadList<C3DFaceList>(ar, RUNTIME_CLASS(C3DFaceList));
  std::unique_ptr<C3DPointList> points = loadList<C3DPointList>(ar, RUNTIME_CLASS(C3DPointList));
  std::uint32_t globalUVW = 0;
  std::uint32_t globalVC = 0;
  float globalVCValue = 0;
  ar >> globalUVW >> globalVC >> globalVCValue;
  auto channels = std::make_unique<CDependentChannels>();
  channels->Serialize(ar);
  CCustomData customData;
  customData.Serialize(ar);

  if (faces) m_faces = std::move(faces);
  if (points) m_points = std::move(points);
  if (m_faces) vex3d::emptyFacesOutOfRange(*m_faces, GetPointNbr());
  m_flags = flags;
  m_smoothAngle = smoothAngle;
  m_faceMode = faceMode;
  m_globalUVW = globalUVW;
  m_globalVC = globalVC;
  m_globalVCValue = globalVCValue;
  m_channels = std::move(channels);
  m_customData = std::move(customData);
  // Channels whose faces no longer match the mesh's are kept but skipped.
  for (int i = 0; i < m_channels->GetSize(); ++i) {
    CChannel* c = m_channels->GetChannelByIndex(i);
    if (c->GetFaceList() != nullptr && c->GetFaceList()->GetSize() != GetFaceNbr()) {
      c->SetFlag(CHANNEL_INVALID, 1);
    }
  }
  if (m_faces) m_faces->SetFlag(FACELIST_CHANGED, 1);
  if (m_points) m_points->SetFlag(POINTLIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kPointsChanged;
}

C3DObject::C3DObject() : C3DBaseObject(OBJECT_POLYGONAL) {}

C3DObject::C3DObject(C3DPointList* points, C3DFaceList* faces) : C3DObject() {
  SetPointList(points);
  SetFaceList(faces);
}

int C3DObject::Init(int points, int faces, int capacity, int withTexture, int texturePoints) {
  auto faceList = std::make_unique<C3DFaceList>();
  faceList->SetSize(faces, capacity);
  auto pointList = std::make_unique<C3DPointList>();
  pointList->SetSize(points);
  if (withTexture && texturePoints) {
    auto texture = std::make_unique<CUVWChannel>();
    texture->GetPointList()->SetSize(texturePoints);
    texture->GetFaceList()->SetSize(*faceList);
    AddChannel(texture.release());
  }
  delete GetFaceList();
  delete GetPointList();
  SetFaceList(faceList.release());
  SetPointList(pointList.release());
  return 1;
}
