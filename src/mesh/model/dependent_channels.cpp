#include "mesh/model/dependent_channels.h"

#include <memory>

#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "math/matrix4x4.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/texture_channels.h"

namespace {

bool typeIn(const CChannel& c, unsigned int typeMask) { return (c.GetType() & typeMask) != 0; }

bool countsAsValid(const CChannel& c, int validOnly) {
  return !validOnly || !c.IsFlagSet(CHANNEL_INVALID);
}

template <class TChannel, class TFaces, class TPoints>
TChannel* typed(CChannel* c, TFaces** faces, TPoints** points) {
  auto* channel = dynamic_cast<TChannel*>(c);
  if (faces != nullptr) *faces = channel ? dynamic_cast<TFaces*>(channel->GetFaceList()) : nullptr;
  if (points != nullptr) {
    *points = channel ? dynamic_cast<TPoints*>(channel->GetPointList()) : nullptr;
  }
  return channel;
}

}  // namespace

CDependentChannels::~CDependentChannels() { RemoveAll(); }

CDependentChannels& CDependentChannels::operator=(const CDependentChannels& other) {
  if (this == &other) return *this;
  RemoveAll();
  for (int i = 0; i < other.GetSize(); ++i) {
    std::unique_ptr<CChannel> copy = other.m_channels[i]->Copy(CHANNEL_COPY_KEEP_ID);
    if (copy) AddChannel(copy.release());
  }
  return *this;
}

int CDependentChannels::AddChannel(CChannel* channel) {
  // The array must not lose the channel if it cannot grow.
  std::unique_ptr<CChannel> owned(channel);
  const int index = m_channels.Add(channel);
  (void)owned.release();
  return index;
}

CChannel* CDependentChannels::GetChannelByIndex(int i) const { return m_channels.GetAt(i); }

CChannel* CDependentChannels::GetChannelByIndex(int i, CFaceList*& faces,
                                                CPointList*& points) const {
  CChannel* c = GetChannelByIndex(i);
  faces = c->GetFaceList();
  points = c->GetPointList();
  return c;
}

std::uint32_t CDependentChannels::GetChannelType(int i) const {
  if (i < 0 || i >= GetSize()) return 0;
  return m_channels[i]->GetType();
}

CChannel* CDependentChannels::GetChannelByIndex(int typeIndex, unsigned int typeMask,
                                                int validOnly) const {
  if (typeIndex < 0) return nullptr;
  int rank = 0;
  for (int i = 0; i < GetSize(); ++i) {
    CChannel* c = m_channels[i];
    if (!typeIn(*c, typeMask) || !countsAsValid(*c, validOnly)) continue;
    if (rank++ == typeIndex) return c;
  }
  return nullptr;
}

CChannel* CDependentChannels::GetChannelByID(std::uint32_t id) const {
  for (int i = 0; i < GetSize(); ++i) {
    if (m_channels[i]->GetChannelID() == id) return m_channels[i];
  }
  return nullptr;
}

CChannel* CDependentChannels::GetChannelByID(std::uint32_t id, _Channel3DType type) const {
  CChannel* c = GetChannelByID(id);
  return c != nullptr && c->GetType() == type ? c : nullptr;
}

CChannel* CDependentChannels::GetChannelByID(std::uint32_t id, CFaceList*& faces,
                                             CPointList*& points) const {
  CChannel* c = GetChannelByID(id);
  faces = c ? c->GetFaceList() : nullptr;
  points = c ? c->GetPointList() : nullptr;
  return c;
}

std::uint32_t CDependentChannels::GetChannelIndex(std::uint32_t id, int validOnly) const {
  const CChannel* target = GetChannelByID(id);
  if (target == nullptr || !countsAsValid(*target, validOnly)) return 0xFFFFFFFF;
  std::uint32_t rank = 0;
  for (int i = 0; i < GetSize(); ++i) {
    const CChannel* c = m_channels[i];
    if (c == target) return rank;
    if (c->GetType() == target->GetType() && countsAsValid(*c, validOnly)) ++rank;
  }
  return 0xFFFFFFFF;
}

