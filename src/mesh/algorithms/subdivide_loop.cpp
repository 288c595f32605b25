// Loop's scheme: every triangle becomes four, points move towards the mean
// of their edge neighbours.
#include "mesh/algorithms/face_graph_helper.h"
#include "mesh/algorithms/internal/subdivision_pass.h"
#include "mesh/algorithms/subdivision.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace {

using vex3d::subdivision::kEdgeRef;

// (V0, E0, E2), (V1, E1, E0), (V2, E2, E1), then the middle (E0, E1, E2).
constexpr vex3d::subdivision::ChildPattern kTriangleChildren = {
    4,
    3,
    {{0, kEdgeRef + 0, kEdgeRef + 2, 0},
     {1, kEdgeRef + 1, kEdgeRef + 0, 0},
     {2, kEdgeRef + 2, kEdgeRef + 1, 0},
     {kEdgeRef + 0, kEdgeRef + 1, kEdgeRef + 2, 0}}};

class LoopScheme : public vex3d::subdivision::Scheme {
 public:
  std::uint32_t FaceSize() const override { return 3; }
  bool HasFacePoints() const override { return false; }
  const vex3d::subdivision::ChildPattern& Children() const override { return kTriangleChildren; }

  void Place(const vex3d::subdivision::Topology& t, std::vector<C3DPoint>& vertex,
             std::vector<C3DPoint>& edge, std::vector<C3DPoint>&) const override {
    const C3DPointList& points = *t.points;
    const C3DFaceList& faces = *t.faces;
    CFaceGraphHelper helper;
    vertex.resize(static_cast<std::size_t>(points.GetSize()));
    for (int i = 0; i < points.GetSize(); ++i) {
      const C3DPoint& p = points[i];
      C3DPoint& moved = vertex[static_cast<std::size_t>(i)];
      moved.Init(p.x, p.y, p.z);
      if (p.IsFlagSet(POINT_BORDER)) continue;
      int n = 0;
      const int* around = faces.GetPointsNeighbourg(helper, i, n, 2);
      if (n == 0) continue;
      const float beta = n == 3 ? 0.1875f : 0.375f / static_cast<float>(n);
      C3DPoint sum;
      for (int k = 0; k < n; ++k) sum += points[around[k]];
      moved = p * (1.0f - static_cast<float>(n) * beta) + sum * beta;
    }
    edge.resize(t.edges.size());
    for (std::size_t e = 0; e < t.edges.size(); ++e) {
      const int a = t.edges[e].GetFirst();
      const int b = t.edges[e].GetSecond();
      int n = 0;
      const int* opposite = faces.GetPointsConnectedToEdge(helper, a, b, n, 1);
      const C3DPoint ends = points[a] + points[b];
      if (n == 2) {
        edge[e] = ends * 0.375f + (points[opposite[0]] + points[opposite[1]]) * 0.125f;
      } else {
        edge[e] = ends * 0.5f;
      }
    }
  }
};

}  // namespace

void vex3d::subdivideLoop(C3DBaseObject& object, int level) {
  const LoopScheme scheme;
  subdivision::run(object, level, scheme);
}
