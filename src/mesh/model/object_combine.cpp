// Editing operations that combine objects: appending one object to another
// and extracting the faces of one size as an object of their own.
#include <memory>
#include <vector>

#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace {

constexpr std::uint32_t kGeometryChanged = 0x10070000;
// A channel face with both bits carries no data.
constexpr std::uint32_t kNoData = FACE_INVALID | FACE_CHANNEL_INVALID;
constexpr std::uint32_t kNotStored = CHANNEL_INVALID | CHANNEL_COMPUTED;
constexpr int kUnused = -1;

void appendPoints(CPointList& to, const CPointList& from) {
  const int base = to.GetSize();
  const int n = from.GetSize();
  to.SetSize(base + n);
  for (int i = 0; i < n; ++i) *to.GetPt(base + i) = *from.GetPt(i);
}

void padPoints(CPointList& list, int count) {
  if (list.GetSize() < count) list.SetSize(count);
}

void shiftFace(CFace& face, int shift) {
  for (std::uint32_t k = 0; k < face.GetSize(); ++k) face[k] += shift;
}

// Appends copies of the listed faces of `from` (all of them without a
// list) in one reservation; returns the position of the first.
int appendFaces(CFaceList& to, const CFaceList& from, const std::vector<int>* only) {
  const int first = to.GetSize();
  const int count = only != nullptr ? static_cast<int>(only->size()) : from.GetSize();
  std::uint64_t corners = 0;
  for (int i = 0; i < count; ++i) {
    corners +=
        from.ElementAt(only != nullptr ? (*only)[static_cast<std::size_t>(i)] : i)->GetSize();
  }
  to.Reserve(count, corners);
  for (int i = 0; i < count; ++i) {
    to.Add(from.ElementAt(only != nullptr ? (*only)[static_cast<std::size_t>(i)] : i));
  }
  return first;
}

// `from`'s faces land at positions `at`, `at` + 1 ... of `to`.
void copyFacesAt(CFaceList& to, int at, const CFaceList& from, int shift) {
  for (int i = 0; i < from.GetSize(); ++i) {
    CFace* target = to.ElementAt(at + i);
    target->Copy(*from.ElementAt(i), 1);
    shiftFace(*target, shift);
  }
}

int countOfType(const CDependentChannels& set, const CChannel* channel) {
  int rank = 0;
  for (int i = 0; i < set.GetSize(); ++i) {
    const CChannel* c = set.GetChannelByIndex(i);
    if (c == channel) return rank;
    if (c->GetType() == channel->GetType() && !c->IsFlagSet(CHANNEL_INVALID)) ++rank;
  }
  return rank;
}

// An empty channel of `like`'s class for `set`, with `like`'s id unless the
// set already uses it.
CChannel* addEmptyChannel(CDependentChannels& set, const CChannel& like) {
  const unsigned int mode =
      set.GetChannelByID(like.GetChannelID()) == nullptr ? CHANNEL_COPY_KEEP_ID : 0u;
  std::unique_ptr<CChannel> made = like.InitFrom(mode);
  if (!made) return nullptr;
  if (like.GetFaceList() == nullptr) made->SetFaceList(made->GetType(), nullptr, 1);
  made->SetFlags(like.GetFlags(), 1);
  made->GetCustomData() = like.GetCustomData();
  CChannel* channel = made.get();
  set.AddChannel(made.release());
  return channel;
}

// Renumbering of the points a set of faces uses, in order of first use.
class FirstUseNumbering {
 public:
  explicit FirstUseNumbering(int pointCount)
      : m_newIndex(static_cast<std::size_t>(pointCount), kUnused) {}
  // The new index of `old`; kUnused when `old` is outside the old list.
  int Map(int old) {
    if (old < 0 || static_cast<std::size_t>(old) >= m_newIndex.size()) return kUnused;
    int& slot = m_newIndex[static_cast<std::size_t>(old)];
    if (slot == kUnused) {
      slot = static_cast<int>(m_oldIndex.size());
      m_oldIndex.push_back(old);
    }
    return slot;
  }
  bool InRange(int old) const {
    return old >= 0 && static_cast<std::size_t>(old) < m_newIndex.size();
  }
  const std::vector<int>& OldIndices() const { return m_oldIndex; }

 private:
  std::vector<int> m_newIndex;
  std::vector<int> m_oldIndex;
};

bool allCornersIn(const CFace& face, const FirstUseNumbering& numbering) {
  for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
    if (!numbering.InRange(face[k])) return false;
  }
  return true;
}

