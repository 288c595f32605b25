// Wavefront OBJ files with their MTL material libraries. Export bakes
// transforms and flattens the hierarchy: every object becomes an "o"
// group of its own. Per-corner colours have no place in the format.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_api.h"
#include "io/parser.h"
#include "mesh_format_kit/file_bytes.h"
#include "mesh_format_kit/read_progress.h"
#include "obj_reader.h"
#include "obj_writer.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

constexpr std::uint32_t kForcedExport =
    EXPORT_WORLD_COORDINATES | EXPORT_REMOVE_GROUPS | EXPORT_REMOVE_VC;
// The file says nothing; the modellers that write it stand models along y.
constexpr std::uint32_t kUpAxis = UP_AXIS_Y;

class CObjParser : public C3DParser {
 public:
  using C3DParser::C3DParser;

  IoShowDialog MustShowDialog() override { return IO_DIALOG_NO; }

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override {
    options.m_fileUpAxis = kUpAxis;
    vex3d::native::FileBytes file;
    std::string error;
    if (!file.open(fileName, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return nullptr;
    }
    const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
    // Libraries are named relative to the OBJ file's folder.
    const vex3d::obj::MaterialLoader loader = [&folder](const std::string& name,
                                                        std::string& bytes) {
      vex3d::native::FileBytes library;
      std::string ignored;
      if (!library.open((folder / name).string(), ignored)) return false;
      const auto span = library.bytes();
      bytes.assign(reinterpret_cast<const char*>(span.data()), span.size());
      return true;
    };
    vex3d::native::ReadProgress progress(file.bytes(), vex3d::native::readingTitle(fileName));
    vex3d::obj::ReadResult result = vex3d::obj::readObj(file.bytes(), loader, &progress);
    for (const std::string& warning : result.warnings) {
      options.AddLogInfo(CIoOptions::logWarning, warning);
    }
    if (!result.scene) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, result.error);
      return nullptr;
    }
    return result.scene.release();
  }

  void SaveDefaultOptions(CSceneExportOptions& options) override {
    options.m_forcedFlags = kForcedExport;
    options.m_swap = vex3d::swapFromZUp(kUpAxis);
  }

  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions&) override {
    std::string error;
    if (scene == nullptr || !vex3d::obj::writeObj(*scene, fileName, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return 0;
    }
    return 1;
  }
};

const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('O', 'B', 'J', ' '), 0x4000, "obj", "Wavefront OBJ", "model/obj",
     VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
};

}  // namespace

VEX3D_DECLARE_PLUGIN("OBJ", "1.0", kClasses, vex3d::makePluginParser<CObjParser>)
