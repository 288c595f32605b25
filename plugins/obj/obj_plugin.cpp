// Wavefront OBJ files with their MTL material libraries. Export bakes
// transforms and flattens the hierarchy: every object becomes an "o"
// group of its own. Per-corner colours have no place in the format.
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "hostlib/files/file_utils.h"
#include "hostlib/files/mapped_file.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_api.h"
#include "hostlib/text/strings.h"
#include "io/parser.h"
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
    vex3d::MappedFile file;
    std::string error;
    if (!file.open(fileName, error)) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, error);
      return nullptr;
    }
    const std::filesystem::path folder = std::filesystem::path(fileName).parent_path();
    bool librariesIntact = true;
    // The reader may ask for a name twice (the whole line, then its words).
    std::set<std::string> warned;
    const auto warn = [&](const std::string& text) {
      if (warned.insert(text).second) options.AddLogInfo(CIoOptions::logWarning, text);
    };
    // Libraries are named relative to the OBJ file's folder. A file nobody
    // chose to open may not read files outside its folder tree through them.
    const vex3d::obj::MaterialLoader loader = [&](const std::string& name, std::string& bytes) {
      const std::string path = (folder / name).string();
      if (options.m_confined && !vex3d::fileIsInside(path, folder.string())) {
        warn(FormatString(vex3d::kStrObjLibraryOutside, name.c_str()));
        return false;
      }
      vex3d::MappedFile library;
      std::string why;
      if (!library.open(path, why)) {
        // A missing library is the reader's to report; anything else that
        // stands in the way (a FIFO, a folder) is said here.
        if (why.find(LoadStringW(vex3d::kStrDoesNotExist)) == std::string::npos) {
          warn(FormatString(vex3d::kStrObjLibraryUnreadable, why.c_str()));
        }
        return false;
      }
      const auto span = library.bytes();
      bytes.assign(reinterpret_cast<const char*>(span.data()), span.size());
      librariesIntact = librariesIntact && library.intact();
      return true;
    };
    vex3d::native::ReadProgress progress(file, vex3d::native::readingTitle(fileName));
    vex3d::obj::ReadResult result = vex3d::obj::readObj(file.bytes(), loader, &progress);
    for (const std::string& warning : result.warnings) {
      options.AddLogInfo(CIoOptions::logWarning, warning);
    }
    if (!file.intact() || !librariesIntact) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, vex3d::native::fileShrankText());
      return nullptr;
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
