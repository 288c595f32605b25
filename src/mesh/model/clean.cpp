// Two-phase removal: elements are marked first, then cleaning compacts the
// lists and reports old -> new indices so that dependent lists follow.
#include <vector>

#include "hostlib/containers/int_map.h"
#include "hostlib/containers/next_prime.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_list.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_list.h"
#include "mesh/model/point_lists.h"

namespace {

// Points used by the faces that have no skip bit; indices outside the
// list are ignored.
std::vector<bool> usedPoints(const CFaceList& faces, int pointCount, std::uint32_t skip) {
  std::vector<bool> used(static_cast<std::size_t>(pointCount), false);
  const int n = faces.GetSize();
  for (int i = 0; i < n; ++i) {
    const CFace* f = faces[i];
    if (f->IsOneFlagSet(skip)) continue;
    for (std::uint32_t k = 0; k < f->GetSize(); ++k) {
      const int p = f->GetPointIndex(k);
      if (p >= 0 && p < pointCount) used[static_cast<std::size_t>(p)] = true;
    }
  }
  return used;
}

// Corner k goes; the corners after it move down.
void removeCorner(CFace* f, std::uint32_t k) {
  const std::uint32_t n = f->GetSize();
  int* values = f->GetIndices();
  for (std::uint32_t m = k + 1; m < n; ++m) values[m - 1] = values[m];
  f->ResizeRecord(n - 1);
}

// The face lists of the channels laid over `faces`: only the geometry's own
// mesh list has them, so a channel's list being cleaned never reaches into
// the other channels.
std::vector<CFaceList*> channelFaceLists(const CGeomInfo* geom, const CFaceList* faces) {
  std::vector<CFaceList*> lists;
  if (geom == nullptr || geom->GetSrcFaceList() != faces) return lists;
  const CDependentChannels* channels = geom->GetSrcChannels();
  if (channels == nullptr) return lists;
  for (int c = 0; c < channels->GetSize(); ++c) {
    if (CFaceList* list = channels->GetChannelByIndex(c)->GetFaceList()) lists.push_back(list);
  }
  return lists;
}

// A remap sized once for its entries: growing it step by step costs more
// than the rest of the cleaning.
void sizeRemap(CIntMap* remap, int entries) {
  if (remap == nullptr) return;
  const std::uint64_t wanted = 2ull * static_cast<std::uint64_t>(entries) + 1;
  if (wanted > vex3d::kDefaultHashSize && wanted < 0x7FFFFFF0ull) {
    remap->InitHashTable(NextPrime(static_cast<std::uint32_t>(wanted)));
  }
}

}  // namespace

int CPointList::Clean(const CFaceList* faces, CIntMap* remap) {
  if (remap != nullptr) remap->Clear();
  const int n = GetSize();
  if (faces != nullptr) {
    const std::vector<bool> used = usedPoints(*faces, n, vex3d::kFaceSkipMask);
    for (int i = 0; i < n; ++i) {
      if (!used[static_cast<std::size_t>(i)]) GetPt(i)->SetFlag(POINT_INVALID, 1);
    }
  }
  int kept = 0;
  for (int i = 0; i < n; ++i) kept += GetPt(i)->IsFlagSet(POINT_INVALID) ? 0 : 1;
  if (kept == n) return 0;
  SetFlag(POINTLIST_CHANGED, 1);
  if (kept == 0) {
    RemoveAll();
    return 1;
  }
  sizeRemap(remap, kept);
  int next = 0;
  for (int i = 0; i < n; ++i) {
    CPt* p = GetPt(i);
    if (p->IsFlagSet(POINT_INVALID)) continue;
    if (next != i) *GetPt(next) = *p;
    if (remap != nullptr) remap->Insert(i, next);
    ++next;
  }
  CElementArray::SetSize(kept);
  CElementArray::FreeExtra();
  return 1;
}

void C3DPointList::SetInvalidPoints(const CFaceList& faces) {
  const int n = GetSize();
  const std::vector<bool> used = usedPoints(faces, n, FACE_INVALID);
  for (int i = 0; i < n; ++i) {
    if (!used[static_cast<std::size_t>(i)]) ElementAt(i).SetFlag(POINT_INVALID, 1);
  }
}

