// Adjacency questions answered from the point-to-face and edge-to-face
// graphs: which faces meet at a point or an edge, which points neighbour a
// point, which faces neighbour a face.
#include <algorithm>
#include <vector>

#include "mesh/algorithms/face_graph_helper.h"
#include "mesh/algorithms/internal/face_topology.h"
#include "mesh/model/face_list.h"

namespace {

enum SetOperation : int {
  kUnion = 1,
  kIntersection = 2,
  kAMinusB = 3,
  kBMinusA = 4,
  kSymmetricDifference = 5,
};

constexpr std::uint32_t kLargestKeptSlots = 4093;

void startSet(CHashTable<int>& set) {
  if (set.GetSize() > kLargestKeptSlots) {
    set.InitHashTable(vex3d::kDefaultHashSize);
  } else {
    set.Clear();
  }
}

void load(CHashTable<int>& set, const int* values, int n) {
  startSet(set);
  for (int i = 0; i < n; ++i) set.Insert(values[i]);
}

// Neighbours of `point` inside one face whose corner j is the point.
void addFaceNeighbours(CHashTable<int>& out, const int* corners, int size, int j, int type) {
  if (type == 2) {
    out.Insert(corners[(j + size - 1) % size]);
    out.Insert(corners[(j + 1) % size]);
  } else if (type == 3) {
    for (int k = 0; k < size; ++k) out.Insert(corners[k]);
  } else {
    for (int k = 2; k <= size - 2; ++k) out.Insert(corners[(j + k) % size]);
  }
}

void setToVector(const CHashTable<int>& set, std::vector<int>& out) {
  out.clear();
  for (int v : set) out.push_back(v);
}

}  // namespace

int CFaceList::connectionSet(CHashTable<int>& result, const int* a, int na, const int* b, int nb,
                             int type) const {
  CHashTable<int>& work = topology().workSet;
  switch (type) {
    case kUnion:
      for (int i = 0; i < na; ++i) result.Insert(a[i]);
      for (int i = 0; i < nb; ++i) result.Insert(b[i]);
      break;
    case kIntersection:
    case kAMinusB:
      load(work, b, nb);
      for (int i = 0; i < na; ++i) {
        if (work.Contains(a[i]) == (type == kIntersection)) result.Insert(a[i]);
      }
      break;
    case kBMinusA:
      load(work, a, na);
      for (int i = 0; i < nb; ++i) {
        if (!work.Contains(b[i])) result.Insert(b[i]);
      }
      break;
    case kSymmetricDifference:
      load(work, b, nb);
      for (int i = 0; i < nb; ++i) result.Insert(b[i]);
      for (int i = 0; i < na; ++i) {
        if (work.Contains(a[i])) {
          result.Remove(a[i]);
        } else {
          result.Insert(a[i]);
        }
      }
      break;
    default:
      break;
  }
  return result.GetCount();
}

const int* CFaceList::GetFacesConnectedToPoint(int point, int& n) const {
  n = 0;
  if (!IsPointToFaceGraphValid() || point < 0) return nullptr;
  auto& graph = m_topology->pointToFaces;
  const auto record = static_cast<std::uint32_t>(point);
  if (record >= graph.GetRecordNbr()) return nullptr;
  n = static_cast<int>(graph.GetRecordSize(record));
  return n > 0 ? graph.GetRecordValues(record) : nullptr;
}

const int* CFaceList::GetFacesConnectedToEdge(const C3DEdge& edge, int& n) const {
  n = 0;
  if (!IsEdgeToFaceGraphValid()) return nullptr;
  const int* faces = m_topology->edgeToFaces.GetValues(edge, n);
  return n > 0 ? faces : nullptr;
}

int CFaceList::GetFacesConnectedToPoints(CHashTable<int>& result, int p, int q, int type) const {
  int na = 0;
  int nb = 0;
  const int* a = GetFacesConnectedToPoint(p, na);
  const int* b = GetFacesConnectedToPoint(q, nb);
  return connectionSet(result, a, na, b, nb, type);
}

const int* CFaceList::GetFacesConnectedToPoints(CFaceGraphHelper& helper, int p, int q, int type,
                                                int& n) const {
  int na = 0;
  int nb = 0;
  const int* a = GetFacesConnectedToPoint(p, na);
  const int* b = GetFacesConnectedToPoint(q, nb);
  // The faces of one edge are asked for once per side of every face by the
  // orientation and merging walks: for the short lists of ordinary points a
  // direct scan beats filling and emptying a hash set.
  constexpr int kDirectScanLimit = 256;
  if (type == kIntersection && static_cast<std::int64_t>(na) * nb <= kDirectScanLimit) {
    int* out = helper.GetArray(na);
    n = 0;
    for (int i = 0; i < na; ++i) {
      if (std::find(b, b + nb, a[i]) == b + nb || std::find(out, out + n, a[i]) != out + n)
        continue;
      out[n++] = a[i];
    }
    return n > 0 ? out : nullptr;
  }
  connectionSet(helper.StartSet(), a, na, b, nb, type);
  return helper.SetToArray(n);
}

