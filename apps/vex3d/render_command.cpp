// `vex3d render` and `vex3d thumbnail`: a scene drawn off screen, no
// display needed. Built as a module of its own that the command loads when
// one of them runs; its two entry points are the only names it exports.
#include <sys/stat.h>

#include <bit>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "batch_run.h"
#include "cli_files.h"
#include "cli_text.h"
#include "commands.h"
#include "hostlib/commands/command_mgr.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/text/strings.h"
#include "io/scripting.h"
#include "option_parser.h"
#include "process_limits.h"
#include "render/egl_context.h"
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

// The largest image side: what the off-screen buffers of common drivers
// take, and already a gigabyte of pixels.
constexpr int kMaxImageSide = 16384;

// Empty when `text` is WIDTHxHEIGHT within bounds, else what is wrong.
std::string parseSize(const std::string& word, int& width, int& height) {
  char* end = nullptr;
  const long w = std::strtol(word.c_str(), &end, 10);
  if (end == word.c_str() || (*end != 'x' && *end != 'X')) return LoadStringW(kStrCliWantsSize);
  const char* second = end + 1;
  const long h = std::strtol(second, &end, 10);
  if (end == second || *end != '\0' || w <= 0 || h <= 0) return LoadStringW(kStrCliWantsSize);
  if (w > kMaxImageSide || h > kMaxImageSide) {
    return text(kStrCliTooLargeSize, kMaxImageSide, kMaxImageSide);
  }
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return {};
}

// A whole number from `low` to `high`; empty when taken, else what is wrong.
std::string parseCount(const std::string& word, int low, int high, int& out) {
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (end == word.c_str() || *end != '\0' || value < low) {
    return text(kStrCliWantsRange, low, high);
  }
  if (value > high) return text(kStrCliTooLargeNumber, high);
  out = static_cast<int>(value);
  return {};
}

// A finite number of degrees from `low` to `high`.
std::string parseDegrees(const std::string& word, float low, float high, float& out) {
  char* end = nullptr;
  const double value = std::strtod(word.c_str(), &end);
  if (end == word.c_str() || *end != '\0' || !(value >= low && value <= high)) {
    return LoadStringW(kStrCliWantsDegrees);
  }
  out = static_cast<float>(value);
  return {};
}

// A time in ticks for `--frame`.
std::string parseTime(const std::string& word, int& out) {
  char* end = nullptr;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (end == word.c_str() || *end != '\0' || value < INT_MIN || value > INT_MAX) {
    return LoadStringW(kStrCliWantsTime);
  }
  out = static_cast<int>(value);
  return {};
}

// The `--frame` option's reader: the time it sets when the word is one.
auto setFrame(std::optional<int>& frame) {
  return [&frame](const std::string& v) {
    int time = 0;
    std::string wrong = parseTime(v, time);
    if (wrong.empty()) frame = time;
    return wrong;
  };
}

// Shows the scene at `time`, saying so when the time lies outside what
// the scene animates (the nearest end is shown).
void goToFrame(C3DScene& scene, const std::optional<int>& time) {
  if (!time) return;
  const CTimeRange range = scene.GetTimeRange();
  if (*time < range.GetStart() || *time > range.GetEnd()) {
    printText(stderr, kStrCliFrameOutOfRange, *time, range.GetStart(), range.GetEnd());
  }
  scene.SetCurrentTime(*time);
}

bool parseColor(const std::string& word, CRGBColor& color) {
  const std::string hex = !word.empty() && word[0] == '#' ? word.substr(1) : word;
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
    printText(stderr, kStrCliFileError, out.c_str(), error.c_str());
    return false;
  }
  return true;
}

}  // namespace

