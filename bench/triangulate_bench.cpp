// Export to triangle-only formats triangulates whole meshes, so the cost per
// face of C3DFaceList::Triangulate bounds how fast large scenes convert.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "bench_meshes.h"
#include "math/point3d.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "peer.h"

namespace {

constexpr int kGridSide = 708;  // 708 x 708 = 501,264 quads
constexpr int kPolygonCount = 100'000;

struct Mesh {
  C3DPointList points;
  C3DFaceList faces;
  CDependentChannels channels;
  CDependentChannels outChannels;
};

void addFace(CFaceList& list, const int* indices, int n) {
  C3DSingleFace face;
  for (int i = 0; i < n; ++i) face.AddIndex(indices[i]);
  list.Add(&face);
}

// A slightly wavy grid of quads, optionally with a texture channel whose
// faces follow the quads.
std::unique_ptr<Mesh> quadGrid(bool withUVW) {
  auto mesh = std::make_unique<Mesh>();
  const int side = kGridSide + 1;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const float fx = static_cast<float>(x);
      const float fy = static_cast<float>(y);
      mesh->points.Add(C3DPoint(fx, fy, 0.1f * std::sin(fx * 0.1f) * std::cos(fy * 0.1f)));
    }
  }
  CFaceList* uvw = nullptr;
  if (withUVW) {
    auto* channel = new CUVWChannel;
    mesh->channels.AddChannel(channel);
    mesh->outChannels.AddChannel(new CUVWChannel);
    uvw = channel->GetFaceList();
  }
  for (int y = 0; y < kGridSide; ++y) {
    for (int x = 0; x < kGridSide; ++x) {
      const int a = y * side + x;
      const int quad[4] = {a, a + 1, a + side + 1, a + side};
      addFace(mesh->faces, quad, 4);
      if (uvw != nullptr) addFace(*uvw, quad, 4);
    }
  }
  return mesh;
}

// Polygons of 5 to 12 corners, each on its own points: every other one a
// concave star, the rest convex.
std::unique_ptr<Mesh> polygonSoup() {
  auto mesh = std::make_unique<Mesh>();
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> corners(5, 12);
  std::uniform_real_distribution<float> jitter(0.9f, 1.1f);
  std::vector<int> indices;
  for (int f = 0; f < kPolygonCount; ++f) {
    const int n = corners(rng);
    const float cx = static_cast<float>(f % 400) * 3.0f;
    const float cy = static_cast<float>(f / 400) * 3.0f;
    const bool star = f % 2 == 0;
    indices.clear();
    for (int i = 0; i < n; ++i) {
      const float angle = 6.2831853f * static_cast<float>(i) / static_cast<float>(n);
      const float radius = (star && i % 2 == 1 ? 0.5f : 1.0f) * jitter(rng);
      indices.push_back(mesh->points.Add(
          C3DPoint(cx + radius * std::cos(angle), cy + radius * std::sin(angle), 0.0f)));
    }
    addFace(mesh->faces, indices.data(), n);
  }
  return mesh;
}

void runTriangulation(benchmark::State& state, Mesh& mesh) {
  C3DFaceList out;
  CGeomInfo geom(&mesh.faces, &mesh.points);
  geom.SetFaceList(&mesh.faces, &out);
  geom.SetChannels(&mesh.channels, &mesh.outChannels);
  int triangles = 0;
  for (auto _ : state) {
    triangles = mesh.faces.Triangulate(&geom, static_cast<_FACE_PROPERTIES>(0), 1);
    benchmark::DoNotOptimize(triangles);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * mesh.faces.GetSize());
  state.counters["triangles"] = triangles;
}

void BM_TriangulateQuadGrid(benchmark::State& state) {
  static const std::unique_ptr<Mesh> mesh = quadGrid(false);
  runTriangulation(state, *mesh);
}
BENCHMARK(BM_TriangulateQuadGrid)->Unit(benchmark::kMillisecond);

void BM_TriangulateQuadGridWithUVW(benchmark::State& state) {
  static const std::unique_ptr<Mesh> mesh = quadGrid(true);
  runTriangulation(state, *mesh);
}
BENCHMARK(BM_TriangulateQuadGridWithUVW)->Unit(benchmark::kMillisecond);

void BM_TriangulatePolygons(benchmark::State& state) {
  static const std::unique_ptr<Mesh> mesh = polygonSoup();
  runTriangulation(state, *mesh);
}
BENCHMARK(BM_TriangulatePolygons)->Unit(benchmark::kMillisecond);

#ifdef VEX3D_BENCH_WITH_PEER
void peerTriangulate(benchmark::State& state, const Mesh& mesh) {
  vex3d::bench::peerStep(state, vex3d::bench::toPly(mesh.points, mesh.faces), 0,
                         aiProcess_Triangulate, mesh.faces.GetSize());
}

void BM_TriangulateQuadGrid_Peer(benchmark::State& state) {
  static const std::unique_ptr<Mesh> mesh = quadGrid(false);
  peerTriangulate(state, *mesh);
}
BENCHMARK(BM_TriangulateQuadGrid_Peer)->Unit(benchmark::kMillisecond);

void BM_TriangulatePolygons_Peer(benchmark::State& state) {
  static const std::unique_ptr<Mesh> mesh = polygonSoup();
  peerTriangulate(state, *mesh);
}
BENCHMARK(BM_TriangulatePolygons_Peer)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
