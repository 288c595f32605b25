// The exchange library's side of the plug-in: every call into it lives here.
#include "assimp_io.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

#include "assimp_3ds.h"
#include "assimp_read.h"
#include "assimp_up_axis.h"
#include "assimp_write.h"
#include "confined_io_system.h"
#include "hostlib/core/progress.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_api.h"
#include "mesh_format_kit/read_progress.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

using vex3d::assimp::IoFailure;

// Reading keeps polygons as they are and checks data before trusting it.
// The library's vertex join is left out: the reader shares points and each
// channel's values by value itself, and the join of the library version we
// build on loses colours given without alpha, so corners that differ only in
// colour (a cube with one colour per face) came out with one colour per
// point. Meshes are split by primitive kind but none is removed: the scene
// keeps lines as curves and bare points as an object of points, and a file
// of nothing else is a drawing or a point cloud, not an empty file.
constexpr unsigned kImportSteps = aiProcess_ValidateDataStructure | aiProcess_SortByPType;

// The library's loading steps as the host's progress display. Most of its
// loaders ignore a refused update, so a stop is also honoured once loading
// returns.
class ReadProgressHandler : public Assimp::ProgressHandler {
 public:
  explicit ReadProgressHandler(std::string title) : m_scope(std::move(title)) {}
  bool Update(float percentage) override {
    if (!(percentage >= 0.0f)) return !m_scope.WasCancelled();
    return !m_scope.Cancelled(static_cast<std::int64_t>(percentage * 1000.0f), 1000);
  }
  bool Cancelled() const { return m_scope.WasCancelled(); }

 private:
  vex3d::ProgressScope m_scope;
};

void fail(IoFailure* failure, int code, std::string text = {}) {
  failure->code = code;
  failure->text = std::move(text);
}

}  // namespace

namespace vex3d::assimp {

C3DScene* readWithLibrary(const char* fileName, std::uint32_t fileClass,
                          CSceneImportOptions* options, IoFailure* failure, SceneUse use) {
  try {
    Assimp::Importer importer;
    // The importer owns and deletes its handler.
    auto* progress = new ReadProgressHandler(vex3d::native::readingTitle(fileName));
    importer.SetProgressHandler(progress);
    if (options->m_confined) importer.SetIOHandler(new ConfinedIoSystem(fileName, *options));
    const aiScene* source = importer.ReadFile(fileName, kImportSteps);
    if (progress->Cancelled()) {
      fail(failure, IO_ERROR_PARSER_EXCEPTION, vex3d::native::readingCancelledText());
      return nullptr;
    }
    if (source == nullptr) {
      fail(failure, IO_ERROR_PARSER_EXCEPTION, importer.GetErrorString());
      return nullptr;
    }
    // Ours to change: the library's own turn and wrapping come out before
    // the scene is built.
    std::unique_ptr<aiScene> scene(importer.GetOrphanedScene());
    options->m_fileUpAxis = vex3d::assimp::takeFileUpAxis(*scene, fileClass);
    if (fileClass == VEX3D_FOURCC('3', 'D', 'S', ' ')) vex3d::assimp::undo3dsWrapping(*scene);
    return vex3d::assimp::sceneFromAssimp(*scene, *options, use).release();
  } catch (const std::exception& e) {
    fail(failure, IO_ERROR_PARSER_EXCEPTION, e.what());
  }
  return nullptr;
}

int writeWithLibrary(const char* fileName, std::unique_ptr<C3DScene> scene, const char* exportId,
                     Assimp::IOSystem* io, IoFailure* failure) {
  // The exporter owns its IO system from here on, whatever happens next.
  Assimp::Exporter exporter;
  exporter.SetIOHandler(io);
  try {
    std::unique_ptr<aiScene> out = vex3d::assimp::sceneToAssimp(*scene);
    scene.reset();
    if (!out) {
      fail(failure, IO_ERROR_NOTHING_TO_SAVE);
      return 0;
    }
    if (std::strcmp(exportId, "3ds") == 0) vex3d::assimp::mark3dsWrapping(*out);
    if (exporter.Export(out.get(), exportId, fileName) != AI_SUCCESS) {
      fail(failure, IO_ERROR_PARSER_EXCEPTION, exporter.GetErrorString());
      return 0;
    }
    return 1;
  } catch (const std::exception& e) {
    fail(failure, IO_ERROR_PARSER_EXCEPTION, e.what());
  }
  return 0;
}

}  // namespace vex3d::assimp
