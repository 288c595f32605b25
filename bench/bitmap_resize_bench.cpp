// Antialiased snapshots render at twice the size and halve the result, so the
// halving of a large RGBA bitmap is on the path of every image export.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/bitmap_resize.h"

namespace {

std::unique_ptr<Bitmap> noiseBitmap(int type, int width, int height) {
  std::unique_ptr<Bitmap> b(Bitmap::Create(type, width, height));
  std::mt19937 rng(42);
  for (std::size_t i = 0; i < b->GetByteSize(); ++i) b->GetBits()[i] = std::uint8_t(rng());
  return b;
}

void BM_HalveRgba2048Area(benchmark::State& state) {
  const auto source = noiseBitmap(vex3d::kBitmapRgba, 2048, 2048);
  for (auto _ : state) {
    state.PauseTiming();
    auto b = source->Clone();
    state.ResumeTiming();
    benchmark::DoNotOptimize(b->Resize(1024, 1024, vex3d::kResizeArea));
    benchmark::DoNotOptimize(b->GetBits());
  }
}
BENCHMARK(BM_HalveRgba2048Area)->Unit(benchmark::kMillisecond);

// Arbitrary ratios take the general weighted path: source and destination
// sizes share no factor.
void BM_ResizeRgbaOddRatio(benchmark::State& state) {
  const auto source = noiseBitmap(vex3d::kBitmapRgba, 2047, 1531);
  const int dstW = static_cast<int>(state.range(0));
  const int dstH = static_cast<int>(state.range(1));
  std::vector<std::uint8_t> out(std::size_t(dstW) * std::size_t(dstH) * 4);
  for (auto _ : state) {
    benchmark::DoNotOptimize(vex3d::resizePixels(source->GetBits(), 2047, 1531, source->GetStride(),
                                                 out.data(), dstW, dstH, std::size_t(dstW) * 4, 4,
                                                 vex3d::kResizeArea));
  }
}
BENCHMARK(BM_ResizeRgbaOddRatio)
    ->Args({1000, 701})
    ->Args({3001, 2003})
    ->Unit(benchmark::kMillisecond);

}  // namespace
