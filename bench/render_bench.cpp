// Off-screen rendering on the software rasterizer at 512 x 512: compiling
// a scene's display lists, and one frame (lists replayed, colour and depth
// read back into a bitmap) of a 1,000,000-triangle mesh and of a
// 100,000-triangle textured mesh.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "bench_meshes.h"
#include "hostlib/images/bitmap.h"
#include "material/material.h"
#include "mesh/model/texture_channels.h"
#include "render/view.h"
#include "scene/scene.h"

namespace {

constexpr int kSide = 512;

// A 64 x 64 checker as an uncompressed 24-bit BMP (rows bottom first).
std::string writeChecker() {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / "vex3d_render_bench_checker.bmp";
  constexpr int w = 64;
  constexpr int h = 64;
  constexpr std::uint32_t pixels = w * h * 3;
  std::uint8_t header[54] = {'B', 'M'};
  auto put32 = [&header](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(2, 54 + pixels);
  put32(10, 54);
  put32(14, 40);
  put32(18, w);
  put32(22, h);
  header[26] = 1;
  header[28] = 24;
  put32(34, pixels);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint8_t v = ((x / 8 + y / 8) % 2) != 0 ? 230 : 40;
      const std::uint8_t bgr[3] = {v, static_cast<std::uint8_t>(v / 2), 20};
      out.write(reinterpret_cast<const char*>(bgr), 3);
    }
  }
  return path.string();
}

// A torus of u x v quads split into triangles, textured once around.
std::unique_ptr<C3DScene> makeScene(int u, int v, bool textured) {
  auto scene = std::make_unique<C3DScene>();
  auto* object = new C3DObject;
  vex3d::bench::makeTorus(*object, u, v, true);
  C3DMaterial* material = scene->CreateNewMaterial();
  if (textured) {
    auto* channel = new CUVWChannel(CChannel::CreateID());
    CUVWPointList* uv = channel->GetUVWPointList();
    for (int i = 0; i < u; ++i) {
      for (int j = 0; j < v; ++j) {
        uv->Add(CUVWPoint(4.0f * static_cast<float>(i) / static_cast<float>(u),
                          static_cast<float>(j) / static_cast<float>(v), 0.0f));
      }
    }
    // The texture coordinates share the mesh's indices.
    const C3DFaceList* faces = object->GetFaceList();
    CUVWFaceList* uvFaces = channel->GetUVWFaceList();
    uvFaces->SetSize(faces->GetSize(), 3);
    for (int f = 0; f < faces->GetSize(); ++f) {
      const C3DFace* face = faces->ElementAt(f);
      uvFaces->ElementAt(f)->SetTriangle((*face)[0], (*face)[1], (*face)[2]);
    }
    const std::uint32_t id = channel->GetChannelID();
    object->AddChannel(channel);
    object->SetGlobalUVWChannel(id);
    material->AddMaterialMap(writeChecker(), id, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  }
  C3DFaceList* faces = object->GetFaceList();
  for (int f = 0; f < faces->GetSize(); ++f)
    faces->ElementAt(f)->SetMaterialID(material->GetMaterialID());
  auto* node = new C3DSceneNode;
  node->SetObject(object);
  scene->AddNode(nullptr, node);
  return scene;
}

struct BenchView {
  explicit BenchView(C3DScene& scene, std::uint32_t viewMode) : view(DRAWING_MEMORY) {
    ok = view.CreateMemoryRendering(kSide, kSide, 32) != 0;
    view.SetScene(&scene);
    _GlViewSettings s;
    s.mask = GLVS_VIEW_MODE | GLVS_VIEW_POS;
    s.viewMode = viewMode;
    s.viewPos = 3;
    view.SetViewSettings(&s);
  }
  ~BenchView() { view.DetachScene(); }
  C3DView view;
  bool ok = false;
};

void compileLists(benchmark::State& state, int u, int v, bool textured, std::uint32_t mode) {
  auto scene = makeScene(u, v, textured);
  BenchView b(*scene, mode);
  if (!b.ok) {
    state.SkipWithError("no off-screen context");
    return;
  }
  for (auto _ : state) {
    b.view.UpdateView(UPDATE_VIEW_REBUILD);
    // The snapshot waits for the lists to be complete.
    std::unique_ptr<Bitmap> image(b.view.CreateBitmapFromScene());
    benchmark::DoNotOptimize(image.get());
  }
  state.counters["triangles"] = static_cast<double>(scene->GetFaceNbr());
}

void frame(benchmark::State& state, int u, int v, bool textured, std::uint32_t mode) {
  auto scene = makeScene(u, v, textured);
  BenchView b(*scene, mode);
  if (!b.ok) {
    state.SkipWithError("no off-screen context");
    return;
  }
  b.view.UpdateView(UPDATE_VIEW_REBUILD);
  b.view.Activate();
  state.counters["texture_loaded"] = b.view.TextureExist() ? 1.0 : 0.0;
  b.view.Deactivate();
  for (auto _ : state) {
    std::unique_ptr<Bitmap> image(b.view.CreateBitmapFromScene());
    benchmark::DoNotOptimize(image.get());
  }
  state.counters["triangles"] = static_cast<double>(scene->GetFaceNbr());
}

constexpr std::uint32_t kSmooth = VIEW_SMOOTH | VIEW_CULL_BACK;
constexpr std::uint32_t kTextured = kSmooth | VIEW_TEXTURES | VIEW_SMOOTH_TEXTURES;

void BM_CompileSmooth1M(benchmark::State& s) { compileLists(s, 1000, 500, false, kSmooth); }
void BM_FrameSmooth1M(benchmark::State& s) { frame(s, 1000, 500, false, kSmooth); }
void BM_CompileTextured100k(benchmark::State& s) { compileLists(s, 250, 200, true, kTextured); }
void BM_FrameTextured100k(benchmark::State& s) { frame(s, 250, 200, true, kTextured); }

BENCHMARK(BM_CompileSmooth1M)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FrameSmooth1M)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_CompileTextured100k)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FrameTextured100k)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