// The name a map gives, or an error text listing the names it knows.
std::string pick(const std::map<std::string, std::uint32_t>& names, const std::string& word,
                 std::uint32_t& out) {
  const auto found = names.find(word);
  if (found != names.end()) {
    out = found->second;
    return {};
  }
  std::string known;
  for (const auto& [name, index] : names) known += (known.empty() ? "" : ", ") + name;
  return text(kStrCliWantsOneOf, known.c_str());
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
  float azimuth = 0.0f;
  float elevation = 0.0f;
  std::optional<int> frame;
  std::string format;
  bool verbose = false;
  auto setDegrees = [&params](std::uint32_t key, float low, float high, float& target) {
    return [&params, key, low, high, &target](const std::string& v) {
      std::string wrong = parseDegrees(v, low, high, target);
      if (wrong.empty()) params.SetUInt(key, std::bit_cast<std::uint32_t>(target));
      return wrong;
    };
  };
  OptionParser parser("render", LoadStringW(kStrCliRenderOperands), 1, 1);
  parser
      .value("output", 'o', LoadStringW(kStrCliValueOut), LoadStringW(kStrCliOutputHelp),
             [&out](const std::string& v) {
               out = v;
               return std::string();
             })
      .value("size", 0, LoadStringW(kStrCliValueSize), LoadStringW(kStrCliSizeHelp),
             [&params](const std::string& v) {
               int width = 0;
               int height = 0;
               std::string wrong = parseSize(v, width, height);
               if (!wrong.empty()) return wrong;
               params.SetUInt(kSaveBitmapWidth, static_cast<std::uint32_t>(width));
               params.SetUInt(kSaveBitmapHeight, static_cast<std::uint32_t>(height));
               return std::string();
             })
      .value("mode", 0, LoadStringW(kStrCliValueMode), LoadStringW(kStrCliModeHelp),
             setUInt(kSaveBitmapRenderMode, kModeIndex))
      .value("view", 0, LoadStringW(kStrCliValueView), LoadStringW(kStrCliViewHelp),
             setUInt(kSaveBitmapViewPos, kViewIndex))
      .value("azimuth", 0, LoadStringW(kStrCliValueDegrees), LoadStringW(kStrCliAzimuthHelp),
             setDegrees(kSaveBitmapAzimuth, -3600.0f, 3600.0f, azimuth))
      .value("elevation", 0, LoadStringW(kStrCliValueDegrees), LoadStringW(kStrCliElevationHelp),
             setDegrees(kSaveBitmapElevation, -90.0f, 90.0f, elevation))
      .value("frame", 0, LoadStringW(kStrCliValueTime), LoadStringW(kStrCliFrameHelp),
             setFrame(frame))
      .value("background", 0, LoadStringW(kStrCliValueColor), LoadStringW(kStrCliBackgroundHelp),
             [&params](const std::string& v) {
               CRGBColor color;
               if (!parseColor(v, color)) return LoadStringW(kStrCliWantsColor);
               params.SetUInt(kSaveBitmapBackground, color.GetRGB());
               return std::string();
             })
      .flag("transparent", 0, LoadStringW(kStrCliTransparentHelp), transparent)
      .flag("antialias", 0, LoadStringW(kStrCliAntialiasHelp),
            [&params] { params.SetBool(kSaveBitmapAntialias, true); })
      .value("turntable", 0, LoadStringW(kStrCliValueCount), LoadStringW(kStrCliTurntableHelp),
             [&params](const std::string& v) {
               int count = 0;
               std::string wrong = parseCount(v, 1, 3600, count);
               if (!wrong.empty()) return wrong;
               params.SetBool(kSaveBitmapAnimate, true);
               params.SetUInt(kSaveBitmapImages, static_cast<std::uint32_t>(count));
               return std::string();
             })
      .value("amplitude", 0, LoadStringW(kStrCliValueDegrees), LoadStringW(kStrCliAmplitudeHelp),
             [&params](const std::string& v) {
               int degrees = 0;
               std::string wrong = parseCount(v, 0, 3600, degrees);
               if (wrong.empty())
                 params.SetUInt(kSaveBitmapAmplitude, static_cast<std::uint32_t>(degrees));
               return wrong;
             })
      .value("direction", 0, LoadStringW(kStrCliValueDirection), LoadStringW(kStrCliDirectionHelp),
             setUInt(kSaveBitmapMovement, kDirectionIndex))
      .value("up", 0, LoadStringW(kStrCliValueAxis), LoadStringW(kStrCliUpHelp),
             [&up](const std::string& v) { return upAxisValue(v, up); })
      .value("format", 'f', LoadStringW(kStrCliValueFormat), LoadStringW(kStrCliFormatHelp),
             [&format](const std::string& v) {
               format = v;
               return std::string();
             })
      .flag("no-cache", 0, LoadStringW(kStrCliNoCacheHelp), writeNoShaderCache)
      .flag("verbose", 'v', LoadStringW(kStrCliVerboseHelp), verbose)
      .flag("quiet", 'q', LoadStringW(kStrCliQuietRenderHelp), quiet);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  const std::string& in = parser.operands()[0];
  if (out.empty()) return OptionParser::exitStatus(parser.fail(LoadStringW(kStrCliMissingOutput)));
  TerminalProgress progress(!quiet);
  std::string error;
  CSceneImportOptions importOptions;
  importOptions.m_upAxis = up;
  std::unique_ptr<C3DScene> scene = readInput(in, format, verbose, &importOptions, error);
  const SceneKeptToExit keep(scene);
  if (!scene) {
    printText(stderr, kStrCliFileError, in.c_str(), error.c_str());
    return 1;
  }
  if (scene->GetPointNbr() == 0) printText(stderr, kStrCliNoGeometryWarning, in.c_str());
  goToFrame(*scene, frame);

  // One image per call, as a script renders a series.
  CCommandMgr manager;
  manager.AddCommand(std::make_unique<C3DSaveAsBitmap>());
  const unsigned code = vex3d::fourcc("SAVB");
  const std::uint32_t count =
      params.GetBool(kSaveBitmapAnimate) ? params.GetUInt(kSaveBitmapImages) : 1;
  ProcessProgressInfo info;
  info.title = LoadStringW(kStrCliRendering);
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
      printText(stderr, kStrCliCannotRender, in.c_str());
      status = 1;
      break;
    }
    CVexCommand* command = manager.GetCommandById(code);
    std::unique_ptr<CLayerBitmap> layers(
        static_cast<CLayerBitmap*>(command->GetOutputData().GetPtr(kSaveBitmapImage)));
    std::unique_ptr<Bitmap> image(layers ? layers->DetachLayer(0) : nullptr);
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