void copyPoints(CPointList& to, const CPointList& from, const std::vector<int>& oldIndices) {
  to.SetSize(static_cast<int>(oldIndices.size()));
  for (std::size_t i = 0; i < oldIndices.size(); ++i) {
    if (oldIndices[i] < from.GetSize()) *to.GetPt(static_cast<int>(i)) = *from.GetPt(oldIndices[i]);
  }
}

// The channel `source` cut down to the selected faces; null when it cannot
// follow them.
std::unique_ptr<CChannel> subChannel(const CChannel& source, const std::vector<int>& selected,
                                     const std::vector<int>& meshPoints, int meshFaceCount) {
  std::unique_ptr<CChannel> made = source.InitFrom(CHANNEL_COPY_KEEP_ID);
  if (!made || made->GetPointList() == nullptr) return nullptr;
  made->SetFlags(source.GetFlags(), 1);
  made->GetCustomData() = source.GetCustomData();
  const CPointList* values = source.GetPointList();
  const CFaceList* faces = source.GetFaceList();
  if (faces == nullptr) {
    made->SetFaceList(made->GetType(), nullptr, 1);
    if (values != nullptr) copyPoints(*made->GetPointList(), *values, meshPoints);
    return made;
  }
  if (faces->GetSize() != meshFaceCount || values == nullptr || made->GetFaceList() == nullptr) {
    return nullptr;
  }
  CFaceList& madeFaces = *made->GetFaceList();
  appendFaces(madeFaces, *faces, &selected);
  FirstUseNumbering numbering(values->GetSize());
  for (std::size_t i = 0; i < selected.size(); ++i) {
    const CFace* face = faces->ElementAt(selected[i]);
    CFace* copy = madeFaces.ElementAt(static_cast<int>(i));
    if (face->IsFlagSet(kNoData) || !allCornersIn(*face, numbering)) {
      for (std::uint32_t k = 0; k < copy->GetSize(); ++k) (*copy)[k] = 0;
      copy->SetFlags(kNoData, 1);
      continue;
    }
    for (std::uint32_t k = 0; k < copy->GetSize(); ++k) (*copy)[k] = numbering.Map((*copy)[k]);
  }
  copyPoints(*made->GetPointList(), *values, numbering.OldIndices());
  return made;
}

}  // namespace

int C3DBaseObject::Concatenate(C3DBaseObject* other, int clearFirst) {
  if (other == this) {
    // Appending to itself reads what it writes: append a copy instead.
    std::unique_ptr<C3DBaseObject> copy = Copy(0, nullptr);
    return copy ? Concatenate(copy.get(), clearFirst) : 0;
  }
  if (clearFirst) {
    if (m_points) m_points->RemoveAll();
    if (m_faces) m_faces->RemoveAll();
    m_channels->RemoveAll();
  }
  if (other == nullptr || other->IsFlagSet(OBJECT_EMPTY) || !other->m_points ||
      other->m_points->GetSize() == 0) {
    return 0;
  }
  if ((m_kind == OBJECT_CURVE) != (other->m_kind == OBJECT_CURVE)) return 1;

  if (!m_points) m_points = std::make_unique<C3DPointList>();
  const int pointBase = m_points->GetSize();
  appendPoints(*m_points, *other->m_points);
  const int faceBase = GetFaceNbr();
  if (other->m_faces && other->m_faces->GetSize() > 0) {
    if (!m_faces) m_faces = std::make_unique<C3DFaceList>();
    appendFaces(*m_faces, *other->m_faces, nullptr);
    for (int i = faceBase; i < m_faces->GetSize(); ++i)
      shiftFace(*m_faces->ElementAt(i), pointBase);
  }
  const int faceCount = GetFaceNbr();
  const int pointCount = GetPointNbr();

  m_channels->RemoveChannels(vex3d::kAllChannelTypes, CHANNEL_INVALID, 1);
  RemoveComputedChannels();
  for (int i = 0; i < m_channels->GetSize(); ++i) {
    CChannel* c = m_channels->GetChannelByIndex(i);
    c->DeleteGraph();
    if (c->GetFaceList() != nullptr) {
      c->GetFaceList()->SetSizeAndFlags(faceCount, kNoData);
    } else if (c->GetPointList() != nullptr) {
      padPoints(*c->GetPointList(), pointBase);
    }
  }

  const CDependentChannels& others = *other->m_channels;
  for (int i = 0; i < others.GetSize(); ++i) {
    const CChannel* from = others.GetChannelByIndex(i);
    if (from->IsOneFlagSet(kNotStored) || from->GetPointList() == nullptr) continue;
    CChannel* to = m_channels->GetChannelByIndex(countOfType(others, from), from->GetType(), 1);
    if (to == nullptr) {
      to = addEmptyChannel(*m_channels, *from);
      if (to == nullptr || to->GetPointList() == nullptr) continue;
      if (to->GetFaceList() != nullptr) {
        to->GetFaceList()->SetSizeAndFlags(faceCount, kNoData);
      } else {
        padPoints(*to->GetPointList(), pointBase);
      }
    }
    if (to->GetPointList() == nullptr) continue;
    const int valueBase = to->GetPointList()->GetSize();
    appendPoints(*to->GetPointList(), *from->GetPointList());
    if (to->GetFaceList() == nullptr) continue;
    // Values per mesh point read as faces shaped like the mesh's.
    const CFaceList* shape =
        from->GetFaceList() != nullptr ? from->GetFaceList() : other->m_faces.get();
    if (shape == nullptr || shape->GetSize() != faceCount - faceBase) continue;
    copyFacesAt(*to->GetFaceList(), faceBase, *shape, valueBase);
  }
  for (int i = 0; i < m_channels->GetSize(); ++i) {
    CChannel* c = m_channels->GetChannelByIndex(i);
    if (c->GetFaceList() == nullptr && c->GetPointList() != nullptr) {
      padPoints(*c->GetPointList(), pointCount);
    }
  }

  if (m_faces) m_faces->SetFlag(FACELIST_CHANGED, 1);
  m_points->SetFlag(POINTLIST_CHANGED, 1);
  RemoveComputedChannels();
  m_update |= kGeometryChanged;
  return 1;
}

