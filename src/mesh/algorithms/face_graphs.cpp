// Building and upkeep of the two adjacency graphs of a face list.
#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "hostlib/containers/next_prime.h"
#include "hostlib/core/parallel_parts.h"
#include "mesh/algorithms/internal/face_topology.h"
#include "mesh/model/face_list.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_list.h"

namespace {

// Faces worth a thread of their own when a graph is built.
constexpr int kFacesPerPart = 262144;

std::uint32_t tableSize(std::uint64_t wanted) {
  const std::uint64_t capped = std::min<std::uint64_t>(wanted, 0x7FFFFFF0u);
  return std::max<std::uint32_t>(vex3d::kDefaultHashSize,
                                 NextPrime(static_cast<std::uint32_t>(capped)));
}

}  // namespace

void CFaceList::dropGraphs() {
  DeletePointToFaceGraph();
  DeleteEdgeToFaceGraph();
}

vex3d::FaceTopology& CFaceList::topology() const {
  if (!m_topology) m_topology = std::make_unique<vex3d::FaceTopology>();
  return *m_topology;
}

bool CFaceList::IsPointToFaceGraphValid() const {
  return m_topology && m_topology->pointGraphValid;
}

bool CFaceList::IsEdgeToFaceGraphValid() const { return m_topology && m_topology->edgeGraphValid; }

const CAssociationMap<C3DEdge>* CFaceList::GetEdgeGraph() const {
  return IsEdgeToFaceGraphValid() ? &m_topology->edgeToFaces : nullptr;
}

void CFaceList::InitPointToFaceGraph(CGeomInfo* geom) {
  // A current graph is only read: views on several threads ask for it
  // while drawing one mesh.
  if (m_topology && m_topology->pointGraphRequested && m_topology->pointGraphValid &&
      !IsFlagSet(FACELIST_CHANGED)) {
    return;
  }
  topology().pointGraphRequested = true;
  UpdateList(geom);
  if (!m_topology->pointGraphValid) CreatePointToFaceGraph(geom);
}

void CFaceList::InitEdgeToFaceGraph(CGeomInfo* geom) {
  topology().edgeGraphRequested = true;
  UpdateList(geom);
  if (!m_topology->edgeGraphValid) CreateEdgeToFaceGraph(geom);
}

void CFaceList::DeletePointToFaceGraph() {
  if (!m_topology) return;
  m_topology->pointToFaces.RemoveAll();
  m_topology->pointGraphValid = false;
}

void CFaceList::DeleteEdgeToFaceGraph() {
  if (!m_topology) return;
  m_topology->edgeToFaces.InitHashTable(vex3d::kDefaultHashSize);
  m_topology->edgeGraphValid = false;
}

