// The module's own scene file: everything the scene holds, kept exactly.
// Nothing is converted on the way in or out, so the format forces no
// export step and keeps hierarchy, patches, curves and every channel.
#include <memory>
#include <string>
#include <vector>

#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_api.h"
#include "io/parser.h"
#include "scene/scene.h"
#include "scene/scene_file.h"
#include "scene/scene_io_options.h"

namespace {

// Everything stays: hidden nodes and groups included.
constexpr std::uint32_t kForcedExport = EXPORT_KEEP_HIDDEN;

class CV3DParser : public C3DParser {
 public:
  using C3DParser::C3DParser;

  IoShowDialog MustShowDialog() override { return IO_DIALOG_NO; }

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override {
    options.m_fileUpAxis = UP_AXIS_Z;
    auto scene = std::make_unique<C3DScene>();
    std::string error;
    std::vector<std::string> warnings;
    if (!vex3d::loadSceneFile(fileName, *scene, error, warnings)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return nullptr;
    }
    for (const std::string& warning : warnings) options.AddLogInfo(CIoOptions::logWarning, warning);
    return scene.release();
  }

  void SaveDefaultOptions(CSceneExportOptions& options) override {
    options.m_forcedFlags = kForcedExport;
    options.m_swap = 0;
    options.m_embedsTextures = true;
  }

  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions&) override {
    std::string error;
    if (scene == nullptr || !vex3d::saveSceneFile(*scene, fileName, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return 0;
    }
    return 1;
  }
};

const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('V', '3', 'D', ' '), 0x4000, "v3d", "Vex3D scene", "model/x-vex3d",
     VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
};

}  // namespace

VEX3D_DECLARE_PLUGIN("Vex3D scene", "1.0", kClasses, vex3d::makePluginParser<CV3DParser>)
