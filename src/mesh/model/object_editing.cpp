// Editing operations of mesh objects that run a face-list algorithm on a
// copy and adopt the result only when it changed something.
#include <memory>

#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {

constexpr std::uint32_t kFacesChanged = UPDATE_MODIFIED | UPDATE_UVW;
// Empty channels with the ids of the originals, for an algorithm to fill.
constexpr unsigned int kFreshChannels =
    CHANNEL_COPY_KEEP_ID | CHANNEL_COPY_NO_LISTS | CHANNEL_COPY_SKIP_COMPUTED;
// A face with both bits carries no channel data.
constexpr std::uint32_t kNoData = FACE_INVALID | FACE_CHANNEL_INVALID;

// A set holding an object's own channels for the length of one call: it
// must let go of them rather than delete them, however the call ends.
class BorrowedChannels {
 public:
  BorrowedChannels() = default;
  ~BorrowedChannels() { m_set.DetachAll(); }
  BorrowedChannels(const BorrowedChannels&) = delete;
  BorrowedChannels& operator=(const BorrowedChannels&) = delete;
  CDependentChannels& Get() { return m_set; }

 private:
  CDependentChannels m_set;
};

bool carriesNoData(const CFaceList& faces) {
  for (int i = 0; i < faces.GetSize(); ++i) {
    if (!faces[i]->IsFlagSet(kNoData)) return false;
  }
  return true;
}

}  // namespace

int C3DBaseObject::MergeCoplanarFaces(float angle, unsigned int channelTypes) {
  if (!m_faces || m_faces->GetSize() == 0 || IsFlagSet(OBJECT_EMPTY)) return 0;
  auto merged = std::make_unique<C3DFaceList>();
  merged->Inherit(*m_faces);
  BorrowedChannels source;
  std::unique_ptr<CDependentChannels> target;
  const bool withChannels = m_channels->GetSize() > 0 && channelTypes != 0;
  if (withChannels) {
    source.Get().CopyChannels(*m_channels, channelTypes,
                              CHANNEL_COPY_MOVE | CHANNEL_COPY_SKIP_COMPUTED);
    target = std::make_unique<CDependentChannels>();
    target->CopyChannels(*m_channels, channelTypes, kFreshChannels);
  }
  CGeomInfo geom(this);
  geom.SetFaceList(m_faces.get(), merged.get());
  geom.SetChannels(withChannels ? &source.Get() : nullptr, target.get());

  const int before = m_faces->GetSize();
  const int pointsBefore = GetPointNbr();
  const int written = m_faces->MergeCoplanarFaces(&geom, angle);
  if (written == -1 || written == before) return 0;

  source.Get().DetachAll();
  const std::unique_ptr<C3DFaceList> previous(m_faces.release());
  SetFaceList(merged.release());
  if (target) {
    SetChannels(target.release());
  } else {
    m_channels->RemoveChannels(vex3d::kAllChannelTypes & ~channelTypes, 0, 0);
  }
  CleanChannels(vex3d::kAllChannelTypes, 1);
  m_faces->SetFlag(FACELIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kFacesChanged;
  // Points no merged face uses are gone, which may shrink the point box.
  if (GetPointNbr() != pointsBefore) m_update |= UPDATE_POINT_BOX;
  return 1;
}

int C3DBaseObject::Triangulate(_FACE_PROPERTIES flag, int value) {
  if ((m_kind != OBJECT_POLYGONAL && m_kind != OBJECT_PATCH) || !m_faces ||
      IsFlagSet(OBJECT_EMPTY)) {
    return 0;
  }
  auto triangles = std::make_unique<C3DFaceList>();
  triangles->Inherit(*m_faces);
  BorrowedChannels source;
  source.Get().CopyChannels(*m_channels, vex3d::kAllChannelTypes,
                            CHANNEL_COPY_MOVE | CHANNEL_COPY_SKIP_COMPUTED);
  auto target = std::make_unique<CDependentChannels>();
  target->CopyChannels(source.Get(), vex3d::kAllChannelTypes, CHANNEL_COPY_KEEP_ID);
  CGeomInfo geom(this);
  geom.SetFaceList(m_faces.get(), triangles.get());
  geom.SetChannels(&source.Get(), target.get());
  m_faces->Triangulate(&geom, flag, value);
  if (triangles->GetSize() == m_faces->GetSize()) return 0;

  source.Get().DetachAll();
  const std::unique_ptr<C3DFaceList> previous(m_faces.release());
  SetFaceList(triangles.release());
  SetChannels(target.release());
  CleanChannels(vex3d::kAllChannelTypes, 1);
  m_faces->SetFlag(FACELIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kFacesChanged;
  return 1;
}

int C3DBaseObject::UnifyNormals() {
  if (!m_faces) return 0;
  CGeomInfo geom(this);
  CIntArrayID flipped;
  if (!m_faces->UnifyNormals(&geom, flipped)) return 0;
  for (int c = 0; c < m_channels->GetSize(); ++c) {
    CChannel* channel = m_channels->GetChannelByIndex(c);
    CFaceList* faces = channel->GetFaceList();
    if (faces == nullptr || channel->IsOneFlagSet(CHANNEL_INVALID | CHANNEL_COMPUTED)) continue;
    for (int i = 0; i < flipped.GetSize(); ++i) {
      if (CFace* f = faces->ElementAt(flipped[i])) f->Flip();
    }
  }
  m_faces->SetFlag(FACELIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kFacesChanged;
  return 1;
}

void C3DBaseObject::CleanChannels(unsigned int typeMask, int invert) {
  const int faceCount = GetFaceNbr();
  for (int i = m_channels->GetSize() - 1; i >= 0; --i) {
    const CChannel* c = m_channels->GetChannelByIndex(i);
    bool goes = c == nullptr || c->IsFlagSet(CHANNEL_INVALID);
    if (!goes) {
      const bool inMask = (c->GetType() & typeMask) != 0;
      goes = invert ? !inMask : inMask;
    }
    if (!goes) {
      const CFaceList* faces = c->GetFaceList();
      goes = faces != nullptr && (faces->GetSize() != faceCount || carriesNoData(*faces));
    }
    if (!goes) goes = c->GetPointList() == nullptr;
    if (goes) m_channels->RemoveChannelByIndex(i);
  }
}