int CDependentChannels::GetChannelsNumber(unsigned int typeMask, int validOnly) const {
  int n = 0;
  for (int i = 0; i < GetSize(); ++i) {
    if (typeIn(*m_channels[i], typeMask) && countsAsValid(*m_channels[i], validOnly)) ++n;
  }
  return n;
}

int CDependentChannels::GetChannels(unsigned int typeMask, CIntArrayID& out, int validOnly) const {
  out.SetSize(0);
  for (int i = 0; i < GetSize(); ++i) {
    if (typeIn(*m_channels[i], typeMask) && countsAsValid(*m_channels[i], validOnly)) out.Add(i);
  }
  return out.GetSize();
}

CUVWChannel* CDependentChannels::GetUVWChannelByID(std::uint32_t id, CUVWFaceList** faces,
                                                   CUVWPointList** points) const {
  return typed<CUVWChannel>(GetChannelByID(id, CHANNEL_UVW), faces, points);
}

CUVWChannel* CDependentChannels::GetUVWChannelByIndex(int typeIndex, int validOnly,
                                                      CUVWFaceList** faces,
                                                      CUVWPointList** points) const {
  return typed<CUVWChannel>(GetChannelByIndex(typeIndex, CHANNEL_UVW, validOnly), faces, points);
}

CVCChannel* CDependentChannels::GetVCChannelByID(std::uint32_t id, CVCFaceList** faces,
                                                 CVCPointList** points) const {
  return typed<CVCChannel>(GetChannelByID(id, CHANNEL_VC), faces, points);
}

CVCChannel* CDependentChannels::GetVCChannelByIndex(int typeIndex, int validOnly,
                                                    CVCFaceList** faces,
                                                    CVCPointList** points) const {
  return typed<CVCChannel>(GetChannelByIndex(typeIndex, CHANNEL_VC, validOnly), faces, points);
}

CPointNormalChannel* CDependentChannels::GetPointNormalChannel() {
  if (auto* c = dynamic_cast<CPointNormalChannel*>(GetChannelByIndex(0, CHANNEL_POINT_NORMAL, 1))) {
    return c;
  }
  auto* created = new CPointNormalChannel;
  AddChannel(created);
  return created;
}

CFaceNormalChannel* CDependentChannels::GetFaceNormalChannel() {
  if (auto* c = dynamic_cast<CFaceNormalChannel*>(GetChannelByIndex(0, CHANNEL_FACE_NORMAL, 1))) {
    return c;
  }
  auto* created = new CFaceNormalChannel;
  AddChannel(created);
  return created;
}

CSpecNormalChannel* CDependentChannels::GetSpecNormalChannel() const {
  return dynamic_cast<CSpecNormalChannel*>(GetChannelByIndex(0, CHANNEL_SPEC_NORMAL, 1));
}

CSpecNormalChannel* CDependentChannels::GetSpecNormalChannel(CNormalFaceList*& faces,
                                                             C3DVectorList*& vectors) const {
  CSpecNormalChannel* c = GetSpecNormalChannel();
  faces = c != nullptr ? c->GetNormalFaceList() : nullptr;
  vectors = c != nullptr ? c->GetNormalVectorList() : nullptr;
  return c;
}

int CDependentChannels::CopyChannels(const CDependentChannels& from, unsigned int typeMask,
                                     unsigned int mode) {
  if (&from == this) return 0;
  if (!(mode & CHANNEL_COPY_APPEND)) RemoveAll();
  int appended = 0;
  for (int i = 0; i < from.GetSize(); ++i) {
    CChannel* c = from.m_channels[i];
    if (!typeIn(*c, typeMask)) continue;
    if ((mode & CHANNEL_COPY_SKIP_INVALID) && c->IsFlagSet(CHANNEL_INVALID)) continue;
    if ((mode & CHANNEL_COPY_SKIP_COMPUTED) &&
        (c->IsFlagSet(CHANNEL_COMPUTED) ||
         (c->GetType() & (CHANNEL_POINT_NORMAL | CHANNEL_FACE_NORMAL)) != 0)) {
      continue;
    }
    if (mode & CHANNEL_COPY_MOVE) {
      m_channels.Add(c);
    } else {
      std::unique_ptr<CChannel> copy = c->Copy(mode);
      if (!copy) continue;
      AddChannel(copy.release());
    }
    ++appended;
  }
  return appended;
}