// A thumbnail of every operand in `folder`, each drawn by a run of its own
// under the limits the options give.
static int thumbnailBatch(const OptionParser& parser, const std::string& folder, unsigned jobs) {
  const std::string problem = batchOperandsProblem(parser.operands());
  if (!problem.empty()) return OptionParser::exitStatus(parser.fail(problem));
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    printText(stderr, kStrCliError, text(kStrCliNotAFolder, folder.c_str()).c_str());
    return 1;
  }
  const std::vector<std::string> options = parser.givenOptions({"output-dir", "jobs"});
  std::vector<BatchFile> files;
  for (const std::string& input : parser.operands()) {
    BatchFile file{input, {"thumbnail", input, batchOutputPath(input, folder, "png")}, {}};
    file.args.insert(file.args.end(), options.begin(), options.end());
    files.push_back(std::move(file));
  }
  refuseSharedOutputs(files, 2);
  return runBatch(files, {jobs, false, false, LoadStringW(kStrCliBatchThumbnails)});
}

static int thumbnail(const std::vector<std::string>& args) {
  // File managers run thumbnailers where nothing but the output may be
  // written.
  writeNoShaderCache();
  // One small image drawn once: the software driver's time to optimise its
  // shaders outweighs what the optimised shaders save, a third of a small
  // file's thumbnail. A setting of the user's own is kept.
  ::setenv("GALLIVM_PERF", "nopt", 0);
  // The image is drawn off screen: connecting to the display server would
  // take a small file's thumbnail nearly half its time.
  vex3d::EglOffscreenContext::useDisplayServer(false);
  int size = 256;
  double maxMiB = 0.0;
  std::uint32_t up = UP_AXIS_UNKNOWN;
  double memoryMiB = static_cast<double>(defaultThumbnailMemory() >> 20);
  int seconds = kDefaultThumbnailSeconds;
  std::optional<int> frame;
  std::string format;
  auto sizeValue = [&size](const std::string& v) { return parseCount(v, 1, 4096, size); };
  auto mebibytes = [](double& target, bool zeroAllowed) {
    return [&target, zeroAllowed](const std::string& v) {
      char* end = nullptr;
      const double value = std::strtod(v.c_str(), &end);
      if (end == v.c_str() || *end != '\0' || !(value > 0.0 || (zeroAllowed && value == 0.0))) {
        return LoadStringW(kStrCliWantsMiB);
      }
      // A terabyte of file or of memory is no thumbnail's.
      if (value > 1048576.0) return text(kStrCliTooLargeNumber, 1048576);
      target = value;
      return std::string();
    };
  };
  std::string outputDir;
  unsigned jobs = availableProcessors();
  // Thumbnailers are called as "IN OUT SIZE" too.
  OptionParser parser("thumbnail", LoadStringW(kStrCliThumbnailOperands), 1, OptionParser::kMany);
  parser
      .value("output-dir", 0, LoadStringW(kStrCliValueFolder),
             LoadStringW(kStrCliThumbOutputDirHelp),
             [&outputDir](const std::string& v) {
               outputDir = v;
               return std::string();
             })
      .value("jobs", 'j', LoadStringW(kStrCliValueCount), LoadStringW(kStrCliJobsHelp),
             [&jobs](const std::string& v) { return jobsValue(v, jobs); })
      .value("size", 's', LoadStringW(kStrCliValueCount), LoadStringW(kStrCliThumbSizeHelp),
             sizeValue)
      .value("max-size", 0, LoadStringW(kStrCliValueMiB), LoadStringW(kStrCliMaxSizeHelp),
             mebibytes(maxMiB, false))
      .value("memory-limit", 0, LoadStringW(kStrCliValueMiB), LoadStringW(kStrCliMemoryLimitHelp),
             mebibytes(memoryMiB, true))
      .value("time-limit", 0, LoadStringW(kStrCliValueSeconds), LoadStringW(kStrCliTimeLimitHelp),
             [&seconds](const std::string& v) { return parseCount(v, 0, 86400, seconds); })
      .value("frame", 0, LoadStringW(kStrCliValueTime), LoadStringW(kStrCliFrameHelp),
             setFrame(frame))
      .value("format", 'f', LoadStringW(kStrCliValueFormat), LoadStringW(kStrCliFormatHelp),
             [&format](const std::string& v) {
               format = v;
               return std::string();
             })
      .value("up", 0, LoadStringW(kStrCliValueAxis), LoadStringW(kStrCliUpHelp),
             [&up](const std::string& v) { return upAxisValue(v, up); });
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  if (!outputDir.empty()) return thumbnailBatch(parser, outputDir, jobs);
  const std::vector<std::string>& files = parser.operands();
  if (files.size() < 2) {
    return OptionParser::exitStatus(
        parser.fail(text(kStrCliTooFewOperands, parser.operandText().c_str())));
  }
  if (files.size() > 3) {
    return OptionParser::exitStatus(parser.fail(text(kStrCliUnexpectedArgument, files[3].c_str())));
  }
  // The file manager hands over whatever lies in a folder: a file that
  // would read forever or without end gives up here, leaving no image.
  const auto memoryBytes = static_cast<std::uint64_t>(memoryMiB * 1024.0 * 1024.0);
  limitProcess(memoryBytes, static_cast<unsigned>(seconds));
  // A texture is decoded, converted and copied a few times over before it
  // is scaled down: one of 16384 x 16384 would take the whole budget.
  if (memoryBytes > 0) vex3d::setImagePixelLimit(memoryBytes / 64);
  if (files.size() == 3) {
    const std::string wrong = sizeValue(files[2]);
    if (!wrong.empty()) {
      return OptionParser::exitStatus(
          parser.fail(text(kStrCliThumbnailSizeOperand, files[2].c_str(), wrong.c_str())));
    }
  }
  struct stat st {};
  if (maxMiB > 0.0 && ::stat(files[0].c_str(), &st) == 0 &&
      static_cast<double>(st.st_size) > maxMiB * 1024.0 * 1024.0) {
    printText(stderr, kStrCliFileError, files[0].c_str(), text(kStrCliLargerThan, maxMiB).c_str());
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
  std::unique_ptr<C3DScene> scene = readInput(files[0], format, false, &importOptions, error);
  const SceneKeptToExit keep(scene);
  if (!scene) {
    printText(stderr, kStrCliFileError, files[0].c_str(), error.c_str());
    return 1;
  }
  if (scene->GetPointNbr() == 0) {
    printText(stderr, kStrCliError, text(kStrCliNoGeometry, files[0].c_str()).c_str());
    return 1;
  }
  goToFrame(*scene, frame);
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
    printText(stderr, kStrCliCannotRenderWhy, error.c_str());
    return 1;
  }
  // An empty image would stand for the file in the browser for good; with
  // no thumbnail it keeps its generic icon.
  if (countDrawnPixels(*image) == 0) {
    printText(stderr, kStrCliNothingShows, files[0].c_str());
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
    vex3d::cli::printText(stderr, vex3d::kStrCliNotEnoughMemory);
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
