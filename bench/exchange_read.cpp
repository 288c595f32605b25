// exchange_read MODE FILE: reads FILE with the general-format library and
// prints its point and face counts, for bench/exchange_worker.sh. MODE
// "worker" reads through the plug-in, the library running in its worker
// process; "in-process" runs the very reading code the worker runs, and the
// IO's check-out after it, in this process, as the plug-in did before the
// worker. Both load the plug-ins first, so both pay the same start-up.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "assimp_io.h"
#include "glb_check.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_loader.h"
#include "io/io.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

std::unique_ptr<C3DScene> readInProcess(const std::string& file, std::string& error) {
  error = vex3d::assimp::glbLengthError(file);
  if (!error.empty()) return nullptr;
  const C3DIo io(CFileNameSpec(file, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  CSceneImportOptions options;
  vex3d::assimp::IoFailure failure;
  std::unique_ptr<C3DScene> scene(
      vex3d::assimp::readWithLibrary(file.c_str(), io.GetFileClass(), &options, &failure));
  if (!scene) {
    error = failure.text;
    return nullptr;
  }
  scene->CheckoutImport(options, vex3d::swapToZUp(options.GetUpAxis()));
  return scene;
}

std::unique_ptr<C3DScene> readThroughWorker(const std::string& file, std::string& error) {
  C3DIo io(CFileNameSpec(file, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  std::unique_ptr<C3DScene> scene = io.Read(0, nullptr);
  if (!scene) error = io.GetIoErrorText();
  return scene;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 ||
      (std::strcmp(argv[1], "worker") != 0 && std::strcmp(argv[1], "in-process") != 0)) {
    std::fprintf(stderr, "usage: exchange_read worker|in-process FILE\n");
    return 2;
  }
  RegisterIOPlugins(0x4000);
  std::string error;
  const std::unique_ptr<C3DScene> scene = std::strcmp(argv[1], "worker") == 0
                                              ? readThroughWorker(argv[2], error)
                                              : readInProcess(argv[2], error);
  if (!scene) {
    std::fprintf(stderr, "exchange_read: %s: %s\n", argv[2], error.c_str());
    return 1;
  }
  std::printf("%d points, %d faces\n", scene->GetPointNbr(), scene->GetFaceNbr());
  FreeIOPlugins(0x4000);
  return 0;
}
