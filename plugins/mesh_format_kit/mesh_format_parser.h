#pragma once
// The parser of a single-mesh format whose reader takes the file's bytes
// and whose writer writes binary or, on request, text. `Format` gives:
//   static ReadResult read(std::span<const unsigned char>, ReadProgress*)   (scene, error,
//                                                        and optionally warnings)
//   static bool write(C3DScene&, const std::string&, bool text, std::string& error)
//   static constexpr std::uint32_t kForcedExport
//   static constexpr std::uint32_t kUpAxis          the up axis the format's data stands along
#include <cstdint>
#include <string>

#include "hostlib/files/mapped_file.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_api.h"
#include "io/parser.h"
#include "mesh_format_kit/read_progress.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace vex3d::native {

// Under this key, a non-zero value in the export parameters asks for text.
inline constexpr std::uint32_t kTextKey = VEX3D_FOURCC('T', 'E', 'X', 'T');

template <class Format>
class MeshFormatParser : public C3DParser {
 public:
  using C3DParser::C3DParser;

  IoShowDialog MustShowDialog() override { return IO_DIALOG_NO; }

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override {
    options.m_fileUpAxis = Format::kUpAxis;
    vex3d::MappedFile file;
    std::string error;
    if (!file.open(fileName, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return nullptr;
    }
    ReadProgress progress(file, readingTitle(fileName));
    auto result = Format::read(file.bytes(), &progress);
    if (!file.intact()) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, fileShrankText());
      return nullptr;
    }
    if constexpr (requires { result.warnings; }) {
      for (const std::string& warning : result.warnings) {
        options.AddLogInfo(CIoOptions::logWarning, warning);
      }
    }
    if (!result.scene) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, result.error);
      return nullptr;
    }
    return result.scene.release();
  }

  void SaveDefaultOptions(CSceneExportOptions& options) override {
    options.m_forcedFlags = Format::kForcedExport;
    options.m_swap = vex3d::swapFromZUp(Format::kUpAxis);
  }

  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions& options) override {
    std::string error;
    const bool text = options.GetData().GetUInt(kTextKey) != 0;
    if (scene == nullptr || !Format::write(*scene, fileName, text, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return 0;
    }
    return 1;
  }
};

}  // namespace vex3d::native
