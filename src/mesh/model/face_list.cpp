#include "mesh/model/face_list.h"

#include <cassert>
#include <climits>

#include "hostlib/containers/int_map.h"
#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "mesh/algorithms/internal/face_topology.h"

IMPLEMENT_DYNAMIC(CFaceList, CElementArray)

namespace {

std::uint32_t recordBytes(std::uint64_t capacity) {
  const std::uint64_t bytes = vex3d::IndexStore::RecordBytes(capacity);
  if (bytes > UINT32_MAX) throw std::bad_alloc();
  return static_cast<std::uint32_t>(bytes);
}

}  // namespace

CFaceList::CFaceList(std::size_t elementSize) : CElementArray(elementSize) {}

CFaceList::~CFaceList() = default;

void CFaceList::RemoveAll() {
  CElementArray::RemoveAll();
  m_store.RemoveAll();
  dropGraphs();
  SetFlag(FACELIST_CHANGED, 1);
}

int CFaceList::UpdateList(CGeomInfo* geom) {
  if (!IsFlagSet(FACELIST_CHANGED)) return 0;
  dropGraphs();
  if (m_topology && m_topology->edgeGraphRequested) CreateEdgeToFaceGraph(geom);
  if (m_topology && m_topology->pointGraphRequested) CreatePointToFaceGraph(geom);
  SetFlag(FACELIST_CHANGED, 0);
  return 1;
}

void CFaceList::Inherit(const CFaceList& other) { m_listFlags = other.m_listFlags; }

CFaceList& CFaceList::operator=(const CFaceList& other) {
  if (&other == this) return *this;
  vex3d::IndexStore records(other.m_store);
  const int n = other.GetSize();
  try {
    CElementArray::SetSize(n);
  } catch (...) {
    RemoveAll();
    throw;
  }
  m_store.swap(records);
  dropGraphs();
  for (int i = 0; i < n; ++i) *face(i) = *other.face(i);
  Inherit(other);
  return *this;
}

void CFaceList::resize(int n, int capacity, int growBy) {
  if (n < 0 || capacity < 0) AfxThrowInvalidArgException("negative face count or capacity");
  const int old = GetSize();
  m_store.SetRecordCount(static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(capacity));
  try {
    CElementArray::SetSize(n, growBy);
  } catch (...) {
    m_store.SetRecordCount(static_cast<std::uint32_t>(GetSize()));
    throw;
  }
  if (n != old) {
    SetFlag(FACELIST_CHANGED, 1);
    dropGraphs();
  }
}

void CFaceList::SetSize(int n, int capacity, int growBy) { resize(n, capacity, growBy); }

void CFaceList::SetSize(int n, const int* capacities, int growBy) {
  if (n < 0) AfxThrowInvalidArgException("negative face count");
  RemoveAll();
  std::uint64_t bytes = 0;
  for (int i = 0; i < n; ++i) {
    if (capacities[i] < 0) AfxThrowInvalidArgException("negative record capacity");
    bytes += recordBytes(static_cast<std::uint32_t>(capacities[i]));
  }
  if (bytes > UINT32_MAX) throw std::bad_alloc();
  m_store.ReserveBytes(static_cast<std::uint32_t>(bytes));
  m_store.ReserveRecords(static_cast<std::uint32_t>(n));
  for (int i = 0; i < n; ++i) m_store.AddRecord(0u, static_cast<std::uint32_t>(capacities[i]));
  try {
    CElementArray::SetSize(n, growBy);
  } catch (...) {
    RemoveAll();
    throw;
  }
}

void CFaceList::SetSize(const CFaceList& shape, int growBy) {
  if (&shape == this) return;
  RemoveAll();
  const int n = shape.GetSize();
  std::uint64_t bytes = 0;
  for (int i = 0; i < n; ++i) bytes += recordBytes(shape.m_store.GetRecordSize(i));
  if (bytes > UINT32_MAX) throw std::bad_alloc();
  m_store.ReserveBytes(static_cast<std::uint32_t>(bytes));
  m_store.ReserveRecords(static_cast<std::uint32_t>(n));
  for (int i = 0; i < n; ++i) {
    const std::uint32_t count = shape.m_store.GetRecordSize(i);
    m_store.AddRecord(count, count);
  }
  try {
    CElementArray::SetSize(n, growBy);
  } catch (...) {
    RemoveAll();
    throw;
  }
}

void CFaceList::SetSizeAndFlags(int n, std::uint32_t flags) {
  const int old = GetSize();
  resize(n, 4, -1);
  for (int i = old; i < n; ++i) face(i)->SetFlags(flags, 1);
}

void CFaceList::SetSizeAndFlags(const CFaceList& shape, std::uint32_t flags) {
  if (&shape == this) return;
  SetSizeAndFlags(shape.GetSize(), flags);
  const int n = GetSize();
  for (int i = 0; i < n; ++i) m_store.SetRecordSize(i, shape.m_store.GetRecordSize(i));
}

