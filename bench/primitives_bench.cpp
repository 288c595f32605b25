// Primitives and symmetry: the mirror map of a mirrored mesh at growing
// sizes (the work must grow linearly: compare the time per point), and a
// capsule of 1,000 x 1,000 segments.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "mesh/algorithms/capsule.h"
#include "mesh/algorithms/point_symmetry.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"

namespace {

// Half the points at random on the x > 0 side, the other half their
// mirrors, shuffled, as a symmetric scan would give them.
std::unique_ptr<C3DPointList> mirroredPoints(int count) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coord(-1.0f, 1.0f);
  std::uniform_real_distribution<float> side(0.001f, 1.0f);
  std::vector<C3DPoint> points;
  points.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count / 2; ++i) {
    const C3DPoint p(side(random), coord(random), coord(random));
    points.push_back(p);
    points.emplace_back(-p.x, p.y, p.z);
  }
  std::shuffle(points.begin(), points.end(), random);
  auto list = std::make_unique<C3DPointList>();
  list->SetSize(static_cast<int>(points.size()));
  for (int i = 0; i < list->GetSize(); ++i) {
    list->ElementAt(i) = points[static_cast<std::size_t>(i)];
  }
  return list;
}

void BM_SymmetryMap(benchmark::State& state) {
  const auto points = mirroredPoints(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    auto map = points->InitSymetryMap(AXIS_X, 0.001f);
    benchmark::DoNotOptimize(map->GetCount());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SymmetryMap)->Arg(250000)->Arg(1000000)->Arg(4000000)->Unit(benchmark::kMillisecond);

void BM_Capsule1000x1000(benchmark::State& state) {
  for (auto _ : state) {
    C3DScene scene;
    benchmark::DoNotOptimize(
        CreateCapsule(&scene, C3DPoint(0, 0, 0), 1.0f, 4.0f, 1000, 500, 1000, AXIS_Z, 0));
  }
}
BENCHMARK(BM_Capsule1000x1000)->Unit(benchmark::kMillisecond);

}  // namespace
