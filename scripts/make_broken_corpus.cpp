// Writes a corpus of damaged 3D files: for each format a hand-made valid
// seed, then that seed cut short, with bytes flipped, with absurd counts and
// indices, NaN coordinates, other encodings and line ends, plus empty files,
// random bytes, folders named like 3D files and files whose extension lies.
// Every reader must answer each file with a scene or a clean error. The
// bytes are the same on every run, so a failure names a file that can be
// made again.
//
//   make_broken_corpus OUTPUT_FOLDER [NAME_PREFIX...]
//
// With prefixes, only the files whose names start with one of them are
// written (the random source advances the same way, so each file's bytes
// do not depend on the selection).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "broken_corpus_assimp.h"
#include "broken_corpus_gltf.h"
#include "broken_corpus_native.h"
#include "broken_corpus_ply.h"
#include "broken_corpus_writer.h"

#ifndef VEX3D_SAMPLES_DIR
#define VEX3D_SAMPLES_DIR "data/samples"
#endif

namespace {

using namespace vex3d::corpus;

// Files that defeat the dispatch rather than one reader: the wrong
// extension, folders, nothing at all.
void miscFiles(Corpus& c, const fs::path& samples) {
  for (const char* ext : {"obj", "ply", "v3d", "glb", "fbx"})
    c.directory(std::string("misc-directory.") + ext);
  c.file("misc-no-extension", kObjCube);
  c.file("misc-unknown-extension.xyz", kObjCube);
  c.file("misc-trailing-dot.", kObjCube);
  c.file("misc-only-dot-ext..obj", kObjCube);
  c.file("misc-upper-case-extension.OBJ", kObjCube);
  c.file("misc-obj-named.stl", kObjCube);
  c.file("misc-obj-named.ply", kObjCube);
  c.file("misc-stl-bin-named.obj", stlBinary(12, 12));
  c.file("misc-stl-bin-named.ply", stlBinary(12, 12));
  c.file("misc-ply-binle-named.stl", plyFile(PlyEncoding::binLe));
  c.file("misc-ply-binle-named.obj", plyFile(PlyEncoding::binLe));
  c.file("misc-gltf-named.dae", gltfJson(dataUri(triangleBuffer())));
  c.file("misc-gltf-named.v3d", gltfJson(dataUri(triangleBuffer())));
  c.file("misc-dae-named.gltf", daeFile(kDaeNode));
  c.file("misc-3ds-named.fbx", threeDsFile());
  c.file("misc-off-named.3ds", kOff);
  c.file("misc-fbx-named.dae", fbxText("*9 {\n a: 0,0,0,1,0,0,0,1,0\n}", "*3 {\n a: 0,1,-3\n}"));
  const Bytes v3d = readWhole(samples / "textured_cube.v3d");
  c.file("misc-v3d-named.obj", v3d);
  c.file("misc-v3d-named.gltf", v3d);
  c.file("misc-png-named.obj", readWhole(samples / "textures" / "checker.png"));
  c.file("misc-png-named.v3d", readWhole(samples / "textures" / "checker.png"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_broken_corpus OUTPUT_FOLDER [NAME_PREFIX...]\n");
    return 2;
  }
  const fs::path dir = argv[1];
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) {
    std::fprintf(stderr, "make_broken_corpus: cannot create %s\n", argv[1]);
    return 1;
  }
  const fs::path samples = VEX3D_SAMPLES_DIR;
  Corpus corpus(dir, std::vector<std::string>(argv + 2, argv + argc));
  objFiles(corpus);
  stlFiles(corpus);
  plyFiles(corpus);
  v3dFiles(corpus, samples);
  gltfFiles(corpus);
  daeFiles(corpus);
  threeDsFiles(corpus);
  offFiles(corpus);
  fbxFiles(corpus);
  otherFiles(corpus);
  miscFiles(corpus, samples);
  std::printf("%d files written to %s\n", corpus.written(), argv[1]);
  return corpus.failed() ? 1 : 0;
}
