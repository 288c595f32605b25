// The algorithms that run on every opened file: adjacency graphs, smooth
// normals and winding repair, on a noisy torus of 1,000,000 triangles.
// With the peer library present, the same work done by its post-processing
// steps on the same mesh is measured beside ours (names ending in _Peer).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "bench_meshes.h"
#include "hostlib/containers/array_id.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"
#include "peer.h"

namespace {

constexpr int kU = 1000;
constexpr int kV = 500;  // 2 * 1000 * 500 = 1,000,000 triangles

C3DObject& torus() {
  static C3DObject* object = [] {
    auto* o = new C3DObject;
    vex3d::bench::makeTorus(*o, kU, kV, true);
    return o;
  }();
  return *object;
}

void perFace(benchmark::State& state, int faces) {
  state.SetItemsProcessed(state.iterations() * faces);
}

void BM_BuildBothGraphs(benchmark::State& state) {
  C3DObject& o = torus();
  CGeomInfo geom(&o);
  for (auto _ : state) {
    o.GetFaceList()->CreatePointToFaceGraph(&geom);
    o.GetFaceList()->CreateEdgeToFaceGraph(&geom);
    benchmark::ClobberMemory();
  }
  perFace(state, o.GetFaceNbr());
}
BENCHMARK(BM_BuildBothGraphs)->Unit(benchmark::kMillisecond);

void BM_BuildPointGraph(benchmark::State& state) {
  C3DObject& o = torus();
  CGeomInfo geom(&o);
  for (auto _ : state) o.GetFaceList()->CreatePointToFaceGraph(&geom);
  perFace(state, o.GetFaceNbr());
}
BENCHMARK(BM_BuildPointGraph)->Unit(benchmark::kMillisecond);

// Face normals and point normals at 30 degrees; the point graph is kept
// between runs as it is between requests of a real object.
void BM_PointNormals30(benchmark::State& state) {
  C3DObject& o = torus();
  o.SetSmoothAngle(30.0f * 3.1415927f / 180.0f);
  for (auto _ : state) {
    o.RemoveComputedChannels();
    benchmark::DoNotOptimize(o.GetPointNormalChannel());
  }
  perFace(state, o.GetFaceNbr());
}
BENCHMARK(BM_PointNormals30)->Unit(benchmark::kMillisecond);

void BM_UnifyNormalsTenPercentFlipped(benchmark::State& state) {
  C3DObject& o = torus();
  C3DFaceList work;
  CGeomInfo geom(&work, o.GetPointList());
  CIntArrayID flipped;
  std::mt19937 rng(5);
  for (auto _ : state) {
    state.PauseTiming();
    work = *o.GetFaceList();
    for (int i = 0; i < work.GetSize(); ++i) {
      if (rng() % 10 == 0) work.ElementAt(i)->Flip();
    }
    state.ResumeTiming();
    work.UnifyNormals(&geom, flipped);
  }
  perFace(state, o.GetFaceNbr());
}
BENCHMARK(BM_UnifyNormalsTenPercentFlipped)->Unit(benchmark::kMillisecond);

#ifdef VEX3D_BENCH_WITH_PEER
void peerStep(benchmark::State& state, unsigned int readSteps, unsigned int timedStep) {
  C3DObject& o = torus();
  vex3d::bench::peerStep(state, vex3d::bench::toPly(*o.GetPointList(), *o.GetFaceList()), readSteps,
                         timedStep, o.GetFaceNbr());
}

void BM_PointNormals30_Peer(benchmark::State& state) {
  peerStep(state, 0, aiProcess_GenSmoothNormals);
}
BENCHMARK(BM_PointNormals30_Peer)->Unit(benchmark::kMillisecond);

void BM_FixInfacingNormals_Peer(benchmark::State& state) {
  peerStep(state, aiProcess_GenNormals, aiProcess_FixInfacingNormals);
}
BENCHMARK(BM_FixInfacingNormals_Peer)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
