// Welding: points that fall together are merged into one, faces that
// collapse go, and attribute seams keep their points apart.
#include <memory>
#include <vector>

#include "hostlib/core/progress.h"
#include "hostlib/text/strings.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/int_coord_map.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace {

constexpr std::uint32_t kSeamFlags = POINT_UV_FRONTIER | POINT_VC_FRONTIER | POINT_NORMAL_BREAK;
constexpr std::uint32_t kNoData = FACE_INVALID | FACE_CHANNEL_INVALID;
constexpr unsigned int kCornerChannels = CHANNEL_UVW | CHANNEL_VC | CHANNEL_SPEC_NORMAL;
constexpr float kNormalSeamAngle = 0.17453294f;  // 10 degrees
constexpr int kProgressStep = 100;

// The progress display of one weld; it closes however the weld ends.
class WeldProgress {
 public:
  explicit WeldProgress(int points) {
    m_info.title = LoadStringW(vex3d::kStrMergingTitle);
    m_info.text = LoadStringW(vex3d::kStrMergingConfusedPoints);
    m_info.maximum = points;
    progressCallCallback(vex3d::kProgressOpenTitle, &m_info);
    progressCallCallback(vex3d::kProgressSetText, &m_info);
  }
  ~WeldProgress() { progressCallCallback(vex3d::kProgressClose, &m_info); }
  WeldProgress(const WeldProgress&) = delete;
  WeldProgress& operator=(const WeldProgress&) = delete;

  // True when the user asked to stop.
  bool Cancelled(int position) {
    m_info.position = position;
    progressCallCallback(vex3d::kProgressSetPosition, &m_info);
    return progressCallCallback(vex3d::kProgressIsCancelled, &m_info) != 0;
  }

 private:
  ProcessProgressInfo m_info;
};

// Groups the points whose cells touch, directly or through other points:
// root[p] is the first point of p's group. Every point of a cell lands in
// the same group, so the fill walks cells rather than points and asks for
// each cell's neighbourhood once. False when cancelled.
bool groupClosePoints(const CIntCoordMap& map, int count, WeldProgress& progress,
                      std::vector<int>& root) {
  root.assign(static_cast<std::size_t>(count), -1);
  std::vector<vex3d::IntCell> stack;
  stack.reserve(5);
  CIntCoordMap::Neighbourhood cells;
  for (int i = 0; i < count; ++i) {
    if (i % kProgressStep == 0 && progress.Cancelled(i)) return false;
    if (root[static_cast<std::size_t>(i)] >= 0) continue;
    const vex3d::IntCell start = map.GetPointCell(i);
    int n = 0;
    const int* own = map.Find(start, n);
    for (int k = 0; k < n; ++k) root[static_cast<std::size_t>(own[k])] = i;
    stack.push_back(start);
    while (!stack.empty()) {
      const vex3d::IntCell cell = stack.back();
      stack.pop_back();
      map.GetNeighbourhood(cell, cells);
      for (const CIntCoordMap::CellPoints& c : cells) {
        if (c.n == 0 || root[static_cast<std::size_t>(c.points[0])] >= 0) continue;
        for (int k = 0; k < c.n; ++k) root[static_cast<std::size_t>(c.points[k])] = i;
        stack.push_back(map.GetPointCell(c.points[0]));
      }
    }
  }
  return true;
}

// Seams marked on copies of the channels, so that the channels' own point
// flags stay as they were; the marks that matter land on the mesh points.
void markSeams(C3DBaseObject& object, unsigned int channelTypes) {
  CDependentChannels copies;
  copies.CopyChannels(*object.GetChannels(), channelTypes, CHANNEL_COPY_KEEP_ID);
  object.GetPointList()->SetPointsFlags(kSeamFlags, 0);
  CGeomInfo geom(&object);
  geom.SetChannels(&copies, nullptr);
  for (int i = 0; i < copies.GetSize(); ++i) {
    CChannel* c = copies.GetChannelByIndex(i);
    if (c->IsFlagSet(CHANNEL_INVALID)) continue;
    switch (c->GetType()) {
      case CHANNEL_UVW:
        static_cast<CUVWChannel*>(c)->InitShareUVFlag(&geom, 0.0f, 1);
        break;
      case CHANNEL_VC:
        static_cast<CVCChannel*>(c)->InitVCFrontierFlag(&geom, 0, 1);
        break;
      case CHANNEL_SPEC_NORMAL:
        static_cast<CSpecNormalChannel*>(c)->InitNormalBreakFlag(&geom, kNormalSeamAngle, 1);
        break;
      default:
        break;
    }
  }
}

}  // namespace

