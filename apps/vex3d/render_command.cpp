// `vex3d render` and `vex3d thumbnail`: a scene drawn off screen, no
// display needed. Built as a module of its own that the command loads when
// one of them runs; its two entry points are the only names it exports.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli_files.h"
#include "commands.h"
#include "hostlib/commands/command_mgr.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "io/scripting.h"
#include "option_parser.h"
#include "process_limits.h"
#include "render/navigation.h"
#include "render/render_to_bitmap.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "shared/gl_view_settings.h"
#include "terminal_progress.h"
#include "viewer/save_as_bitmap.h"

namespace vex3d::cli {

namespace {

constexpr std::uint32_t kApplyMode = 0x8;
// Left free on each side of a thumbnail, as a fraction of its side.
constexpr float kThumbnailMargin = 0.05f;
constexpr std::uint32_t kDisplayOptions =
    VIEW_TEXTURES | VIEW_VERTEX_COLORS | VIEW_SPECIFIED_NORMALS | VIEW_CULL_BACK;

// Indices of the image command's lists.
const std::map<std::string, std::uint32_t> kModeIndex = {
    {"wireframe", 0}, {"flat", 1}, {"flat-wireframe", 2}, {"smooth", 3}, {"smooth-wireframe", 4},
};
const std::map<std::string, std::uint32_t> kViewIndex = {
    {"front", 0}, {"back", 1}, {"left", 2}, {"right", 3}, {"top", 4}, {"bottom", 5},
};
const std::map<std::string, std::uint32_t> kDirectionIndex = {
    {"right", turnRight},
    {"left", turnLeft},
    {"up", turnUp},
    {"down", turnDown},
};

bool parseSize(const std::string& text, int& width, int& height) {
  char* end = nullptr;
  width = static_cast<int>(std::strtol(text.c_str(), &end, 10));
  if (end == nullptr || (*end != 'x' && *end != 'X')) return false;
  height = static_cast<int>(std::strtol(end + 1, &end, 10));
  return *end == '\0' && width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

bool parseColor(const std::string& text, CRGBColor& color) {
  const std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
  if (hex.size() != 6) return false;
  char* end = nullptr;
  const unsigned long v = std::strtoul(hex.c_str(), &end, 16);
  if (*end != '\0') return false;
  color = CRGBColor(static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                    static_cast<std::uint8_t>(v));
  return true;
}

// Off-screen views mark the empty background with alpha 255; image files
// want it transparent and the drawing opaque.
void toStraightAlpha(Bitmap& image) {
  if (image.GetBytesPerPixel() != 4) return;
  for (int y = 0; y < image.GetHeight(); ++y) {
    std::uint8_t* p = image.GetLine(y);
    for (int x = 0; x < image.GetWidth(); ++x) p[4 * x + 3] = 255 - p[4 * x + 3];
  }
}

bool writeRendering(std::unique_ptr<Bitmap> image, const std::string& out, bool transparent) {
  if (transparent) {
    toStraightAlpha(*image);
  } else {
    for (int y = 0; y < image->GetHeight(); ++y) {
      std::uint8_t* p = image->GetLine(y);
      for (int x = 0; x < image->GetWidth(); ++x) p[4 * x + 3] = 255;
    }
  }
  std::string error;
  if (!writeImage(std::move(image), out, error)) {
    std::fprintf(stderr, "vex3d: %s: %s\n", out.c_str(), error.c_str());
    return false;
  }
  return true;
}

}  // namespace

// The name a map gives, or an error text listing the names it knows.
std::string pick(const std::map<std::string, std::uint32_t>& names, const std::string& text,
                 std::uint32_t& out) {
  const auto found = names.find(text);
  if (found != names.end()) {
    out = found->second;
    return {};
  }
  std::string known;
  for (const auto& [name, index] : names) known += (known.empty() ? "" : ", ") + name;
  return "wants one of " + known;
}

std::string upAxisValue(const std::string& text, std::uint32_t& axis) {
  return parseUpAxis(text, axis) ? "" : "wants x, y or z";
}

// Mesa keeps compiled shaders under the user's cache folder: the one file a
// drawing command would write besides its images.
void writeNoShaderCache() {
  ::setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
  ::setenv("MESA_GLSL_CACHE_DISABLE", "true", 0);
}

static int render(const std::vector<std::string>& args) {
  std::string out;
  CCustomData params;
  params.SetUInt(kSaveBitmapWidth, 512);
  params.SetUInt(kSaveBitmapHeight, 512);
  params.SetUInt(kSaveBitmapRenderMode, kModeIndex.at("smooth"));
  params.SetUInt(kSaveBitmapViewPos, kViewIndex.at("front"));
  params.SetBool(kSaveBitmapAntialias, false);
  params.SetUInt(kSaveBitmapBackground, 0x000000);
  params.SetUInt(kSaveBitmapExtraViewFlags, kDisplayOptions);
  bool transparent = false;
  bool quiet = false;
  std::uint32_t up = UP_AXIS_UNKNOWN;
  auto setUInt = [&params](std::uint32_t key, const std::map<std::string, std::uint32_t>& names) {
    return [&params, key, &names](const std::string& v) {
      std::uint32_t index = 0;
      std::string wrong = pick(names, v, index);
      if (wrong.empty()) params.SetUInt(key, index);
      return wrong;
    };
  };
  OptionParser parser("render", "IN -o OUT", 1, 1);
  parser
      .value("output", 'o', "OUT", "the image to write (PNG, JPEG, BMP or TGA by its extension)",
             [&out](const std::string& v) {
               out = v;
               return std::string();
             })
      .value("size", 0, "WxH", "the image size in pixels (512x512)",
             [&params](const std::string& v) {
               int width = 0;
               int height = 0;
               if (!parseSize(v, width, height)) return std::string("wants WIDTHxHEIGHT");
               params.SetUInt(kSaveBitmapWidth, static_cast<std::uint32_t>(width));
               params.SetUInt(kSaveBitmapHeight, static_cast<std::uint32_t>(height));
               return std::string();
             })
      .value("mode", 0, "MODE",
             "wireframe, flat, flat-wireframe, smooth (the default) or smooth-wireframe",
             setUInt(kSaveBitmapRenderMode, kModeIndex))
      .value("view", 0, "VIEW", "front (the default), back, left, right, top or bottom",
             setUInt(kSaveBitmapViewPos, kViewIndex))
      .value("background", 0, "RRGGBB", "the background colour (000000)",
             [&params](const std::string& v) {
               CRGBColor color;
               if (!parseColor(v, color)) return std::string("wants RRGGBB");
               params.SetUInt(kSaveBitmapBackground, color.GetRGB());
               return std::string();
             })
      .flag("transparent", 0, "a transparent background", transparent)
      .flag("antialias", 0, "smooth edges (drawn at twice the size, then halved)",
            [&params] { params.SetBool(kSaveBitmapAntialias, true); })
      .value("turntable", 0, "N",
             "N images turning the scene, written as OUT with _0001, _0002... before the "
             "extension",
             [&params](const std::string& v) {
               const int count = std::atoi(v.c_str());
               if (count < 1 || count > 3600) return std::string("wants 1 to 3600 images");
               params.SetBool(kSaveBitmapAnimate, true);
               params.SetUInt(kSaveBitmapImages, static_cast<std::uint32_t>(count));
               return std::string();
             })
      .value("amplitude", 0, "DEG", "how far the turntable turns in all (360)",
             [&params](const std::string& v) {
               const int degrees = std::atoi(v.c_str());
               if (degrees < 0 || degrees > 3600) return std::string("wants 0 to 3600 degrees");
               params.SetUInt(kSaveBitmapAmplitude, static_cast<std::uint32_t>(degrees));
               return std::string();
             })
      .value("direction", 0, "DIR", "where the turntable turns: right, left, up or down",
             setUInt(kSaveBitmapMovement, kDirectionIndex))
      .value("up", 0, "AXIS", kUpAxisHelp,
             [&up](const std::string& v) { return upAxisValue(v, up); })
      .flag("no-cache", 0, "write nothing but the images (no shader cache)", writeNoShaderCache)
      .flag("quiet", 'q', "no progress", quiet);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  const std::string& in = parser.operands()[0];
  if (out.empty()) {
    std::fprintf(stderr, "vex3d render: missing -o OUT\n");
    parser.printUsage(stderr);
    return 2;
  }
  TerminalProgress progress(!quiet);
  std::string error;
  CSceneImportOptions importOptions;
  importOptions.m_upAxis = up;
  std::unique_ptr<C3DScene> scene = readScene(in, &importOptions, error);
  if (!scene) {
    std::fprintf(stderr, "vex3d: %s: %s\n", in.c_str(), error.c_str());
    return 1;
  }

  // One image per call, as a script renders a series.
  CCommandMgr manager;
  manager.AddCommand(std::make_unique<C3DSaveAsBitmap>());
  const unsigned code = vex3d::fourcc("SAVB");
  const std::uint32_t count =
      params.GetBool(kSaveBitmapAnimate) ? params.GetUInt(kSaveBitmapImages) : 1;
  ProcessProgressInfo info;
  info.title = "rendering";
  info.maximum = static_cast<int>(count);
  if (count > 1 && !quiet) progressCallCallback(kProgressOpen, &info);
  int status = 0;
  for (std::uint32_t index = 0; index < count && status == 0; ++index) {
    if (progress.WasCancelled()) {
      status = 1;
      break;
    }
    params.SetUInt(kSaveBitmapImageIndex, index);
    if (Apply3DCommand(&manager, code, scene.get(), params) == nullptr) {
      std::fprintf(stderr, "vex3d: cannot render %s\n", in.c_str());
      status = 1;
      break;
    }
    CVexCommand* command = manager.GetCommandById(code);
    std::unique_ptr<CLayerBitmap> frame(
        static_cast<CLayerBitmap*>(command->GetOutputData().GetPtr(kSaveBitmapImage)));
    std::unique_ptr<Bitmap> image(frame ? frame->DetachLayer(0) : nullptr);
    if (!image) {
      status = 1;
      break;
    }
    const std::string file =
        count > 1 ? C2DIo::GetSeriesFileName(out, static_cast<int>(index)) : out;
    if (!writeRendering(std::move(image), file, transparent)) status = 1;
    info.position = static_cast<int>(index + 1);
    if (count > 1 && !quiet) progressCallCallback(kProgressSetPosition, &info);
  }
  if (count > 1 && !quiet) progressCallCallback(kProgressClose, nullptr);
  return status;
}

static int thumbnail(const std::vector<std::string>& args) {
  // File managers run thumbnailers where nothing but the output may be
  // written.
  writeNoShaderCache();
  int size = 256;
  double maxMiB = 0.0;
  std::uint32_t up = UP_AXIS_UNKNOWN;
  double memoryMiB = static_cast<double>(defaultThumbnailMemory() >> 20);
  int seconds = kDefaultThumbnailSeconds;
  auto sizeValue = [&size](const std::string& v) -> std::string {
    size = std::atoi(v.c_str());
    return size > 0 && size <= 4096 ? "" : "wants 1 to 4096 pixels";
  };
  // Thumbnailers are called as "IN OUT SIZE" too.
  OptionParser parser("thumbnail", "IN OUT [SIZE]", 2, 3);
  parser.value("size", 's', "N", "the side of the square image in pixels (256)", sizeValue)
      .value("max-size", 0, "MiB", "no thumbnail of files larger than this",
             [&maxMiB](const std::string& v) {
               maxMiB = std::atof(v.c_str());
               return maxMiB > 0.0 ? "" : "wants a size in MiB";
             })
      .value("memory-limit", 0, "MiB",
             "the memory the thumbnail may use (default: a quarter of the machine's, from 1024 "
             "to 4096; 0 for no limit)",
             [&memoryMiB](const std::string& v) {
               memoryMiB = std::atof(v.c_str());
               return memoryMiB >= 0.0 ? "" : "wants a size in MiB";
             })
      .value("time-limit", 0, "SECONDS", "give up after this long (default 20; 0 for no limit)",
             [&seconds](const std::string& v) {
               seconds = std::atoi(v.c_str());
               return seconds >= 0 && seconds <= 86400 ? "" : "wants 0 to 86400 seconds";
             })
      .value("up", 0, "AXIS", kUpAxisHelp,
             [&up](const std::string& v) { return upAxisValue(v, up); });
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  // The file manager hands over whatever lies in a folder: a file that
  // would read forever or without end gives up here, leaving no image.
  const auto memoryBytes = static_cast<std::uint64_t>(memoryMiB * 1024.0 * 1024.0);
  limitProcess(memoryBytes, static_cast<unsigned>(seconds));
  // A texture is decoded, converted and copied a few times over before it
  // is scaled down: one of 16384 x 16384 would take the whole budget.
  if (memoryBytes > 0) vex3d::setImagePixelLimit(memoryBytes / 64);
  const std::vector<std::string>& files = parser.operands();
  if (files.size() == 3 && !sizeValue(files[2]).empty()) {
    std::fprintf(stderr, "vex3d thumbnail: SIZE %s: wants 1 to 4096 pixels\n", files[2].c_str());
    return 2;
  }
  struct stat st {};
  if (maxMiB > 0.0 && ::stat(files[0].c_str(), &st) == 0 &&
      static_cast<double>(st.st_size) > maxMiB * 1024.0 * 1024.0) {
    std::fprintf(stderr, "vex3d: %s: larger than %g MiB, no thumbnail\n", files[0].c_str(), maxMiB);
    return 1;
  }
  std::string error;
  CSceneImportOptions importOptions;
  importOptions.m_upAxis = up;
  // Nobody chose to open this file: it may not reach files outside its
  // folder through its references.
  importOptions.m_confined = true;
  importOptions.m_timeBudget = static_cast<std::uint32_t>(seconds);
  importOptions.m_memoryBudget = static_cast<std::uint64_t>(memoryMiB * 1024.0 * 1024.0);
  std::unique_ptr<C3DScene> scene = readScene(files[0], &importOptions, error);
  if (!scene) {
    std::fprintf(stderr, "vex3d: %s: %s\n", files[0].c_str(), error.c_str());
    return 1;
  }
  if (scene->GetPointNbr() == 0) {
    std::fprintf(stderr, "vex3d: no geometry in %s\n", files[0].c_str());
    return 1;
  }
  // Seen from a three-quarter view, flat models show their area whichever
  // axis plane they lie in, and both sides of a face are drawn: a single
  // sheet seen from behind is still the model.
  _GlViewSettings settings;
  settings.mask = kApplyMode | GLVS_ROTATION;
  settings.viewMode = VIEW_SMOOTH | (kDisplayOptions & ~static_cast<std::uint32_t>(VIEW_CULL_BACK));
  settings.rotation = threeQuarterViewRotation();
  std::unique_ptr<Bitmap> image =
      renderFramedSceneToBitmap(*scene, size, size, &settings, kThumbnailMargin, &error);
  if (!image) {
    std::fprintf(stderr, "vex3d: cannot render: %s\n", error.c_str());
    return 1;
  }
  // An empty image would stand for the file in the browser for good; with
  // no thumbnail it keeps its generic icon.
  if (countDrawnPixels(*image) == 0) {
    std::fprintf(stderr,
                 "vex3d: nothing of %s shows in a thumbnail (its objects are hidden, or hold "
                 "no faces and no lines); none written\n",
                 files[0].c_str());
    return 1;
  }
  return writeRendering(std::move(image), files[1], true) ? 0 : 1;
}

}  // namespace vex3d::cli

namespace {

// Drawing a scene that does not fit the memory left (a thumbnail's budget,
// a machine short of it) fails like a file that cannot be read.
int exitOnMemoryShortage(int (*command)(const std::vector<std::string>&),
                         const std::vector<std::string>& args) {
  try {
    return command(args);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "vex3d: not enough memory\n");
    return 1;
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int vex3dRunRender(
    const std::vector<std::string>& args) {
  return exitOnMemoryShortage(vex3d::cli::render, args);
}

extern "C" __attribute__((visibility("default"))) int vex3dRunThumbnail(
    const std::vector<std::string>& args) {
  return exitOnMemoryShortage(vex3d::cli::thumbnail, args);
}
