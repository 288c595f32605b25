// `vex3d convert IN OUT [options]`: read with check-out, write through
// export preparation, and show what the conversion changed.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli_files.h"
#include "commands.h"
#include "io/io.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "terminal_progress.h"

namespace vex3d::cli {

namespace {

// Options and the export flags they add.
const std::map<std::string, std::uint32_t>& exportOptions() {
  static const std::map<std::string, std::uint32_t> options = {
      {"--triangulate", EXPORT_TRIANGULATE},
      {"--triangulate-polygons", EXPORT_TRIANGULATE_POLYGONS},
      {"--global-coordinates", EXPORT_WORLD_COORDINATES},
      {"--keep-hidden", EXPORT_KEEP_HIDDEN},
      {"--no-uv", EXPORT_REMOVE_UVW},
      {"--no-colors", EXPORT_REMOVE_VC},
      {"--no-normals", EXPORT_REMOVE_SPEC_NORMALS},
      {"--generate-uv", EXPORT_GENERATE_UVW},
      {"--disconnect-seams", EXPORT_DISCONNECT_SEAMS},
      {"--patches-subdivided", EXPORT_PATCHES_TO_MESHES},
      {"--patches-control", EXPORT_PATCHES_TO_SOURCE},
      {"--flatten", EXPORT_REMOVE_GROUPS},
      {"--single-object", EXPORT_CONCATENATE},
  };
  return options;
}

const char* levelName(int level) {
  switch (level) {
    case CIoOptions::logChange:
      return "change";
    case CIoOptions::logWarning:
      return "warning";
    case CIoOptions::logError:
      return "error";
    default:
      return "info";
  }
}

}  // namespace

void printConvertOptions(std::FILE* out) {
  for (const auto& [name, flag] : exportOptions()) std::fprintf(out, " [%s]", name.c_str());
  std::fprintf(out, " [--weld] [--quiet]");
}

int runConvert(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  std::uint32_t flags = 0;
  bool weld = false;
  bool quiet = false;
  for (const std::string& a : args) {
    const auto option = exportOptions().find(a);
    if (option != exportOptions().end()) {
      flags |= option->second;
    } else if (a == "--weld") {
      weld = true;
    } else if (a == "--quiet" || a == "-q") {
      quiet = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "vex3d convert: unknown option %s\n", a.c_str());
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) {
    std::fprintf(stderr, "usage: vex3d convert IN OUT [options]\n");
    return 2;
  }

  TerminalProgress progress(!quiet);
  CSceneImportOptions importOptions;
  if (weld) importOptions.m_flags |= IMPORT_WELD_POINTS;
  std::string error;
  std::unique_ptr<C3DScene> scene = readScene(files[0], &importOptions, error);
  if (!scene) {
    std::fprintf(stderr, "vex3d: %s: %s\n", files[0].c_str(), error.c_str());
    return 1;
  }
  C3DIo io(CFileNameSpec(files[1], 0), IO_FLAG_SILENT);
  if (!io.PrepareSaving()) {
    std::fprintf(stderr, "vex3d: %s: %s\n", files[1].c_str(), io.GetIoErrorText().c_str());
    return 1;
  }
  // A conversion depends on its command line alone, not on what the viewer
  // remembered for the format: the IO then adds the format's own defaults.
  io.GetParameters().RemoveAll();
  CSceneExportOptions exportOptions;
  // The scene read here is this command's own and goes once written:
  // preparing it in place saves a full copy of it.
  exportOptions.m_flags = flags | EXPORT_IN_PLACE;
  const int saved = io.Save(0, scene.get(), &exportOptions);
  if (!quiet) {
    for (const CIoOptions::LogEntry& e : exportOptions.GetLog()) {
      std::fprintf(stderr, "%s: %s\n", levelName(e.level), e.text.c_str());
    }
  }
  if (!saved) {
    std::fprintf(stderr, "vex3d: %s: %s\n", files[1].c_str(), io.GetIoErrorText().c_str());
    return 1;
  }
  if (!quiet) {
    std::printf("wrote %s\n", files[1].c_str());
  }
  return 0;
}

}  // namespace vex3d::cli
