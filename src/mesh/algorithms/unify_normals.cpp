// Files often wind their faces inconsistently. Winding spreads from a seed
// face across shared edges, then each connected piece is turned so that it
// faces outwards, judged on the face nearest to a side of the mesh's box:
// the face there must look away from the box.
#include <vector>

#include "mesh/algorithms/face_graph_helper.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {

// The six sides of the box, in the order ties are settled.
constexpr int kSides = 6;
constexpr float kOutward[kSides][3] = {{-1, 0, 0}, {0, -1, 0}, {0, 0, -1},
                                       {1, 0, 0},  {0, 1, 0},  {0, 0, 1}};

struct Nearest {
  float gap[kSides];
  int face[kSides];
};

}  // namespace

int C3DFaceList::UnifyNormals(CGeomInfo* geom, CIntArrayID& flipped) {
  flipped.SetSize(0);
  C3DPointList* points = geom != nullptr ? geom->GetSrc3DPointList() : nullptr;
  const int n = GetSize();
  if (points == nullptr || n == 0) return 0;
  CGeomInfo own(this, points);
  C3DPoint min;
  C3DPoint max;
  points->GetBoundingBox(min, max);
  const float diagonal = C3DVector(max.x - min.x, max.y - min.y, max.z - min.z).Length();
  InitPointToFaceGraph(&own);

  std::vector<bool> visited(static_cast<std::size_t>(n), false);
  std::vector<int> queue;
  std::vector<int> kept;
  std::vector<int> spreadFlips;
  CFaceGraphHelper helper;
  for (int seed = 0; seed < n; ++seed) {
    if (visited[static_cast<std::size_t>(seed)]) continue;
    visited[static_cast<std::size_t>(seed)] = true;
    if (face(seed)->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    kept.assign(1, seed);
    spreadFlips.clear();
    Nearest nearest{};
    for (int s = 0; s < kSides; ++s) {
      nearest.gap[s] = diagonal;
      nearest.face[s] = seed;
    }
    queue.assign(1, seed);
    for (std::size_t head = 0; head < queue.size(); ++head) {
      const int f = queue[head];
      C3DPoint c;
      ElementAt(f)->GetCenter(own, c);
      const float gaps[kSides] = {c.x - min.x, c.y - min.y, c.z - min.z,
                                  max.x - c.x, max.y - c.y, max.z - c.z};
      for (int s = 0; s < kSides; ++s) {
        if (gaps[s] < nearest.gap[s]) {
          nearest.gap[s] = gaps[s];
          nearest.face[s] = f;
        }
      }
      const std::uint32_t size = ElementAt(f)->GetSize();
      for (std::uint32_t k = 0; k < size; ++k) {
        // The face may have been refetched by a flip below: read it afresh.
        const C3DFace* current = ElementAt(f);
        const int a = (*current)[k];
        const int b = (*current)[(k + 1) % size];
        int count = 0;
        const int* onEdge = GetFacesConnectedToPoints(helper, a, b, 2, count);
        for (int i = 0; i < count; ++i) {
          const int g = onEdge[i];
          if (visited[static_cast<std::size_t>(g)]) continue;
          visited[static_cast<std::size_t>(g)] = true;
          queue.push_back(g);
          C3DFace* other = ElementAt(g);
          if (other->IsFaceEdge(a, b, 1) >= 0) {
            other->Flip();
            spreadFlips.push_back(g);
          } else {
            kept.push_back(g);
          }
        }
      }
    }
    int side = 0;
    for (int s = 1; s < kSides; ++s) {
      if (nearest.gap[s] < nearest.gap[side]) side = s;
    }
    C3DVector normal;
    ElementAt(nearest.face[side])->GetNormal(own, normal);
    const C3DVector outward(kOutward[side][0], kOutward[side][1], kOutward[side][2]);
    if (normal * outward >= 0.0f) {
      for (int f : spreadFlips) flipped.Add(f);
    } else {
      for (int f : queue) ElementAt(f)->Flip();
      for (int f : kept) flipped.Add(f);
    }
  }
  return flipped.GetSize() > 0 ? 1 : 0;
}
