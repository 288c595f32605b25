#pragma once
// Every call into the exchange library: what the exchange worker runs
// (worker/worker_main.cpp), and the benchmarks beside it. The plug-in itself
// never links the library.
#include <cstdint>
#include <memory>
#include <string>

#include "assimp_read.h"

class C3DScene;
class CSceneImportOptions;

namespace Assimp {
class IOSystem;
}

namespace vex3d::assimp {

// Why a read or write failed, as the IO reports it.
struct IoFailure {
  int code = 0;
  std::string text;
};

// The scene read as the file holds it, the up axis of its data in
// `options`, for the IO's check-out; null with `failure` set. `fileClass`
// says which format the plug-in was asked for: the up axis of some formats
// is a convention the data cannot tell. A confined read (see
// CSceneImportOptions::m_confined) opens nothing outside the file's folder
// and logs a warning in `options` for each file it refused. `use` says
// whether the scene only goes into an archive (see SceneUse).
C3DScene* readWithLibrary(const char* fileName, std::uint32_t fileClass,
                          CSceneImportOptions* options, IoFailure* failure,
                          SceneUse use = SceneUse::use);

// 1 when `scene` was written in the library's `exportId` format as
// `fileName` through `io` (the library takes it over); 0 with `failure`
// set. `scene` is freed once the library's own scene is made from it, so
// that the library writes in the memory it held.
int writeWithLibrary(const char* fileName, std::unique_ptr<C3DScene> scene, const char* exportId,
                     Assimp::IOSystem* io, IoFailure* failure);

}  // namespace vex3d::assimp