void CFaceList::edgeNeighbours(CHashTable<int>& out, int point) const {
  int count = 0;
  const int* faces = GetFacesConnectedToPoint(point, count);
  for (int i = 0; i < count; ++i) {
    const auto r = static_cast<std::uint32_t>(faces[i]);
    const int* corners = m_store.GetRecordValues(r);
    const int size = static_cast<int>(m_store.GetRecordSize(r));
    for (int j = 0; j < size; ++j) {
      if (corners[j] == point) addFaceNeighbours(out, corners, size, j, 2);
    }
  }
  out.Remove(point);
}

const int* CFaceList::GetPointsNeighbourg(CFaceGraphHelper& helper, int point, int& n,
                                          int type) const {
  CHashTable<int>& set = helper.StartSet();
  int count = 0;
  const int* faces = GetFacesConnectedToPoint(point, count);
  for (int i = 0; i < count; ++i) {
    const auto r = static_cast<std::uint32_t>(faces[i]);
    const int* corners = m_store.GetRecordValues(r);
    const int size = static_cast<int>(m_store.GetRecordSize(r));
    for (int j = 0; j < size; ++j) {
      if (corners[j] == point) addFaceNeighbours(set, corners, size, j, type);
    }
  }
  set.Remove(point);
  return helper.SetToArray(n);
}

int CFaceList::IsPointNeighbourg(CFaceGraphHelper& helper, int p, int q) const {
  CHashTable<int>& set = helper.StartSet();
  edgeNeighbours(set, p);
  return set.Contains(q) ? 1 : 0;
}

int CFaceList::GetPointsConnectedToPoints(CHashTable<int>& result, int p, int q, int type) const {
  CHashTable<int> scratch;
  std::vector<int> a;
  std::vector<int> b;
  edgeNeighbours(scratch, p);
  setToVector(scratch, a);
  startSet(scratch);
  edgeNeighbours(scratch, q);
  setToVector(scratch, b);
  return connectionSet(result, a.data(), static_cast<int>(a.size()), b.data(),
                       static_cast<int>(b.size()), type);
}

const int* CFaceList::GetPointsConnectedToPoints(CFaceGraphHelper& helper, int p, int q, int type,
                                                 int& n) const {
  std::vector<int>& a = helper.Scratch(0);
  std::vector<int>& b = helper.Scratch(1);
  edgeNeighbours(helper.StartSet(), p);
  setToVector(helper.GetSet(), a);
  edgeNeighbours(helper.StartSet(), q);
  setToVector(helper.GetSet(), b);
  connectionSet(helper.StartSet(), a.data(), static_cast<int>(a.size()), b.data(),
                static_cast<int>(b.size()), type);
  return helper.SetToArray(n);
}

const int* CFaceList::GetPointsConnectedToEdge(CFaceGraphHelper& helper, int p, int q, int& n,
                                               int exclude) const {
  n = 0;
  if (p == q) return nullptr;
  int na = 0;
  int nb = 0;
  const int* a = GetFacesConnectedToPoint(p, na);
  const int* b = GetFacesConnectedToPoint(q, nb);
  std::vector<int>& shared = helper.Scratch(0);
  connectionSet(helper.StartSet(), a, na, b, nb, kIntersection);
  setToVector(helper.GetSet(), shared);
  CHashTable<int>& set = helper.StartSet();
  for (int f : shared) {
    const auto r = static_cast<std::uint32_t>(f);
    const int* corners = m_store.GetRecordValues(r);
    const std::uint32_t size = m_store.GetRecordSize(r);
    for (std::uint32_t k = 0; k < size; ++k) set.Insert(corners[k]);
  }
  if (exclude) {
    set.Remove(p);
    set.Remove(q);
  }
  return helper.SetToArray(n);
}

int CFaceList::GetFacesNeighbourg(CHashTable<int>& result, int faceIndex, int type) const {
  if (faceIndex < 0 || faceIndex >= GetSize()) return result.GetCount();
  const auto r = static_cast<std::uint32_t>(faceIndex);
  const int* corners = m_store.GetRecordValues(r);
  const std::uint32_t size = m_store.GetRecordSize(r);
  for (std::uint32_t k = 0; k < size; ++k) {
    int na = 0;
    int nb = 0;
    const int* a = GetFacesConnectedToPoint(corners[k], na);
    const int* b = GetFacesConnectedToPoint(corners[(k + 1) % size], nb);
    connectionSet(result, a, na, b, nb, type);
  }
  return result.GetCount();
}

const int* CFaceList::GetFacesNeighbourg(CFaceGraphHelper& helper, int faceIndex, int type,
                                         int& n) const {
  GetFacesNeighbourg(helper.StartSet(), faceIndex, type);
  return helper.SetToArray(n);
}
