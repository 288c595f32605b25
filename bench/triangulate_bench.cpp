// Export to triangle-only formats triangulates whole meshes, so the cost per
// face of C3DFaceList::Triangulate bounds how fast large scenes convert.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <utility>
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
  // Sized once: a face grown index by index moves its record at each step.
  face.SetSize(static_cast<std::uint32_t>(n));
  for (int i = 0; i < n; ++i) face[static_cast<std::uint32_t>(i)] = indices[i];
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

// Random stars of n corners, 200,000 corners in all: around the size where
// clipping switches from walking the ring to its indexes, both sides must
// cost about the same per corner.
void BM_TriangulateStarsOf(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  static std::map<int, std::unique_ptr<Mesh>> meshes;
  std::unique_ptr<Mesh>& mesh = meshes[n];
  if (!mesh) {
    mesh = std::make_unique<Mesh>();
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> radius(0.5f, 1.0f);
    std::vector<int> indices(static_cast<std::size_t>(n));
    for (int f = 0; f < 200'000 / n; ++f) {
      const float cx = static_cast<float>(f % 400) * 3.0f;
      const float cy = static_cast<float>(f / 400) * 3.0f;
      for (int i = 0; i < n; ++i) {
        const float angle = 6.2831853f * static_cast<float>(i) / static_cast<float>(n);
        const float r = radius(rng);
        indices[static_cast<std::size_t>(i)] =
            mesh->points.Add(C3DPoint(cx + r * std::cos(angle), cy + r * std::sin(angle), 0.0f));
      }
      addFace(mesh->faces, indices.data(), n);
    }
  }
  runTriangulation(state, *mesh);
}
BENCHMARK(BM_TriangulateStarsOf)
    ->Arg(16)
    ->Arg(32)
    ->Arg(48)
    ->Arg(64)
    ->Arg(96)
    ->Arg(128)
    ->Arg(192)
    ->Arg(256)
    ->Unit(benchmark::kMillisecond);

// One face of many corners, as a browser meets it in a file nobody cleaned
// up: the cost per corner must not grow with the corner count.
std::unique_ptr<Mesh> singlePolygon(const std::vector<std::pair<double, double>>& outline) {
  auto mesh = std::make_unique<Mesh>();
  std::vector<int> indices;
  indices.reserve(outline.size());
  for (const auto& [x, y] : outline) {
    indices.push_back(
        mesh->points.Add(C3DPoint(static_cast<float>(x), static_cast<float>(y), 0.0f)));
  }
  addFace(mesh->faces, indices.data(), static_cast<int>(indices.size()));
  return mesh;
}

// Teeth of width about 1 with notches between them: half of the corners are
// reflex, and every ear sits beside a notch. Heights and sides are jittered
// so that no cut leaves three corners on a line. The corners a whole number
// of teeth leaves over bend the back into a shallow arc.
std::vector<std::pair<double, double>> comb(int n) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> jitter(-0.2, 0.2);
  const int teeth = n / 4;
  const int extra = n % 4;
  const double width = 2.0 * teeth - 1.0;
  std::vector<std::pair<double, double>> outline{{0.0, 0.0}};
  for (int k = 1; k <= extra; ++k) {
    const double x = width * k / (extra + 1);
    outline.push_back({x, -x * (width - x) / (width * width)});
  }
  outline.push_back({width, 0.0});
  for (int i = teeth - 1; i >= 0; --i) {
    outline.push_back({2.0 * i + 1.0 + (i + 1 < teeth ? jitter(rng) : 0.0), 10.0 + jitter(rng)});
    outline.push_back({2.0 * i + (i > 0 ? jitter(rng) : 0.0), 10.0 + jitter(rng)});
    if (i > 0) {
      outline.push_back({2.0 * i + jitter(rng), 1.5 + jitter(rng)});
      outline.push_back({2.0 * i - 1.0 + jitter(rng), 1.5 + jitter(rng)});
    }
  }
  return outline;
}

// A strip of width 1 wound around a centre, out along its outer side and
// back along its inner side: the whole inner side is reflex.
std::vector<std::pair<double, double>> spiral(int n) {
  constexpr double kTwoPi = 6.283185307179586;
  const int outer = n / 2;
  const int inner = n - outer;
  const double turns = std::max(1, n / 2000);
  std::vector<std::pair<double, double>> outline;
  for (int i = 0; i < outer; ++i) {
    const double t = kTwoPi * turns * i / (outer - 1);
    const double r = 2.0 + 2.0 * t / kTwoPi;
    outline.push_back({r * std::cos(t), r * std::sin(t)});
  }
  for (int i = inner - 1; i >= 0; --i) {
    const double t = kTwoPi * turns * i / (inner - 1);
    const double r = 1.0 + 2.0 * t / kTwoPi;
    outline.push_back({r * std::cos(t), r * std::sin(t)});
  }
  return outline;
}

