// Reading a 1,000,000-triangle mesh with the native format readers (OBJ
// with texture coordinates and normals, binary STL, binary PLY) against the
// peer library reading the very same files without post-processing. The
// readers are compiled in: they live in plug-ins, not in the module.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench_meshes.h"
#include "hostlib/files/mapped_file.h"
#include "obj/obj_reader.h"
#include "ply/ply_reader.h"
#include "scene/scene.h"
#include "stl/stl_reader.h"

#ifdef VEX3D_BENCH_WITH_PEER
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kRing = 1000;
constexpr int kTube = 500;  // 1000 x 500 quads: 1,000,000 triangles
constexpr std::int64_t kTriangles = 2LL * kRing * kTube;

struct Files {
  std::string obj, stl, ply;
};

// The torus in the three formats, written once per run.
const Files& files() {
  static const Files made = [] {
    const fs::path folder = fs::temp_directory_path() / "vex3d_native_io_bench";
    fs::create_directories(folder);
    C3DObject torus;
    vex3d::bench::makeTorus(torus, kRing, kTube, true);
    const C3DPointList& p = *torus.GetPointList();
    const C3DFaceList& f = *torus.GetFaceList();
    Files out{(folder / "torus.obj").string(), (folder / "torus.stl").string(),
              (folder / "torus.ply").string()};
    std::ofstream(out.ply, std::ios::binary) << vex3d::bench::toPly(p, f);

    std::string stl(80, '\0');
    const auto count = static_cast<std::uint32_t>(f.GetSize());
    stl.append(reinterpret_cast<const char*>(&count), 4);
    for (int i = 0; i < f.GetSize(); ++i) {
      const float normal[3] = {0, 0, 0};
      stl.append(reinterpret_cast<const char*>(normal), 12);
      for (int k = 0; k < 3; ++k) {
        const C3DPoint& v = p[(*f.ElementAt(i))[k]];
        const float xyz[3] = {v.x, v.y, v.z};
        stl.append(reinterpret_cast<const char*>(xyz), 12);
      }
      stl.append(2, '\0');
    }
    std::ofstream(out.stl, std::ios::binary) << stl;

    // Texture coordinates from the torus parameters, normals from the
    // point's direction off the tube's centre line: one of each per point.
    std::FILE* obj = std::fopen(out.obj.c_str(), "wb");
    for (int i = 0; i < p.GetSize(); ++i) std::fprintf(obj, "v %g %g %g\n", p[i].x, p[i].y, p[i].z);
    for (int i = 0; i < p.GetSize(); ++i) {
      std::fprintf(obj, "vt %g %g\n", static_cast<double>(i / kTube) / kRing,
                   static_cast<double>(i % kTube) / kTube);
    }
    for (int i = 0; i < p.GetSize(); ++i) {
      const float r = std::hypot(p[i].x, p[i].y);
      const float cx = p[i].x / r, cy = p[i].y / r;
      std::fprintf(obj, "vn %g %g %g\n", p[i].x - cx, p[i].y - cy, p[i].z);
    }
    for (int i = 0; i < f.GetSize(); ++i) {
      const C3DFace& face = *f.ElementAt(i);
      std::fprintf(obj, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", face[0] + 1, face[0] + 1, face[0] + 1,
                   face[1] + 1, face[1] + 1, face[1] + 1, face[2] + 1, face[2] + 1, face[2] + 1);
    }
    std::fclose(obj);
    return out;
  }();
  return made;
}

template <class Read>
void native(benchmark::State& state, const std::string& path, Read&& read) {
  for (auto _ : state) {
    vex3d::MappedFile file;
    std::string error;
    if (!file.open(path, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    auto result = read(file.bytes());
    if (!result.scene) {
      state.SkipWithError(result.error.c_str());
      break;
    }
    benchmark::DoNotOptimize(result.scene.get());
  }
  state.SetItemsProcessed(state.iterations() * kTriangles);
}

void BM_NativeObj(benchmark::State& state) {
  native(state, files().obj,
         [](std::span<const unsigned char> bytes) { return vex3d::obj::readObj(bytes, nullptr); });
}
void BM_NativeStlBinary(benchmark::State& state) {
  native(state, files().stl,
         [](std::span<const unsigned char> b) { return vex3d::stl::readStl(b); });
}
void BM_NativePlyBinary(benchmark::State& state) {
  native(state, files().ply,
         [](std::span<const unsigned char> b) { return vex3d::ply::readPly(b); });
}
BENCHMARK(BM_NativeObj)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NativeStlBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_NativePlyBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef VEX3D_BENCH_WITH_PEER
void peer(benchmark::State& state, const std::string& path) {
  for (auto _ : state) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene == nullptr) {
      state.SkipWithError(importer.GetErrorString());
      break;
    }
    benchmark::DoNotOptimize(scene);
  }
  state.SetItemsProcessed(state.iterations() * kTriangles);
}
void BM_PeerObj(benchmark::State& state) { peer(state, files().obj); }
void BM_PeerStlBinary(benchmark::State& state) { peer(state, files().stl); }
void BM_PeerPlyBinary(benchmark::State& state) { peer(state, files().ply); }
BENCHMARK(BM_PeerObj)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PeerStlBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PeerPlyBinary)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

}  // namespace
