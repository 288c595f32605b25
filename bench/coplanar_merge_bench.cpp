// Merging a triangulated flat grid back into polygons. Two shapes of the
// same size: a grid of one material, which becomes a single region with a
// border of a few thousand points, and a checkerboard of two materials,
// which becomes one quadrangle per square (half a million small regions).
// Both must stay linear in the face count.
//
// Each iteration merges a fresh copy of the lists (copied while the timer
// is paused). With a second argument of 0 the adjacency graphs are built
// inside the timed part, as they are for a real object; with 1 they are
// built beforehand, which leaves the merge proper.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {

struct Grid {
  C3DPointList points;
  C3DFaceList faces;
};

// About `triangles` triangles: n x n unit squares, two triangles each.
void buildGrid(Grid& g, int triangles, bool checker) {
  const int n = static_cast<int>(std::sqrt(triangles / 2.0));
  g.points.SetSize((n + 1) * (n + 1));
  for (int y = 0; y <= n; ++y) {
    for (int x = 0; x <= n; ++x) {
      g.points[y * (n + 1) + x].Init(static_cast<float>(x), static_cast<float>(y), 0.0f);
    }
  }
  g.faces.SetSize(2 * n * n, 3);
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      const int p = y * (n + 1) + x;
      const int f = 2 * (y * n + x);
      const std::uint32_t material = checker ? static_cast<std::uint32_t>((x + y) % 2) : 0;
      g.faces[f]->SetTriangle(p, p + 1, p + n + 2);
      g.faces[f + 1]->SetTriangle(p, p + n + 2, p + n + 1);
      g.faces[f]->SetMaterialID(material);
      g.faces[f + 1]->SetMaterialID(material);
    }
  }
}

void runMerge(benchmark::State& state, bool checker) {
  Grid pristine;
  buildGrid(pristine, static_cast<int>(state.range(0)), checker);
  const int faces = pristine.faces.GetSize();
  int written = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto work = std::make_unique<Grid>();
    work->points = pristine.points;
    work->faces = pristine.faces;
    auto merged = std::make_unique<C3DFaceList>();
    CGeomInfo geom(&work->faces, &work->points);
    geom.SetFaceList(&work->faces, merged.get());
    if (state.range(1) != 0) {
      work->faces.InitPointToFaceGraph(&geom);
      work->faces.InitEdgeToFaceGraph(&geom);
    }
    state.ResumeTiming();
    written = work->faces.MergeCoplanarFaces(&geom, 0.01f);
    benchmark::DoNotOptimize(written);
    state.PauseTiming();
    // The lists go while the timer is stopped.
    work.reset();
    merged.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * faces);
  state.counters["faces_in"] = faces;
  state.counters["faces_out"] = written;
}

void BM_MergeFlatGrid(benchmark::State& state) { runMerge(state, false); }
void BM_MergeCheckerboard(benchmark::State& state) { runMerge(state, true); }

// Arguments: triangles, and 1 to build the adjacency graphs before the
// timer starts (the merge proper alone).
BENCHMARK(BM_MergeFlatGrid)
    ->ArgsProduct({{250'000, 1'000'000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeCheckerboard)
    ->ArgsProduct({{250'000, 1'000'000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