void CFaceList::AssignFaces(std::span<const std::uint32_t> sizes, std::span<const int> indices) {
  if (sizes.size() > static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
  vex3d::IndexStore records(m_store.GetDefaultCapacity());
  records.AssignRecords(sizes, indices);
  RemoveAll();
  CElementArray::SetSize(static_cast<int>(sizes.size()));
  m_store.swap(records);
}

int CFaceList::Add(const CFace* source) {
  assert(source != nullptr);
  const bool ours = source->GetStore() == &m_store;
  const std::uint32_t record = source->GetIndex();
  // An element of this list is found again by position once the array grew.
  const int position =
      ours && record < static_cast<std::uint32_t>(GetSize()) && face(record) == source
          ? static_cast<int>(record)
          : -1;
  const std::uint32_t n = ours ? m_store.GetRecordSize(record) : source->GetSize();
  m_store.ReserveBytes(recordBytes(n));
  m_store.AddRecord(ours ? m_store.GetRecordValues(record) : source->GetIndices(), n);
  int i = 0;
  try {
    i = CElementArray::Add(nullptr);
  } catch (...) {
    m_store.SetRecordCount(static_cast<std::uint32_t>(GetSize()));
    throw;
  }
  *face(i) = position >= 0 ? *face(position) : *source;
  SetFlag(FACELIST_CHANGED, 1);
  return i;
}

void CFaceList::SetAt(int i, const CFace* source) {
  CFace* target = ElementAt(i);
  if (target == nullptr) AfxThrowInvalidArgException("face index out of range");
  target->Copy(*source, 1);
}

void CFaceList::RemoveAt(int i, int count) {
  CElementArray::RemoveAt(i, count);
  for (int k = 0; k < count; ++k) m_store.RemoveRecord(static_cast<std::uint32_t>(i));
  if (count > 0) {
    SetFlag(FACELIST_CHANGED, 1);
    dropGraphs();
  }
}

void CFaceList::Reserve(int faces, std::uint64_t corners) {
  if (faces <= 0) return;
  const std::uint64_t bytes =
      static_cast<std::uint64_t>(faces) * vex3d::IndexStore::RecordBytes(0) + corners * sizeof(int);
  if (bytes > UINT32_MAX) throw std::bad_alloc();
  m_store.ReserveBytes(static_cast<std::uint32_t>(bytes));
  CElementArray::Reserve(GetSize() + faces);
}

void CFaceList::FreeExtra() {
  CElementArray::FreeExtra();
  m_store.FreeExtra();
}

void CFaceList::SetFacesFlags(std::uint32_t mask, int on) {
  const int n = GetSize();
  for (int i = 0; i < n; ++i) face(i)->SetFlags(mask, on);
}

int CFaceList::GetNumberOfFaces(_FACE_PROPERTIES flag, int value) const {
  const bool wanted = value != 0;
  int count = 0;
  const int n = GetSize();
  for (int i = 0; i < n; ++i) count += face(i)->IsFlagSet(flag) == wanted ? 1 : 0;
  return count;
}

int CFaceList::GetNumberOfFaces(unsigned int mask, int value) const {
  const bool wanted = value != 0;
  int count = 0;
  const int n = GetSize();
  for (int i = 0; i < n; ++i) count += face(i)->IsOneFlagSet(mask) == wanted ? 1 : 0;
  return count;
}

int CFaceList::InheritFlags(const CFaceList& other, _FACE_PROPERTIES source,
                            _FACE_PROPERTIES target, int keep) {
  const int n = GetSize();
  if (other.GetSize() != n) return 0;
  for (int i = 0; i < n; ++i) {
    if (other.face(i)->IsFlagSet(source))
      face(i)->SetFlags(target, 1);
    else if (!keep)
      face(i)->SetFlags(target, 0);
  }
  return 1;
}

void CFaceList::FlipNormals() {
  const int n = GetSize();
  for (int i = 0; i < n; ++i) ElementAt(i)->Flip();
}

void CFaceList::InvalidateFaces(CGeomInfo*, const CIntMap* keep) {
  const int n = GetSize();
  for (int i = 0; i < n; ++i) {
    if (keep == nullptr || !keep->Contains(i)) face(i)->SetFlags(FACE_INVALID, 1);
  }
}

void CFaceList::SaveFacesIndex() {
  const int n = GetSize();
  for (int i = 0; i < n; ++i) {
    face(i)->GetCustomData(1)->SetUInt(vex3d::kFaceIndexKey, static_cast<std::uint32_t>(i));
  }
}

void CFaceList::UpdateIndex(const CIntMap& map) {
  const std::uint32_t records = m_store.GetRecordNbr();
  for (std::uint32_t r = 0; r < records; ++r) {
    int* values = m_store.GetRecordValues(r);
    const std::uint32_t n = m_store.GetRecordSize(r);
    for (std::uint32_t k = 0; k < n; ++k) {
      if (const int* to = map.Find(values[k])) values[k] = *to;
    }
  }
}

void CFaceList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    const std::uint64_t faces = static_cast<std::uint64_t>(GetSize());
    const std::uint64_t bytes =
        faces * (MinSerializedElementSize() + sizeof(std::uint32_t)) + m_store.GetUsedBytes() + 32;
    if (bytes <= SIZE_MAX) ar.Reserve(static_cast<std::size_t>(bytes));
    CElementArray::Serialize(ar);
    m_store.Serialize(ar);
    return;
  }
  try {
    CElementArray::Serialize(ar);
    vex3d::IndexStore records(m_store.GetDefaultCapacity());
    records.Serialize(ar);
    if (records.GetRecordNbr() != static_cast<std::uint32_t>(GetSize())) {
      AfxThrowArchiveException(CArchiveException::genericException,
                               "face list: index records do not match the faces");
    }
    m_store.swap(records);
  } catch (...) {
    RemoveAll();
    throw;
  }
  dropGraphs();
  SetFlag(FACELIST_CHANGED, 1);
}

int vex3d::emptyFacesOutOfRange(CFaceList& faces, int pointCount) {
  int emptied = 0;
  for (int i = 0; i < faces.GetSize(); ++i) {
    CFace* f = faces.ElementAt(i);
    for (std::uint32_t k = 0; k < f->GetSize(); ++k) {
      if ((*f)[k] >= 0 && (*f)[k] < pointCount) continue;
      f->RemoveAll();
      ++emptied;
      break;
    }
  }
  return emptied;
}
