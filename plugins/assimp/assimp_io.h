#pragma once
// Between the exchange-format plug-in and the module that holds the exchange
// library. Linking that library costs every process that merely lists the
// formats, so the plug-in loads the module on the first read or write only.
// Both sides are built together against the same module library, so scenes
// and options cross as they are.
#include <cstdint>
#include <string>

class C3DScene;
class CSceneImportOptions;

namespace vex3d::assimp {

// Why a read or write failed, as the IO reports it.
struct IoFailure {
  int code = 0;
  std::string text;
};

// Where the module lies, relative to the plug-in's folder: a sub-folder the
// plug-in loader does not search.
inline constexpr const char* kIoModulePath = "assimp/vex3d_assimp_io.so";

inline constexpr const char* kReadSymbol = "vex3d_assimp_read";
inline constexpr const char* kWriteSymbol = "vex3d_assimp_write";

}  // namespace vex3d::assimp

extern "C" {
// The scene read as the file holds it, the up axis of its data in
// `options`, for the IO's check-out; null with `failure` set. `fileClass`
// says which format the plug-in was asked for: the up axis of some formats
// is a convention the data cannot tell.
using VexAssimpReadFn = C3DScene* (*)(const char* fileName, std::uint32_t fileClass,
                                      CSceneImportOptions* options,
                                      vex3d::assimp::IoFailure* failure);
// 1 when `scene` was written in the library's `exportId` format; 0 with
// `failure` set.
using VexAssimpWriteFn = int (*)(const char* fileName, const C3DScene* scene, const char* exportId,
                                 vex3d::assimp::IoFailure* failure);
}