int CDependentChannels::RemoveChannels(unsigned int typeMask, std::uint32_t flag, int value) {
  int removed = 0;
  int kept = 0;
  for (int i = 0; i < GetSize(); ++i) {
    CChannel* c = m_channels[i];
    const bool goes = typeIn(*c, typeMask) && (flag == 0 || c->IsFlagSet(flag) == (value != 0));
    if (goes) {
      delete c;
      ++removed;
    } else {
      m_channels[kept++] = c;
    }
  }
  m_channels.SetSize(kept);
  return removed;
}

int CDependentChannels::RemoveChannel(CChannel* channel) {
  for (int i = 0; i < GetSize(); ++i) {
    if (m_channels[i] == channel) {
      RemoveChannelByIndex(i);
      return 1;
    }
  }
  return 0;
}

int CDependentChannels::RemoveChannelByID(std::uint32_t id) {
  return RemoveChannel(GetChannelByID(id));
}

void CDependentChannels::RemoveChannelByIndex(int i) {
  CChannel* c = m_channels.GetAt(i);
  m_channels.RemoveAt(i);
  delete c;
}

void CDependentChannels::DetachAll() { m_channels.SetSize(0); }

void CDependentChannels::RemoveAll() {
  for (int i = 0; i < GetSize(); ++i) delete m_channels[i];
  m_channels.SetSize(0);
}

int CDependentChannels::MatrixTransform(const C4x4Matrix& m, unsigned int typeMask) {
  if (m.IsIdentity()) return 0;
  int result = 0;
  for (int i = 0; i < GetSize(); ++i) {
    if (typeIn(*m_channels[i], typeMask)) result |= m_channels[i]->MatrixTransform(m);
  }
  return result;
}

void CDependentChannels::Invalidate(unsigned int typeMask) {
  for (int i = 0; i < GetSize(); ++i) {
    if (typeIn(*m_channels[i], typeMask)) m_channels[i]->SetFlag(CHANNEL_INVALID, 1);
  }
}

int CDependentChannels::CleanChannels(CGeomInfo* geom, CIntMap* faceRemap, CIntMap* pointRemap) {
  int mismatches = 0;
  for (int i = 0; i < GetSize(); ++i) {
    if (!m_channels[i]->Clean(geom, faceRemap, pointRemap)) ++mismatches;
  }
  return mismatches;
}

void CDependentChannels::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    std::uint64_t stored = 0;
    for (int i = 0; i < GetSize(); ++i) stored += m_channels[i]->CanBeRecomputed() ? 0 : 1;
    ar.WriteCount(stored);
    for (int i = 0; i < GetSize(); ++i) {
      const CChannel* c = m_channels[i];
      if (c->CanBeRecomputed()) continue;
      ar.WriteClass(c->GetRuntimeClass());
      const_cast<CChannel*>(c)->Serialize(ar);
    }
    return;
  }
  RemoveAll();
  try {
    // A channel takes at least a class reference and its five words.
    const std::uint64_t n = ar.ReadCount(22);
    for (std::uint64_t i = 0; i < n; ++i) {
      const CRuntimeClass* rtc = ar.ReadClass(RUNTIME_CLASS(CChannel));
      std::unique_ptr<CObject> made(rtc != nullptr ? rtc->CreateObject() : nullptr);
      auto* channel = dynamic_cast<CChannel*>(made.get());
      if (channel == nullptr) {
        AfxThrowArchiveException(CArchiveException::badClass, "channel set: not a channel class");
      }
      channel->Serialize(ar);
      (void)made.release();
      AddChannel(channel);
    }
  } catch (...) {
    RemoveAll();
    throw;
  }
}
