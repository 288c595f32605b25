// STL files, binary and text. The format holds bare triangles in world
// space, so export is forced to triangulate, bake transforms, drop every
// channel and make one object.
#include <memory>
#include <string>

#include "../native_io/file_bytes.h"
#include "hostlib/file_io_frame.h"
#include "hostlib/plugin_api.h"
#include "io/parser.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "stl_reader.h"
#include "stl_writer.h"

namespace {

constexpr std::uint32_t kForcedExport = EXPORT_TRIANGULATE | EXPORT_WORLD_COORDINATES |
                                        EXPORT_REMOVE_UVW | EXPORT_REMOVE_VC |
                                        EXPORT_REMOVE_SPEC_NORMALS | EXPORT_CONCATENATE;
// Under this key, a non-zero value in the export parameters asks for text.
constexpr std::uint32_t kTextKey = VEX3D_FOURCC('T', 'E', 'X', 'T');

class CStlParser : public C3DParser {
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
    vex3d::stl::ReadResult result = vex3d::stl::readStl(file.bytes());
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
    if (scene == nullptr || !vex3d::stl::writeStl(*scene, fileName, text, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return 0;
    }
    return 1;
  }
};

const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('S', 'T', 'L', ' '), 0x4000, "stl", "Stereolithography", "model/stl",
     VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
};

}  // namespace

VEX3D_DECLARE_PLUGIN("STL", "1.0", kClasses, vex3d::makePluginParser<CStlParser>)