std::unique_ptr<C3DObject> C3DBaseObject::TakeMesh() {
  if (m_kind != OBJECT_POLYGONAL || !m_points || !m_faces) return nullptr;
  auto taken =
      std::make_unique<C3DObject>(ReleasePointList().release(), ReleaseFaceList().release());
  taken->SetChannels(ReleaseChannels().release());
  CDependentChannels& channels = *taken->GetChannels();
  channels.RemoveChannels(vex3d::kAllChannelTypes, CHANNEL_INVALID, 1);
  channels.RemoveChannels(vex3d::kAllChannelTypes, CHANNEL_COMPUTED, 1);
  for (int i = 0; i < channels.GetSize(); ++i) channels.GetChannelByIndex(i)->DeleteGraph();
  taken->GetFaceList()->SetFlag(FACELIST_CHANGED, 1);
  taken->GetPointList()->SetFlag(POINTLIST_CHANGED, 1);
  return taken;
}

std::unique_ptr<C3DObject> C3DBaseObject::SubObject(int size, _SUBOBJECT_MODE mode) const {
  if (!m_faces || !m_points || (mode != SUBOBJECT_EXACT_SIZE && mode != SUBOBJECT_LARGER)) {
    return nullptr;
  }
  const auto wanted = static_cast<std::uint32_t>(size < 0 ? 0 : size);
  FirstUseNumbering numbering(m_points->GetSize());
  std::vector<int> selected;
  for (int f = 0; f < m_faces->GetSize(); ++f) {
    const CFace* face = m_faces->ElementAt(f);
    // Faces marked for removal are not part of the mesh any more.
    if (face->IsFlagSet(FACE_INVALID) || !allCornersIn(*face, numbering)) continue;
    const bool match =
        mode == SUBOBJECT_EXACT_SIZE ? face->GetSize() == wanted : face->GetSize() > wanted;
    if (match) selected.push_back(f);
  }
  if (selected.empty()) return nullptr;

  auto faces = std::make_unique<C3DFaceList>();
  appendFaces(*faces, *m_faces, &selected);
  for (int i = 0; i < faces->GetSize(); ++i) {
    CFace* copy = faces->ElementAt(i);
    for (std::uint32_t k = 0; k < copy->GetSize(); ++k) (*copy)[k] = numbering.Map((*copy)[k]);
  }
  auto points = std::make_unique<C3DPointList>();
  copyPoints(*points, *m_points, numbering.OldIndices());

  auto object = std::make_unique<C3DObject>(points.release(), faces.release());
  for (int i = 0; i < m_channels->GetSize(); ++i) {
    const CChannel* c = m_channels->GetChannelByIndex(i);
    if ((c->GetType() != CHANNEL_UVW && c->GetType() != CHANNEL_VC) ||
        c->IsFlagSet(CHANNEL_INVALID)) {
      continue;
    }
    std::unique_ptr<CChannel> carried =
        subChannel(*c, selected, numbering.OldIndices(), m_faces->GetSize());
    if (carried) object->AddChannel(carried.release());
  }
  return object;
}
