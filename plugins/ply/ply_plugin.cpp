// PLY files, text and binary. One mesh in world space with per-vertex
// normals, colours and texture coordinates: export bakes transforms and
// makes one object; polygons and channels stay.
#include <memory>
#include <string>

#include "../native_io/file_bytes.h"
#include "hostlib/file_io_frame.h"
#include "hostlib/plugin_api.h"
#include "io/parser.h"
#include "ply_reader.h"
#include "ply_writer.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

constexpr std::uint32_t kForcedExport = EXPORT_WORLD_COORDINATES | EXPORT_CONCATENATE;
// Under this key, a non-zero value in the export parameters asks for text.
constexpr std::uint32_t kTextKey = VEX3D_FOURCC('T', 'E', 'X', 'T');

class CPlyParser : public C3DParser {
 public:
  using C3DParser::C3DParser;

  IoShowDialog MustShowDialog() override { return IO_DIALOG_NO; }

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override {
    vex3d::native::FileBytes file;
    std::string error;
    if (!file.open(fileName, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return nullptr;
    }
    vex3d::ply::ReadResult result = vex3d::ply::readPly(file.bytes());
    if (!result.scene) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, result.error);
      return nullptr;
    }
    result.scene->CheckoutImport(options, 0);
    return result.scene.release();
  }

  void SaveDefaultOptions(CSceneExportOptions& options) override {
    options.m_forcedFlags = kForcedExport;
  }

  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions& options) override {
    std::string error;
    const bool text = options.GetData().GetUInt(kTextKey) != 0;
    if (scene == nullptr || !vex3d::ply::writePly(*scene, fileName, text, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return 0;
    }
    return 1;
  }
};

const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('P', 'L', 'Y', ' '), 0x4000, "ply", "Polygon file", "model/x-ply",
     VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
};

}  // namespace

VEX3D_DECLARE_PLUGIN("PLY", "1.0", kClasses, vex3d::makePluginParser<CPlyParser>)