int C3DFaceList::ReplaceIndex(CGeomInfo* geom, int kept, const int* points, int count) {
  CPointList* meshPoints = geom != nullptr ? geom->GetSrcPointList() : nullptr;
  if (meshPoints == nullptr || points == nullptr) return 0;
  InitPointToFaceGraph(geom);
  CDependentChannels* channels = geom->GetSrcChannels();
  int replaced = 0;
  for (int j = 0; j < count; ++j) {
    const int p = points[j];
    if (p < 0 || p >= meshPoints->GetSize() || p == kept) continue;
    CPt* pt = meshPoints->GetPt(p);
    if (pt->IsOneFlagSet(POINT_INVALID | kSeamFlags)) continue;
    pt->SetFlags(POINT_INVALID, 1);
    ++replaced;
    int n = 0;
    const int* around = GetFacesConnectedToPoint(p, n);
    for (int k = 0; k < n; ++k) {
      CFace* f = ElementAt(around[k]);
      if (f->IsOneFlagSet(kNoData)) continue;
      int position = -1;
      const int result = f->ReplaceIndex(p, kept, position);
      if (channels == nullptr || (result != 2 && (result & 0x04) == 0)) continue;
      for (int c = 0; c < channels->GetSize(); ++c) {
        CChannel* channel = channels->GetChannelByIndex(c);
        CFaceList* channelFaces = channel->GetFaceList();
        if ((channel->GetType() & kCornerChannels) == 0 || channel->IsFlagSet(CHANNEL_INVALID) ||
            channelFaces == nullptr || around[k] >= channelFaces->GetSize()) {
          continue;
        }
        CFace* cf = (*channelFaces)[around[k]];
        if (result == 2) {
          cf->SetFlags(FACE_INVALID, 1);
        } else if (!cf->IsOneFlagSet(kNoData)) {
          cf->RemoveCorner(static_cast<std::uint32_t>(position));
        }
      }
    }
  }
  return replaced;
}

int C3DBaseObject::Weld3DPoints(float tolerance, int& removedPoints, int& removedFaces,
                                unsigned int channelTypes) {
  removedPoints = 0;
  removedFaces = 0;
  if (!m_points) return 0;
  const int pointCount = m_points->GetSize();
  const int faceCount = GetFaceNbr();
  WeldProgress progress(pointCount);

  std::vector<int> root;
  if (pointCount > 0) {
    const std::unique_ptr<CIntCoordMap> map = m_points->InitIntCoordMap(tolerance);
    if (!groupClosePoints(*map, pointCount, progress, root)) return 0;
  }

  // The merged points of each group, gathered group by group.
  std::vector<int> start(static_cast<std::size_t>(pointCount) + 1, 0);
  bool anyMerged = false;
  for (int p = 0; p < pointCount; ++p) {
    const int r = root[static_cast<std::size_t>(p)];
    if (r == p) continue;
    anyMerged = true;
    ++start[static_cast<std::size_t>(r) + 1];
  }
  if (!anyMerged || !m_faces) return 1;
  for (int p = 0; p < pointCount; ++p) start[p + 1] += start[p];
  std::vector<int> merged(static_cast<std::size_t>(start[pointCount]));
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int p = 0; p < pointCount; ++p) {
      const int r = root[static_cast<std::size_t>(p)];
      if (r != p) merged[static_cast<std::size_t>(fill[static_cast<std::size_t>(r)]++)] = p;
    }
  }

  markSeams(*this, channelTypes);
  CGeomInfo geom(this);
  int replaced = 0;
  for (int r = 0; r < pointCount; ++r) {
    const int n = start[r + 1] - start[r];
    if (n > 0) replaced += m_faces->ReplaceIndex(&geom, r, merged.data() + start[r], n);
  }
  m_points->SetPointsFlags(kSeamFlags, 0);
  if (replaced > 0) Clean();

  removedPoints = pointCount - GetPointNbr();
  removedFaces = faceCount - GetFaceNbr();
  Invalidate(OBJECT_CHANGED_POINTS | OBJECT_CHANGED_FACES, 1);
  return 1;
}