// Corners at even angles and random radii: spiky, about half reflex.
std::vector<std::pair<double, double>> randomStar(int n) {
  constexpr double kTwoPi = 6.283185307179586;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> radius(0.5, 1.0);
  std::vector<std::pair<double, double>> outline;
  for (int i = 0; i < n; ++i) {
    const double t = kTwoPi * i / n;
    const double r = radius(rng);
    outline.push_back({r * std::cos(t), r * std::sin(t)});
  }
  return outline;
}

// Strictly convex with every corner just short of a straight angle, on
// whole coordinates so that no corner rounds into a reflex one: its edges
// are the shortest primitive vectors, each with its opposite, in angle
// order. No corner is sharp enough to be taken from the last ear's
// neighbours, so every ear is found by searching the ring.
std::vector<std::pair<double, double>> convex(int n) {
  std::vector<std::pair<int, int>> edges;
  for (int size = 1; static_cast<int>(edges.size()) + 2 <= n; ++size) {
    std::vector<std::pair<int, int>> ring;
    for (int a = -size; a <= size; ++a) {
      for (int b = -size; b <= size; ++b) {
        if (std::max(std::abs(a), std::abs(b)) == size && std::gcd(a, b) == 1)
          ring.push_back({a, b});
      }
    }
    for (const auto& [a, b] : ring) {
      // Whole pairs of opposite edges, so that the outline closes.
      if (static_cast<int>(edges.size()) + 2 > n) break;
      if (b > 0 || (b == 0 && a > 0)) {
        edges.push_back({a, b});
        edges.push_back({-a, -b});
      }
    }
  }
  std::sort(edges.begin(), edges.end(), [](const auto& u, const auto& v) {
    return std::atan2(u.second, u.first + 0.0) < std::atan2(v.second, v.first + 0.0);
  });
  // The first edge along +x keeps the polygon's own frame exact.
  const auto first = std::find(edges.begin(), edges.end(), std::pair<int, int>{1, 0});
  std::rotate(edges.begin(), first, edges.end());
  std::vector<std::pair<double, double>> outline;
  double x = 0.0, y = 0.0;
  for (const auto& [a, b] : edges) {
    outline.push_back({x, y});
    x += a;
    y += b;
  }
  return outline;
}

void runLargePolygon(benchmark::State& state,
                     std::vector<std::pair<double, double>> (*shape)(int)) {
  const int n = static_cast<int>(state.range(0));
  static std::map<std::pair<void*, int>, std::unique_ptr<Mesh>> meshes;
  std::unique_ptr<Mesh>& mesh = meshes[{reinterpret_cast<void*>(shape), n}];
  if (!mesh) mesh = singlePolygon(shape(n));
  C3DFaceList out;
  CGeomInfo geom(&mesh->faces, &mesh->points);
  geom.SetFaceList(&mesh->faces, &out);
  int triangles = 0;
  for (auto _ : state) {
    triangles = mesh->faces.Triangulate(&geom, static_cast<_FACE_PROPERTIES>(0), 1);
    benchmark::DoNotOptimize(triangles);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
  state.counters["triangles"] = triangles;
}

void BM_TriangulateComb(benchmark::State& state) { runLargePolygon(state, comb); }
BENCHMARK(BM_TriangulateComb)->Arg(1000)->Arg(20000)->Arg(65000)->Unit(benchmark::kMillisecond);

void BM_TriangulateSpiral(benchmark::State& state) { runLargePolygon(state, spiral); }
BENCHMARK(BM_TriangulateSpiral)->Arg(1000)->Arg(20000)->Arg(65000)->Unit(benchmark::kMillisecond);

void BM_TriangulateRandomStar(benchmark::State& state) { runLargePolygon(state, randomStar); }
BENCHMARK(BM_TriangulateRandomStar)
    ->Arg(1000)
    ->Arg(20000)
    ->Arg(65000)
    ->Unit(benchmark::kMillisecond);

void BM_TriangulateConvex(benchmark::State& state) { runLargePolygon(state, convex); }
BENCHMARK(BM_TriangulateConvex)->Arg(1000)->Arg(20000)->Arg(65000)->Unit(benchmark::kMillisecond);

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
