#include "mesh/algorithms/patch.h"

#include <algorithm>

#include "hostlib/core/archive.h"
#include "mesh/algorithms/subdivision.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/object_creator.h"

IMPLEMENT_SERIAL(C3DPatch, C3DBaseObject, 1)

C3DPatch::C3DPatch() : C3DBaseObject(OBJECT_PATCH) {}

C3DPatch::~C3DPatch() = default;

void C3DPatch::SetLevel(int level) {
  level = std::clamp(level, 0, kMaxLevel);
  if (level == m_level) return;
  if (m_level <= 0) InitPatch();
  m_level = level;
  Subdivide(level);
  Invalidate(OBJECT_CHANGED_POINTS | OBJECT_CHANGED_FACES, 1);
}

std::int64_t C3DPatch::EstimateLevel(const C3DBaseObject* object, int level) {
  if (object == nullptr) return 0;
  const C3DFaceList* faces = object->GetFaceList();
  if (const auto* patch = dynamic_cast<const C3DPatch*>(object)) faces = patch->GetSourceFaceList();
  if (faces == nullptr) return 0;
  if (level <= 0) return faces->GetSize();
  const std::int64_t perFace = std::int64_t{1} << (2 * std::min(level, kMaxLevel));
  std::int64_t total = 0;
  for (int f = 0; f < faces->GetSize(); ++f) {
    const CFace* face = faces->ElementAt(f);
    const auto size = face->GetSize();
    if (!face->IsFlagSet(FACE_INVALID) && (size == 3 || size == 4)) total += perFace;
  }
  return total;
}

C3DFaceList* C3DPatch::GetSourceFaceList() const {
  return m_level > 0 ? m_sourceFaces.get() : GetFaceList();
}

C3DPointList* C3DPatch::GetSourcePointList() const {
  return m_level > 0 ? m_sourcePoints.get() : GetPointList();
}

CDependentChannels* C3DPatch::GetSourceChannels() const {
  return m_level > 0 ? m_sourceChannels.get() : GetChannels();
}

std::unique_ptr<C3DObject> C3DPatch::GetSourceObject() const {
  auto object = std::make_unique<C3DObject>();
  if (const C3DPointList* points = GetSourcePointList()) {
    auto copy = std::make_unique<C3DPointList>();
    *copy = *points;
    object->SetPointList(copy.release());
  }
  if (const C3DFaceList* faces = GetSourceFaceList()) {
    auto copy = std::make_unique<C3DFaceList>();
    *copy = *faces;
    object->SetFaceList(copy.release());
  }
  if (const CDependentChannels* channels = GetSourceChannels()) {
    object->GetChannels()->CopyChannels(*channels, vex3d::kAllChannelTypes,
                                        CHANNEL_COPY_KEEP_ID | CHANNEL_COPY_SKIP_COMPUTED);
  }
  object->InheritFlags(*this);
  // The inherited boxes are those of the refined mesh.
  object->Invalidate(OBJECT_CHANGED_POINTS | OBJECT_CHANGED_FACES, 1);
  return object;
}

void C3DPatch::Subdivide3(C3DBaseObject& object, int level) { vex3d::subdivideLoop(object, level); }

void C3DPatch::Subdivide4(C3DBaseObject& object, int level) {
  vex3d::subdivideCatmullClark(object, level);
}

void C3DPatch::Subdivide(int level) {
  {
    // The refined lists of the previous level go.
    const std::unique_ptr<C3DFaceList> faces = ReleaseFaceList();
    const std::unique_ptr<C3DPointList> points = ReleasePointList();
    const std::unique_ptr<CDependentChannels> channels = ReleaseChannels();
  }
  swapWithSource();
  if (level == 0) return;

  std::unique_ptr<C3DObject> triangles = SubObject(3, SUBOBJECT_EXACT_SIZE);
  std::unique_ptr<C3DObject> quadrangles = SubObject(4, SUBOBJECT_EXACT_SIZE);
  std::unique_ptr<C3DObject> others = SubObject(4, SUBOBJECT_LARGER);
  if (triangles) Subdivide3(*triangles, level);
  if (quadrangles) Subdivide4(*quadrangles, level);

  InitPatch();
  SetChannels(new CDependentChannels);
  SetFaceList(new C3DFaceList);
  SetPointList(new C3DPointList);
  Concatenate(triangles.get(), 1);
  Concatenate(quadrangles.get(), 0);
  Concatenate(others.get(), 0);
}

void C3DPatch::InitPatch() {
  m_sourceFaces = ReleaseFaceList();
  m_sourcePoints = ReleasePointList();
  m_sourceChannels = ReleaseChannels();
}

void C3DPatch::ReleasePatch() {
  if (m_level > 0) {
    m_sourceFaces.reset();
    m_sourcePoints.reset();
    m_sourceChannels.reset();
  }
  m_level = kNotSetUp;
}

void C3DPatch::swapWithSource() {
  std::unique_ptr<C3DFaceList> faces = ReleaseFaceList();
  std::unique_ptr<C3DPointList> points = ReleasePointList();
  std::unique_ptr<CDependentChannels> channels = ReleaseChannels();
  SetChannels(m_sourceChannels.release());
  SetFaceList(m_sourceFaces.release());
  SetPointList(m_sourcePoints.release());
  m_sourceFaces = std::move(faces);
  m_sourcePoints = std::move(points);
  m_sourceChannels = std::move(channels);
}

int C3DPatch::Copy(std::unique_ptr<C3DBaseObject>& target, int mode,
                   C3DObjectCreator* creator) const {
  if (!C3DBaseObject::Copy(target, mode, creator)) return 0;
  auto* patch = dynamic_cast<C3DPatch*>(target.get());
  if (patch == nullptr || patch == this) return 1;
  patch->m_sourceFaces.reset();
  patch->m_sourcePoints.reset();
  patch->m_sourceChannels.reset();
  patch->m_level = m_level;
  if (m_level <= 0) return 1;
  C3DObjectCreator fallback;
  C3DObjectCreator& use = creator != nullptr ? *creator : fallback;
  if (m_sourceFaces) {
    patch->m_sourceFaces = use.GetNewFaceList();
    *patch->m_sourceFaces = *m_sourceFaces;
  }
  if (m_sourcePoints) {
    patch->m_sourcePoints = use.GetNewPointList();
    *patch->m_sourcePoints = *m_sourcePoints;
  }
  patch->m_sourceChannels = std::make_unique<CDependentChannels>();
  if (m_sourceChannels) *patch->m_sourceChannels = *m_sourceChannels;
  return 1;
}

void C3DPatch::Serialize(CArchive& ar) {
  if (!ar.IsStoring()) {
    ReleasePatch();
    C3DBaseObject::Serialize(ar);
    return;
  }
  if (m_level <= 0) {
    C3DBaseObject::Serialize(ar);
    return;
  }
  // The refined mesh is never what a patch stores.
  swapWithSource();
  try {
    C3DBaseObject::Serialize(ar);
  } catch (...) {
    swapWithSource();
    throw;
  }
  swapWithSource();
}
