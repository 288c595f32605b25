#include <algorithm>
#include <vector>

#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

C3DPointList::C3DPointList() = default;

C3DPointList::~C3DPointList() = default;

C3DPointList& C3DPointList::operator=(const CPointList& other) {
  m_materialGraph.reset();
  CPointList::operator=(other);
  return *this;
}

void C3DPointList::RemoveAll() {
  m_materialGraph.reset();
  CPointList::RemoveAll();
}

int C3DPointList::UpdateList(CGeomInfo* geom) {
  if (IsFlagSet(POINTLIST_CHANGED) && m_materialGraphRequested) CreatePointMaterialGraph(geom);
  return CPointList::UpdateList(geom);
}

void C3DPointList::InitPointMaterialGraph(CGeomInfo* geom) {
  m_materialGraphRequested = true;
  CreatePointMaterialGraph(geom);
}

void C3DPointList::CreatePointMaterialGraph(CGeomInfo* geom) {
  m_materialGraph.reset();
  const auto* faces =
      geom != nullptr ? dynamic_cast<const C3DFaceList*>(geom->GetSrcFaceList()) : nullptr;
  if (faces == nullptr) return;
  const int points = GetSize();
  const int n = faces->GetSize();
  // Counting first gives every point a record that never has to move.
  std::vector<std::uint32_t> uses(static_cast<std::size_t>(points), 0);
  for (int f = 0; f < n; ++f) {
    const C3DFace* face = (*faces)[f];
    if (face->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
      const int p = face->GetPointIndex(k);
      if (p >= 0 && p < points) ++uses[static_cast<std::size_t>(p)];
    }
  }
  auto graph = std::make_unique<CSimpleCollection<unsigned int, unsigned short>>();
  for (int p = 0; p < points; ++p) {
    const std::uint32_t capacity =
        std::min<std::uint32_t>(uses[static_cast<std::size_t>(p)], graph->kMaxRecordSize);
    graph->AddRecord(0u, capacity);
  }
  for (int f = 0; f < n; ++f) {
    const C3DFace* face = (*faces)[f];
    if (face->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    const unsigned int id = face->GetMaterialID();
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
      const int p = face->GetPointIndex(k);
      if (p < 0 || p >= points) continue;
      const auto r = static_cast<std::uint32_t>(p);
      const std::uint32_t count = graph->GetRecordSize(r);
      const unsigned int* ids = graph->GetRecordValues(r);
      if (std::find(ids, ids + count, id) != ids + count) continue;
      if (count == graph->GetRecordCapacity(r)) continue;
      graph->SetRecordSize(r, count + 1);
      graph->GetRecordValues(r)[count] = id;
    }
  }
  m_materialGraph = std::move(graph);
}

void C3DPointList::DeletePointMaterialGraph() {
  m_materialGraph.reset();
  m_materialGraphRequested = false;
}

int C3DPointList::GetNumberOfMaterialsConnectedToPoint(int i) const {
  if (!m_materialGraph || i < 0 || static_cast<std::uint32_t>(i) >= m_materialGraph->GetRecordNbr())
    return 0;
  return static_cast<int>(m_materialGraph->GetRecordSize(static_cast<std::uint32_t>(i)));
}

const unsigned int* C3DPointList::GetMaterialsConnectedToPoint(int i, int& n) const {
  n = GetNumberOfMaterialsConnectedToPoint(i);
  return n > 0 ? m_materialGraph->GetRecordValues(static_cast<std::uint32_t>(i)) : nullptr;
}