void CFaceList::CreatePointToFaceGraph(CGeomInfo* geom) {
  vex3d::FaceTopology& t = topology();
  DeletePointToFaceGraph();
  const int n = GetSize();
  int points = 0;
  if (geom != nullptr && geom->GetSrcPointList() != nullptr) {
    points = geom->GetSrcPointList()->GetSize();
  } else {
    for (int i = 0; i < n; ++i) {
      const auto r = static_cast<std::uint32_t>(i);
      const int* values = m_store.GetRecordValues(r);
      const std::uint32_t size = m_store.GetRecordSize(r);
      for (std::uint32_t k = 0; k < size; ++k) points = std::max(points, values[k] + 1);
    }
  }
  // Count first, so that every point's record is allocated once. A long
  // list is counted and placed in parts on all processors: each part's
  // faces of a point go after those of the parts before it, so that every
  // record lists its faces in list order, as one walk would.
  const int parts = vex3d::partsFor(n, kFacesPerPart);
  const auto size = static_cast<std::size_t>(points);
  std::vector<std::vector<std::uint32_t>> before(static_cast<std::size_t>(parts),
                                                 std::vector<std::uint32_t>(size, 0));
  const auto eachFaceOf = [this, n, parts, points](int k, auto&& take) {
    const int end = vex3d::partBegin(n, parts, k + 1);
    for (int i = vex3d::partBegin(n, parts, k); i < end; ++i) {
      if (face(i)->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
      const auto r = static_cast<std::uint32_t>(i);
      const int* values = m_store.GetRecordValues(r);
      const std::uint32_t corners = m_store.GetRecordSize(r);
      for (std::uint32_t c = 0; c < corners; ++c) {
        if (values[c] >= 0 && values[c] < points) take(i, static_cast<std::size_t>(values[c]));
      }
    }
  };
  vex3d::forEachPart(parts, 1, [&](int first, int last) {
    for (int k = first; k < last; ++k) {
      std::vector<std::uint32_t>& count = before[static_cast<std::size_t>(k)];
      eachFaceOf(k, [&count](int, std::size_t p) { ++count[p]; });
    }
  });
  std::vector<std::uint32_t> uses(size);
  for (std::size_t p = 0; p < size; ++p) {
    std::uint32_t placed = 0;
    for (std::vector<std::uint32_t>& count : before) placed += std::exchange(count[p], placed);
    uses[p] = placed;
  }
  std::uint64_t bytes = 0;
  for (std::uint32_t u : uses) bytes += decltype(t.pointToFaces)::RecordBytes(u);
  if (bytes > UINT32_MAX) throw std::bad_alloc();
  t.pointToFaces.ReserveBytes(static_cast<std::uint32_t>(bytes));
  t.pointToFaces.ReserveRecords(static_cast<std::uint32_t>(uses.size()));
  for (std::uint32_t u : uses) t.pointToFaces.AddRecord(u, u);
  // The records are full size and stay where they are from here.
  std::vector<int*> record(size);
  for (std::size_t p = 0; p < size; ++p) {
    record[p] = t.pointToFaces.GetRecordValues(static_cast<std::uint32_t>(p));
  }
  vex3d::forEachPart(parts, 1, [&](int first, int last) {
    for (int k = first; k < last; ++k) {
      std::vector<std::uint32_t>& next = before[static_cast<std::size_t>(k)];
      eachFaceOf(k, [&next, &record](int i, std::size_t p) { record[p][next[p]++] = i; });
    }
  });
  t.pointGraphValid = true;
}

void CFaceList::CreateEdgeToFaceGraph(CGeomInfo*) {
  vex3d::FaceTopology& t = topology();
  const int n = GetSize();
  t.edgeToFaces.InitHashTable(tableSize(4ull * static_cast<std::uint64_t>(n)));
  for (int i = 0; i < n; ++i) {
    if (face(i)->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    const auto r = static_cast<std::uint32_t>(i);
    const int* values = m_store.GetRecordValues(r);
    const std::uint32_t size = m_store.GetRecordSize(r);
    for (std::uint32_t k = 0; k < size; ++k) {
      // A list already holding 65535 faces keeps them: only a hostile file
      // puts that many faces on one edge.
      (void)t.edgeToFaces.Add(C3DEdge(values[k], values[(k + 1) % size]), i);
    }
  }
  const auto edges = static_cast<std::uint64_t>(t.edgeToFaces.GetCount());
  if (2.5 * static_cast<double>(edges) < static_cast<double>(t.edgeToFaces.GetSize())) {
    t.edgeToFaces.Rebuild(tableSize(2 * edges));
  }
  t.edgeGraphValid = true;
}

void CFaceList::GraphRemoveFaceReference(int faceIndex) {
  if (!m_topology || faceIndex < 0 || faceIndex >= GetSize()) return;
  vex3d::FaceTopology& t = *m_topology;
  const auto r = static_cast<std::uint32_t>(faceIndex);
  const int* values = m_store.GetRecordValues(r);
  const std::uint32_t size = m_store.GetRecordSize(r);
  for (std::uint32_t k = 0; k < size; ++k) {
    if (t.edgeGraphValid) {
      t.edgeToFaces.RemoveValue(C3DEdge(values[k], values[(k + 1) % size]), faceIndex);
    }
    const int p = values[k];
    if (!t.pointGraphValid || p < 0 ||
        static_cast<std::uint32_t>(p) >= t.pointToFaces.GetRecordNbr()) {
      continue;
    }
    const auto record = static_cast<std::uint32_t>(p);
    int* faces = t.pointToFaces.GetRecordValues(record);
    const std::uint32_t count = t.pointToFaces.GetRecordSize(record);
    int* end = std::remove(faces, faces + count, faceIndex);
    t.pointToFaces.SetRecordSize(record, static_cast<std::uint32_t>(end - faces));
  }
}

void CFaceList::GraphMergePointConnectivity(int kept, int removed) {
  if (!m_topology || !m_topology->pointGraphValid || kept == removed) return;
  vex3d::FaceTopology& t = *m_topology;
  const std::uint32_t records = t.pointToFaces.GetRecordNbr();
  if (kept < 0 || removed < 0 || static_cast<std::uint32_t>(kept) >= records ||
      static_cast<std::uint32_t>(removed) >= records) {
    return;
  }
  const auto from = static_cast<std::uint32_t>(removed);
  const auto to = static_cast<std::uint32_t>(kept);
  std::vector<int> merged(t.pointToFaces.GetRecordValues(to),
                          t.pointToFaces.GetRecordValues(to) + t.pointToFaces.GetRecordSize(to));
  merged.insert(merged.end(), t.pointToFaces.GetRecordValues(from),
                t.pointToFaces.GetRecordValues(from) + t.pointToFaces.GetRecordSize(from));
  // Face order is what queries promise; a face on both points is listed
  // once per corner, as when the graph is built.
  std::sort(merged.begin(), merged.end());
  t.pointToFaces.SetRecordSize(to, static_cast<std::uint32_t>(merged.size()));
  std::copy(merged.begin(), merged.end(), t.pointToFaces.GetRecordValues(to));
  t.pointToFaces.SetRecordSize(from, 0);
}