void CFaceList::CleanPointsIndex(CGeomInfo* geom) {
  const std::vector<CFaceList*> channels = channelFaceLists(geom, this);
  // Removed together with the mesh face, so that the channels keep its shape.
  auto invalidate = [&](CFace* f, int position) {
    f->SetFlags(FACE_INVALID, 1);
    for (CFaceList* list : channels) {
      if (CFace* cf = list->ElementAt(position)) cf->SetFlags(FACE_INVALID, 1);
    }
  };
  const int n = GetSize();
  for (int i = 0; i < n; ++i) {
    CFace* f = ElementAt(i);
    if (f->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    if (f->GetSize() == 3) {
      const int a = (*f)[0];
      const int b = (*f)[1];
      const int c = (*f)[2];
      if (a == b || b == c || a == c) invalidate(f, i);
      continue;
    }
    if (f->GetSize() < 3) continue;
    // A corner equal to the one or two places after it goes, and the same
    // corner of every valid channel face, so that corner k keeps matching
    // corner k; the position is then looked at again.
    std::uint32_t k = 0;
    while (k < f->GetSize()) {
      const std::uint32_t size = f->GetSize();
      const int v = f->GetPointIndex(k);
      if (v != f->GetPointIndex((k + 1) % size) && v != f->GetPointIndex((k + 2) % size)) {
        ++k;
        continue;
      }
      removeCorner(f, k);
      for (CFaceList* list : channels) {
        CFace* cf = list->ElementAt(i);
        if (cf == nullptr || cf->IsOneFlagSet(vex3d::kFaceSkipMask) || cf->GetSize() <= k) continue;
        removeCorner(cf, k);
        if (cf->GetSize() < 3) cf->SetInvalidFlag(1);
      }
    }
    if (f->GetSize() < 3) invalidate(f, i);
  }
}

int CFaceList::Clean(CGeomInfo* geom, int fixIndices, CIntMap* remap) {
  if (remap != nullptr) remap->Clear();
  if (fixIndices) CleanPointsIndex(geom);
  const int n = GetSize();
  int kept = 0;
  for (int i = 0; i < n; ++i) kept += face(i)->IsFlagSet(FACE_INVALID) ? 0 : 1;
  if (kept == n) return 0;
  SetFlag(FACELIST_CHANGED, 1);
  if (kept == 0) {
    RemoveAll();
    return 1;
  }
  vex3d::IndexStore records(4);
  std::uint64_t bytes = 0;
  for (int i = 0; i < n; ++i) {
    if (!face(i)->IsFlagSet(FACE_INVALID)) {
      bytes += vex3d::IndexStore::RecordBytes(m_store.GetRecordSize(static_cast<std::uint32_t>(i)));
    }
  }
  if (bytes > UINT32_MAX) throw std::bad_alloc();
  records.ReserveBytes(static_cast<std::uint32_t>(bytes));
  sizeRemap(remap, kept);
  int next = 0;
  for (int i = 0; i < n; ++i) {
    CFace* f = face(i);
    if (f->IsFlagSet(FACE_INVALID)) continue;
    const auto r = static_cast<std::uint32_t>(i);
    records.AddRecord(m_store.GetRecordValues(r), m_store.GetRecordSize(r));
    if (next != i) *face(next) = *f;
    if (remap != nullptr) remap->Insert(i, next);
    ++next;
  }
  CElementArray::SetSize(kept);
  CElementArray::FreeExtra();
  m_store.swap(records);
  dropGraphs();
  return 1;
}

int CFaceList::Clean(CGeomInfo* geom) {
  CIntMap faceRemap;
  const int facesRemoved = Clean(geom, 1, &faceRemap);
  CPointList* points = geom != nullptr ? geom->GetSrcPointList() : nullptr;
  CIntMap pointRemap;
  int pointsRemoved = 0;
  if (points != nullptr) {
    pointsRemoved = points->Clean(this, &pointRemap);
    if (pointsRemoved) {
      UpdateIndex(pointRemap);
      points->SetFlag(POINTLIST_CHANGED, 1);
    }
  }
  // The channels belong to the geometry's mesh: a list cleaned under
  // another's handle leaves them alone.
  CDependentChannels* channels = geom != nullptr ? geom->GetSrcChannels() : nullptr;
  if (channels != nullptr && geom->GetSrcFaceList() == this) {
    channels->CleanChannels(geom, facesRemoved ? &faceRemap : nullptr,
                            pointsRemoved ? &pointRemap : nullptr);
  }
  return facesRemoved && pointsRemoved;
}
