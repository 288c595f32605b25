// Placing an object transforms its whole point list by one matrix, so the
// point-times-matrix path decides how fast large meshes move.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <random>
#include <vector>

#include "math/matrix4x4.h"
#include "math/point3d.h"

namespace {

constexpr std::size_t kPointCount = 10'000'000;

const std::vector<C3DPoint>& sourcePoints() {
  static const std::vector<C3DPoint> points = [] {
    std::vector<C3DPoint> v(kPointCount);
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-100.0f, 100.0f);
    for (C3DPoint& p : v) p.Init(coord(rng), coord(rng), coord(rng));
    return v;
  }();
  return points;
}

C4x4Matrix placement() {
  C4x4Matrix m(1);
  m.SetHPBAngles(0.3f, -0.7f, 1.1f);
  m.Scale(2.0f, 2.0f, 2.0f);
  m.Translate(10.0f, -5.0f, 3.0f);
  return m;
}

// In place, as a point list transforms its points.
void BM_TransformPointsInPlace(benchmark::State& state) {
  std::vector<C3DPoint> points = sourcePoints();
  const C4x4Matrix m = placement();
  C4x4Matrix inv;
  m.Inverse(inv);
  bool forward = true;
  for (auto _ : state) {
    // Alternate with the inverse so the values stay bounded.
    const C4x4Matrix& t = forward ? m : inv;
    for (C3DPoint& p : points) p *= t;
    forward = !forward;
    benchmark::DoNotOptimize(points.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(points.size()));
}
BENCHMARK(BM_TransformPointsInPlace)->Unit(benchmark::kMillisecond);

// Into a second list, through the value-returning product.
void BM_TransformPointsCopy(benchmark::State& state) {
  const std::vector<C3DPoint>& points = sourcePoints();
  std::vector<C3DPoint> out(points.size());
  const C4x4Matrix m = placement();
  for (auto _ : state) {
    for (std::size_t i = 0; i < points.size(); ++i) {
      const C3DPoint q = points[i] * m;
      out[i].Init(q.x, q.y, q.z);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(points.size()));
}
BENCHMARK(BM_TransformPointsCopy)->Unit(benchmark::kMillisecond);

}  // namespace
