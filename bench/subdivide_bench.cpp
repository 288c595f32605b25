// Subdivision of 100,000-face meshes: the schemes alone on a copy of the
// mesh, and a patch changing level (sub-objects, schemes and concatenation).
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_meshes.h"
#include "mesh/algorithms/patch.h"
#include "mesh/algorithms/subdivision.h"

namespace {

// 250 x 200 quads split in two, or 500 x 200 quads.
C3DObject& torus(bool triangles) {
  static const std::unique_ptr<C3DObject> made[2] = {[] {
                                                       auto o = std::make_unique<C3DObject>();
                                                       vex3d::bench::makeTorus(*o, 500, 200, false);
                                                       return o;
                                                     }(),
                                                     [] {
                                                       auto o = std::make_unique<C3DObject>();
                                                       vex3d::bench::makeTorus(*o, 250, 200, true);
                                                       return o;
                                                     }()};
  return *made[triangles ? 1 : 0];
}

void runScheme(benchmark::State& state, bool triangles) {
  const int level = static_cast<int>(state.range(0));
  C3DObject& source = torus(triangles);
  std::int64_t faces = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<C3DBaseObject> mesh = source.Copy(0, nullptr);
    state.ResumeTiming();
    if (triangles) {
      vex3d::subdivideLoop(*mesh, level);
    } else {
      vex3d::subdivideCatmullClark(*mesh, level);
    }
    faces = mesh->GetFaceNbr();
    state.PauseTiming();
    mesh.reset();
    state.ResumeTiming();
  }
  state.counters["faces"] = static_cast<double>(faces);
}

void runPatch(benchmark::State& state, bool triangles) {
  const int level = static_cast<int>(state.range(0));
  C3DObject& source = torus(triangles);
  std::int64_t faces = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto patch = std::make_unique<C3DPatch>();
    // The torus becomes the patch's control mesh.
    patch->Concatenate(&source, 1);
    state.ResumeTiming();
    patch->SetLevel(level);
    faces = patch->GetFaceNbr();
    state.PauseTiming();
    patch.reset();
    state.ResumeTiming();
  }
  state.counters["faces"] = static_cast<double>(faces);
}

void BM_Loop(benchmark::State& state) { runScheme(state, true); }
void BM_CatmullClark(benchmark::State& state) { runScheme(state, false); }
void BM_PatchTriangles(benchmark::State& state) { runPatch(state, true); }
void BM_PatchQuadrangles(benchmark::State& state) { runPatch(state, false); }

BENCHMARK(BM_Loop)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CatmullClark)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatchTriangles)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PatchQuadrangles)->DenseRange(1, 3)->Unit(benchmark::kMillisecond);

}  // namespace
