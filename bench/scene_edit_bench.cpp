// Welding a triangle soup back into a shared mesh, against the peer's
// JoinIdenticalVertices on the same soup, and export preparation of a
// 100-object scene (triangulation, world coordinates, concatenation) with
// its peak memory against the scene's own size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "animation/vector_key.h"
#include "bench_meshes.h"
#include "hostlib/core/archive.h"
#include "peak_memory.h"
#include "peer.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

// 100 quad tori of 10,000 faces each (2,000,000 triangles once cut), each
// under a node moved by a translation key.
std::unique_ptr<C3DScene> makeScene() {
  auto scene = std::make_unique<C3DScene>();
  for (int i = 0; i < 100; ++i) {
    auto* object = new C3DObject;
    vex3d::bench::makeTorus(*object, 100, 100, false);
    auto* node = new C3DSceneNode;
    node->SetObject(object);
    node->SetName("torus " + std::to_string(i));
    node->AddKey(0, C3DTranslateKey(C3DVector(static_cast<float>(i % 10) * 3.0f,
                                              static_cast<float>(i / 10) * 3.0f, 0.0f)));
    scene->AddNode(nullptr, node);
  }
  return scene;
}

constexpr std::uint32_t kExportFlags =
    EXPORT_TRIANGULATE | EXPORT_WORLD_COORDINATES | EXPORT_CONCATENATE;

// First in this file, so that nothing else has run in this process yet.
// The preparation's peak rise over the scene's own size.
void BM_InitExportPeakMemory(benchmark::State& state) {
  const std::unique_ptr<C3DScene> scene = makeScene();
  // What building the scene takes, measured the same way.
  const std::uint64_t sceneBytes =
      vex3d::bench::peakRiseInChild([] { benchmark::DoNotOptimize(makeScene()); });
  std::uint64_t rise = 0;
  for (auto _ : state) {
    rise = vex3d::bench::peakRiseInChild([&scene] {
      CSceneExportOptions options;
      options.m_flags = kExportFlags;
      options.m_fileName = "out.obj";
      benchmark::DoNotOptimize(scene->InitExport(options));
    });
  }
  if (rise == 0 || sceneBytes == 0) state.SkipWithError("no peak measured");
  state.counters["scene_MB"] = static_cast<double>(sceneBytes) / 1e6;
  state.counters["peak_rise_MB"] = static_cast<double>(rise) / 1e6;
  state.counters["ratio"] = static_cast<double>(rise) / static_cast<double>(sceneBytes);
}
BENCHMARK(BM_InitExportPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// 500,000 quads split into 1,000,000 triangles.
constexpr int kU = 1000;
constexpr int kV = 500;

// Every triangle with three points of its own.
void makeSoup(const C3DObject& shared, C3DObject& soup) {
  const C3DFaceList& faces = *shared.GetFaceList();
  const C3DPointList& points = *shared.GetPointList();
  soup.Init(3 * faces.GetSize(), faces.GetSize(), 3, 0, 0);
  C3DPointList& p = *soup.GetPointList();
  C3DFaceList& f = *soup.GetFaceList();
  for (int i = 0; i < faces.GetSize(); ++i) {
    const CFace* face = faces.ElementAt(i);
    for (std::uint32_t k = 0; k < 3; ++k) p[3 * i + static_cast<int>(k)] = points[(*face)[k]];
    f[i]->SetTriangle(3 * i, 3 * i + 1, 3 * i + 2);
  }
}

const C3DObject& soup() {
  static const std::unique_ptr<C3DObject> soup = [] {
    C3DObject torus;
    vex3d::bench::makeTorus(torus, kU, kV, true);
    auto s = std::make_unique<C3DObject>();
    makeSoup(torus, *s);
    return s;
  }();
  return *soup;
}

void BM_WeldSoup(benchmark::State& state) {
  const C3DObject& source = soup();
  int points = 0;
  for (auto _ : state) {
    state.PauseTiming();
    C3DObject work;
    work.Init(0, 0, 3, 0, 0);
    *work.GetPointList() = *source.GetPointList();
    *work.GetFaceList() = *source.GetFaceList();
    state.ResumeTiming();
    int removedPoints = 0;
    int removedFaces = 0;
    work.Weld3DPoints(0.0f, removedPoints, removedFaces, 0x13);
    points = work.GetPointNbr();
  }
  state.counters["points_after"] = points;
  state.SetItemsProcessed(state.iterations() * source.GetFaceNbr());
}
BENCHMARK(BM_WeldSoup)->Unit(benchmark::kMillisecond);

#ifdef VEX3D_BENCH_WITH_PEER
void BM_WeldSoup_Peer(benchmark::State& state) {
  const std::string ply = vex3d::bench::toPly(*soup().GetPointList(), *soup().GetFaceList());
  vex3d::bench::peerStep(state, ply, 0, aiProcess_JoinIdenticalVertices, soup().GetFaceNbr());
}
BENCHMARK(BM_WeldSoup_Peer)->Unit(benchmark::kMillisecond);
#endif

void BM_InitExport(benchmark::State& state) {
  const std::unique_ptr<C3DScene> scene = makeScene();
  int faces = 0;
  for (auto _ : state) {
    CSceneExportOptions options;
    options.m_flags = kExportFlags;
    options.m_fileName = "out.obj";
    C3DScene* prepared = scene->InitExport(options);
    faces = prepared != nullptr ? prepared->GetFaceNbr() : 0;
    state.PauseTiming();
    C3DScene::ReleaseExport(options);
    state.ResumeTiming();
  }
  state.counters["faces_out"] = faces;
}
BENCHMARK(BM_InitExport)->Unit(benchmark::kMillisecond);

}  // namespace
