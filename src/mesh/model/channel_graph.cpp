// The mesh-point -> channel-corner graph answers "which values does this
// mesh point carry, and in which faces", the question behind seam marking
// and welding. It is built for one operation and thrown away.
#include <vector>

#include "mesh/model/channel.h"
#include "mesh/model/face_list.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/internal/seam_walk.h"
#include "mesh/model/point_list.h"

void CChannel::InitGraph(CGeomInfo* geom) {
  if (!m_graphBuilt) CreateGraph(geom);
}

void CChannel::DeleteGraph() {
  m_graph.RemoveAll();
  m_graphBuilt = 0;
}

void CChannel::CreateGraph(CGeomInfo* geom) {
  DeleteGraph();
  m_graphBuilt = 1;
  const CFaceList* meshFaces = geom != nullptr ? geom->GetSrcFaceList() : nullptr;
  if (meshFaces == nullptr) return;
  const int points = vex3d::seams::meshPointCount(*geom);
  if (points <= 0) return;

  std::vector<std::uint32_t> corners(static_cast<std::size_t>(points), 0);
  const int faceCount = meshFaces->GetSize();
  for (int i = 0; i < faceCount; ++i) {
    const CFace* f = (*meshFaces)[i];
    if (f->IsFlagSet(FACE_INVALID)) continue;
    for (std::uint32_t k = 0; k < f->GetSize(); ++k) {
      const int p = (*f)[k];
      if (p >= 0 && p < points) ++corners[static_cast<std::size_t>(p)];
    }
  }
  std::uint64_t bytes = 0;
  for (std::uint32_t c : corners) bytes += decltype(m_graph)::RecordBytes(c + 1);
  if (bytes > UINT32_MAX) throw std::bad_alloc();
  m_graph.ReserveBytes(static_cast<std::uint32_t>(bytes));
  for (std::uint32_t c : corners) m_graph.AddRecord(0u, c + 1);

  const CFaceList* channelFaces = GetFaceList();
  const CPointList* channelPoints = GetPointList();
  const bool masked = IsFlagSet(CHANNEL_MASKED_POINTS) && channelPoints != nullptr;
  const int walked =
      channelFaces != nullptr ? std::min(faceCount, channelFaces->GetSize()) : faceCount;
  for (int i = 0; i < walked; ++i) {
    const CFace* f = (*meshFaces)[i];
    if (f->IsFlagSet(FACE_INVALID)) continue;
    const CFace* cf = channelFaces != nullptr ? (*channelFaces)[i] : nullptr;
    if (cf != nullptr && cf->IsFlagSet(FACE_CHANNEL_INVALID)) continue;
    const std::uint32_t n = cf != nullptr ? std::min(f->GetSize(), cf->GetSize()) : f->GetSize();
    for (std::uint32_t k = 0; k < n; ++k) {
      const int p = (*f)[k];
      if (p < 0 || p >= points) continue;
      const int cp = cf != nullptr ? (*cf)[k] : p;
      if (masked && cp >= 0 && cp < channelPoints->GetSize() &&
          channelPoints->GetPt(cp)->IsFlagSet(POINT_UNSPECIFIED)) {
        continue;
      }
      const auto record = static_cast<std::uint32_t>(p);
      std::uint32_t used = m_graph.GetRecordSize(record);
      // Records were sized by the count, so they never move here.
      if (used == 0) {
        m_graph.SetRecordSize(record, 1);
        m_graph.GetRecordValues(record)[0] = {-1, static_cast<std::int32_t>(corners[record])};
        used = 1;
      }
      m_graph.SetRecordSize(record, used + 1);
      m_graph.GetRecordValues(record)[used] = {cp, i};
    }
  }
}

const _ChannelConnectionInfo* CChannel::GetChannelPointsConnectedToPoint(int meshPoint,
                                                                         int& n) const {
  int corners = 0;
  return GetChannelPointsConnectedToPoint(meshPoint, n, corners);
}

const _ChannelConnectionInfo* CChannel::GetChannelPointsConnectedToPoint(int meshPoint, int& n,
                                                                         int& cornerCount) const {
  n = 0;
  cornerCount = 0;
  if (meshPoint < 0 || static_cast<std::uint32_t>(meshPoint) >= m_graph.GetRecordNbr()) {
    return nullptr;
  }
  const auto record = static_cast<std::uint32_t>(meshPoint);
  const std::uint32_t size = m_graph.GetRecordSize(record);
  if (size < 2) return nullptr;
  const _ChannelConnectionInfo* values = m_graph.GetRecordValues(record);
  n = static_cast<int>(size - 1);
  cornerCount = values[0].face;
  return values + 1;
}

int CChannel::GetChannelPointIndex(int face, int corner) const {
  const CFaceList* faces = GetFaceList();
  if (faces == nullptr) return -1;
  const CFace* f = faces->ElementAt(face);
  if (f == nullptr || corner < 0 || static_cast<std::uint32_t>(corner) >= f->GetSize()) return -1;
  return (*f)[static_cast<std::uint32_t>(corner)];
}
