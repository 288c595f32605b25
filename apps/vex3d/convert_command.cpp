// `vex3d convert IN OUT [options]`: read with check-out, write through
// export preparation, and show what the conversion changed.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli_files.h"
#include "commands.h"
#include "hostlib/files/file_utils.h"
#include "io/io.h"
#include "option_parser.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "terminal_progress.h"

namespace vex3d::cli {

namespace {

// Options and the export flags they add, in the order the help lists them.
struct ExportOption {
  const char* name;
  std::uint32_t flag;
  const char* help;
};
constexpr ExportOption kExportOptions[] = {
    {"triangulate", EXPORT_TRIANGULATE, "split every face into triangles"},
    {"triangulate-polygons", EXPORT_TRIANGULATE_POLYGONS,
     "split faces of more than four corners into triangles"},
    {"global-coordinates", EXPORT_WORLD_COORDINATES,
     "bake the node transforms into the points, dropping the animation"},
    {"keep-hidden", EXPORT_KEEP_HIDDEN, "write hidden objects too"},
    {"no-uv", EXPORT_REMOVE_UVW, "leave out texture coordinates"},
    {"no-colors", EXPORT_REMOVE_VC, "leave out vertex colours"},
    {"no-normals", EXPORT_REMOVE_SPEC_NORMALS, "leave out the file's own normals"},
    {"generate-uv", EXPORT_GENERATE_UVW, "compute texture coordinates of projected maps"},
    {"disconnect-seams", EXPORT_DISCONNECT_SEAMS,
     "split points that carry several texture coordinates"},
    {"patches-subdivided", EXPORT_PATCHES_TO_MESHES, "write patches as their subdivided mesh"},
    {"patches-control", EXPORT_PATCHES_TO_SOURCE, "write patches as their control mesh"},
    {"flatten", EXPORT_REMOVE_GROUPS, "drop the groups, keeping their objects"},
    {"single-object", EXPORT_CONCATENATE, "join every object into one"},
};

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

int runConvert(const std::vector<std::string>& args) {
  std::uint32_t flags = 0;
  bool weld = false;
  bool quiet = false;
  bool force = false;
  std::uint32_t up = UP_AXIS_UNKNOWN;
  OptionParser parser("convert", "IN OUT", 2, 2);
  for (const ExportOption& option : kExportOptions) {
    parser.flag(option.name, 0, option.help, [&flags, &option] { flags |= option.flag; });
  }
  parser.flag("weld", 0, "merge points that lie at the same place", weld)
      .value("up", 0, "AXIS", kUpAxisHelp,
             [&up](const std::string& v) { return parseUpAxis(v, up) ? "" : "wants x, y or z"; })
      .flag("force", 0, "allow writing over the file being read", force)
      .flag("quiet", 'q', "no progress and no conversion report", quiet);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  const std::vector<std::string>& files = parser.operands();

  // The output replaces its file only once written, so writing over the
  // input is safe; it is still rarely meant, and what the conversion drops
  // would be gone from the only copy.
  std::error_code same;
  if (!force && std::filesystem::equivalent(files[0], files[1], same)) {
    std::fprintf(stderr, "vex3d: %s is the file being read (--force writes over it)\n",
                 files[1].c_str());
    return 2;
  }
  // Reading a large file only to find the output cannot be written would
  // waste the user's time.
  std::string why;
  if (!fileCanBeWritten(files[1], why)) {
    std::fprintf(stderr, "vex3d: %s\n", why.c_str());
    return 1;
  }

  TerminalProgress progress(!quiet);
  CSceneImportOptions importOptions;
  if (weld) importOptions.m_flags |= IMPORT_WELD_POINTS;
  importOptions.m_upAxis = up;
  std::string error;
  std::unique_ptr<C3DScene> scene =
      readScene(files[0], &importOptions, error, quiet ? nullptr : stderr);
  if (!scene) {
    std::fprintf(stderr, "vex3d: %s: %s\n", files[0].c_str(), error.c_str());
    return 1;
  }
  // The writers would refuse the empty scene too, but in terms of the output
  // file; the input is what holds nothing.
  if (scene->GetPointNbr() == 0) {
    std::fprintf(stderr, "vex3d: no geometry in %s\n", files[0].c_str());
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
  // Prepared in place, the scene is what was written. Preparing drops what
  // the format has no place for, points that no face uses among them: a
  // point cloud written as an empty file is no conversion.
  if (scene->GetPointNbr() == 0) {
    std::remove(files[1].c_str());
    std::fprintf(stderr, "vex3d: %s: nothing of the geometry of %s was left to write\n",
                 files[1].c_str(), files[0].c_str());
    return 1;
  }
  if (!quiet) {
    std::printf("wrote %s\n", files[1].c_str());
  }
  return 0;
}

}  // namespace vex3d::cli
