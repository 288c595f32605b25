#pragma once
// The peer library's side of a comparison: the same mesh is read untimed
// from binary PLY, then one post-processing step is timed.
#ifdef VEX3D_BENCH_WITH_PEER
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <assimp/Importer.hpp>
#include <cstdint>
#include <string>

namespace vex3d::bench {

inline void peerStep(benchmark::State& state, const std::string& ply, unsigned int readSteps,
                     unsigned int timedStep, std::int64_t faces) {
  for (auto _ : state) {
    state.PauseTiming();
    Assimp::Importer importer;
    importer.SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, 30.0f);
    const aiScene* scene = importer.ReadFileFromMemory(ply.data(), ply.size(), readSteps, "ply");
    if (scene == nullptr) {
      state.SkipWithError(importer.GetErrorString());
      break;
    }
    state.ResumeTiming();
    benchmark::DoNotOptimize(importer.ApplyPostProcessing(timedStep));
    state.PauseTiming();
    importer.FreeScene();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * faces);
}

}  // namespace vex3d::bench
#endif
