// Placing an object moves its whole point list, and welding on import sorts
// every point into the proximity map: both run over millions of points and
// must stay linear.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

#include "math/matrix4x4.h"
#include "mesh/model/int_coord_map.h"
#include "mesh/model/point_lists.h"

namespace {

constexpr int kTransformPoints = 10'000'000;

void fillRandom(C3DPointList& list, int n, std::uint32_t seed) {
  list.SetSize(n);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
  C3DPoint* p = list.GetData();
  for (int i = 0; i < n; ++i) p[i].Init(coord(rng), coord(rng), coord(rng));
}

// A welding input: a surface grid whose points each come several times (once
// per face around them, as many formats store them), shuffled.
void fillWeldInput(C3DPointList& list, int n) {
  const int side = 1000;
  list.SetSize(n);
  C3DPoint* p = list.GetData();
  std::mt19937 rng(5);
  for (int i = 0; i < n; ++i) {
    const int cell = static_cast<int>(rng() % static_cast<std::uint32_t>(n / 4 + 1));
    const float u = static_cast<float>(cell % side) * 0.01f;
    const float v = static_cast<float>(cell / side) * 0.01f;
    p[i].Init(u, v, 0.1f * u * v);
  }
}

C4x4Matrix placement() {
  C4x4Matrix m(1);
  m.SetHPBAngles(0.3f, -0.7f, 1.1f);
  m.Scale(2.0f, 2.0f, 2.0f);
  m.Translate(10.0f, -5.0f, 3.0f);
  return m;
}

void BM_MatrixTransformPointList(benchmark::State& state) {
  C3DPointList points;
  fillRandom(points, kTransformPoints, 7);
  const C4x4Matrix m = placement();
  C4x4Matrix inverse;
  m.Inverse(inverse);
  bool forward = true;
  for (auto _ : state) {
    // Alternating with the inverse keeps the values bounded.
    benchmark::DoNotOptimize(points.MatrixTransform(forward ? m : inverse));
    forward = !forward;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTransformPoints);
}
BENCHMARK(BM_MatrixTransformPointList)->Unit(benchmark::kMillisecond);

void BM_MatrixTransformVectorList(benchmark::State& state) {
  C3DVectorList vectors;
  vectors.SetSize(kTransformPoints);
  C3DVector* v = vectors.GetData();
  for (int i = 0; i < kTransformPoints; ++i) v[i].Init(0.0f, 0.0f, 1.0f);
  C4x4Matrix m(1);
  m.SetHPBAngles(0.3f, -0.7f, 1.1f);
  C4x4Matrix inverse;
  m.Inverse(inverse);
  bool forward = true;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vectors.MatrixTransform(forward ? m : inverse));
    forward = !forward;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kTransformPoints);
}
BENCHMARK(BM_MatrixTransformVectorList)->Unit(benchmark::kMillisecond);

void BM_InitIntCoordMap(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  C3DPointList points;
  fillWeldInput(points, n);
  int cells = 0;
  double bytes = 0;
  for (auto _ : state) {
    std::unique_ptr<CIntCoordMap> map = points.InitIntCoordMap(0.0f);
    cells = map->GetCellNbr();
    bytes = static_cast<double>(map->GetMemoryBytes());
    state.PauseTiming();
    map.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
  state.counters["cells"] = cells;
  state.counters["map_B_per_point"] = bytes / n;
}
BENCHMARK(BM_InitIntCoordMap)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->Arg(4'000'000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// Every point distinct and far from the others: as many cells as points,
// the worst case for the cell hash.
void BM_InitIntCoordMapAllCellsDistinct(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  C3DPointList points;
  fillRandom(points, n, 9);
  double bytes = 0;
  for (auto _ : state) {
    std::unique_ptr<CIntCoordMap> map = points.InitIntCoordMap(0.0f);
    state.PauseTiming();
    bytes = static_cast<double>(map->GetMemoryBytes());
    map.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
  state.counters["map_B_per_point"] = bytes / n;
}
BENCHMARK(BM_InitIntCoordMapAllCellsDistinct)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->Arg(4'000'000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// The same cell numbering through std::unordered_map, to compare with the
// host hash map the proximity map uses.
void BM_CellNumberingUnorderedMap(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  C3DPointList points;
  fillRandom(points, n, 9);
  const std::unique_ptr<CIntCoordMap> reference = points.InitIntCoordMap(0.0f);
  std::vector<std::uint32_t> cellOf(static_cast<std::size_t>(n));
  for (auto _ : state) {
    std::unordered_map<std::uint64_t, std::uint32_t> numbers;
    for (int i = 0; i < n; ++i) {
      const vex3d::IntCell c = reference->CellOf(points[i]);
      const std::uint64_t key =
          (static_cast<std::uint64_t>(static_cast<std::uint32_t>(c.i)) << 42) ^
          (static_cast<std::uint64_t>(static_cast<std::uint32_t>(c.j)) << 21) ^
          static_cast<std::uint32_t>(c.k);
      cellOf[static_cast<std::size_t>(i)] =
          numbers.try_emplace(key, static_cast<std::uint32_t>(numbers.size())).first->second;
    }
    benchmark::DoNotOptimize(cellOf.data());
    state.PauseTiming();
    numbers = {};
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CellNumberingUnorderedMap)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// One proximity query per point, as the weld's flood fill does.
void BM_Get3DProximityPoints(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  C3DPointList points;
  fillWeldInput(points, n);
  const std::unique_ptr<CIntCoordMap> map = points.InitIntCoordMap(0.0f);
  std::int64_t found = 0;
  for (auto _ : state) {
    for (int i = 0; i < n; ++i) {
      int count = 0;
      const std::unique_ptr<int[]> near = points.Get3DProximityPoints(i, map.get(), count);
      found += count;
    }
  }
  benchmark::DoNotOptimize(found);
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
}
BENCHMARK(BM_Get3DProximityPoints)
    ->Arg(1'000'000)
    ->Arg(2'000'000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

void BM_CountPointsWithNeighbours(benchmark::State& state) {
  const auto n = static_cast<int>(state.range(0));
  C3DPointList points;
  fillWeldInput(points, n);
  const std::unique_ptr<CIntCoordMap> map = points.InitIntCoordMap(0.0f);
  for (auto _ : state) benchmark::DoNotOptimize(points.Get3DProximityPoints(map.get()));
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CountPointsWithNeighbours)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
