// Catmull-Clark's scheme: every quadrangle becomes four around its centre.
#include "mesh/algorithms/face_graph_helper.h"
#include "mesh/algorithms/internal/subdivision_pass.h"
#include "mesh/algorithms/subdivision.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

namespace {

using vex3d::subdivision::kCentreRef;
using vex3d::subdivision::kEdgeRef;

// (Vi, Ei, F, Ei-1) for each corner i.
constexpr vex3d::subdivision::ChildPattern kQuadChildren = {
    4,
    4,
    {{0, kEdgeRef + 0, kCentreRef, kEdgeRef + 3},
     {1, kEdgeRef + 1, kCentreRef, kEdgeRef + 0},
     {2, kEdgeRef + 2, kCentreRef, kEdgeRef + 1},
     {3, kEdgeRef + 3, kCentreRef, kEdgeRef + 2}}};

constexpr int kDiagonalNeighbours = 1;
constexpr int kEdgeNeighbours = 2;

class CatmullClarkScheme : public vex3d::subdivision::Scheme {
 public:
  std::uint32_t FaceSize() const override { return 4; }
  bool HasFacePoints() const override { return true; }
  const vex3d::subdivision::ChildPattern& Children() const override { return kQuadChildren; }

  void Place(const vex3d::subdivision::Topology& t, std::vector<C3DPoint>& vertex,
             std::vector<C3DPoint>& edge, std::vector<C3DPoint>& centre) const override {
    const C3DPointList& points = *t.points;
    const C3DFaceList& faces = *t.faces;
    centre.resize(static_cast<std::size_t>(t.refinedFaces));
    for (int f = 0; f < faces.GetSize(); ++f) {
      const int rank = t.centreRank[static_cast<std::size_t>(f)];
      if (rank >= 0) faces.ElementAt(f)->GetCenter(t.geom, centre[static_cast<std::size_t>(rank)]);
    }
    edge.resize(t.edges.size());
    for (std::size_t e = 0; e < t.edges.size(); ++e) {
      const int a = t.edges[e].GetFirst();
      const int b = t.edges[e].GetSecond();
      const C3DPoint ends = points[a] + points[b];
      int n = 0;
      const int* around = faces.GetFacesConnectedToEdge(t.edges[e], n);
      if (n == 2) {
        edge[e] =
            (ends + faceCentre(t, centre, around[0]) + faceCentre(t, centre, around[1])) * 0.25f;
      } else {
        edge[e] = ends * 0.5f;
      }
    }
    CFaceGraphHelper helper;
    vertex.resize(static_cast<std::size_t>(points.GetSize()));
    for (int i = 0; i < points.GetSize(); ++i) {
      const C3DPoint& p = points[i];
      C3DPoint& moved = vertex[static_cast<std::size_t>(i)];
      moved.Init(p.x, p.y, p.z);
      if (p.IsFlagSet(POINT_BORDER)) continue;
      int n = 0;
      const int* around = faces.GetPointsNeighbourg(helper, i, n, kEdgeNeighbours);
      C3DPoint sumEdges;
      for (int k = 0; k < n; ++k) sumEdges += points[around[k]];
      int m = 0;
      const int* diagonal = faces.GetPointsNeighbourg(helper, i, m, kDiagonalNeighbours);
      // Unequal counts mean faces other than quadrangles meet here.
      if (n == 0 || n != m) continue;
      C3DPoint sumDiagonals;
      for (int k = 0; k < m; ++k) sumDiagonals += points[diagonal[k]];
      const float fn = static_cast<float>(n);
      moved = p * (1.0f - 1.5f / fn - 0.25f / fn) + sumEdges * (1.5f / (fn * fn)) +
              sumDiagonals * (0.25f / (fn * fn));
    }
  }

 private:
  static C3DPoint faceCentre(const vex3d::subdivision::Topology& t,
                             const std::vector<C3DPoint>& centre, int f) {
    const int rank = t.centreRank[static_cast<std::size_t>(f)];
    if (rank >= 0) return centre[static_cast<std::size_t>(rank)];
    C3DPoint c;
    t.faces->ElementAt(f)->GetCenter(t.geom, c);
    return c;
  }
};

}  // namespace

void vex3d::subdivideCatmullClark(C3DBaseObject& object, int level) {
  const CatmullClarkScheme scheme;
  subdivision::run(object, level, scheme);
}
