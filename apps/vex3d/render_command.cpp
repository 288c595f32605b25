// `vex3d render` and `vex3d thumbnail`: a scene drawn off screen, no
// display needed. Built as a module of its own that the command loads when
// one of them runs; its two entry points are the only names it exports.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli_files.h"
#include "commands.h"
#include "hostlib/commands/command_mgr.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "io/scripting.h"
#include "render/render_to_bitmap.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "shared/gl_view_settings.h"
#include "terminal_progress.h"
#include "viewer/save_as_bitmap.h"

namespace vex3d::cli {

namespace {

constexpr std::uint32_t kApplyMode = 0x8;
constexpr std::uint32_t kApplyViewPos = 0x10;
constexpr const char* kRenderOptions =
    "[--size WxH] [--mode MODE] [--view VIEW] [--background RRGGBB] [--transparent] "
    "[--antialias] [--turntable N [--amplitude DEG] [--direction DIR]] [--quiet]";
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

static int render(const std::vector<std::string>& args) {
  std::string in;
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
  auto usage = [](const char* why, const std::string& what) {
    std::fprintf(stderr, "vex3d render: %s%s\n", why, what.c_str());
    return 2;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if ((a == "-o" || a == "--output") && hasValue) {
      out = args[++i];
    } else if (a == "--size" && hasValue) {
      int width = 0;
      int height = 0;
      if (!parseSize(args[++i], width, height)) return usage("--size wants WIDTHxHEIGHT", "");
      params.SetUInt(kSaveBitmapWidth, static_cast<std::uint32_t>(width));
      params.SetUInt(kSaveBitmapHeight, static_cast<std::uint32_t>(height));
    } else if (a == "--mode" && hasValue) {
      const auto mode = kModeIndex.find(args[++i]);
      if (mode == kModeIndex.end()) return usage("unknown mode ", args[i]);
      params.SetUInt(kSaveBitmapRenderMode, mode->second);
    } else if (a == "--view" && hasValue) {
      const auto view = kViewIndex.find(args[++i]);
      if (view == kViewIndex.end()) return usage("unknown view ", args[i]);
      params.SetUInt(kSaveBitmapViewPos, view->second);
    } else if (a == "--background" && hasValue) {
      CRGBColor color;
      if (!parseColor(args[++i], color)) return usage("--background wants RRGGBB", "");
      params.SetUInt(kSaveBitmapBackground, color.GetRGB());
    } else if (a == "--antialias") {
      params.SetBool(kSaveBitmapAntialias, true);
    } else if (a == "--turntable" && hasValue) {
      const int count = std::atoi(args[++i].c_str());
      if (count < 1 || count > 3600) return usage("--turntable wants 1 to 3600 images", "");
      params.SetBool(kSaveBitmapAnimate, true);
      params.SetUInt(kSaveBitmapImages, static_cast<std::uint32_t>(count));
    } else if (a == "--amplitude" && hasValue) {
      const int degrees = std::atoi(args[++i].c_str());
      if (degrees < 0 || degrees > 3600) return usage("--amplitude wants 0 to 3600 degrees", "");
      params.SetUInt(kSaveBitmapAmplitude, static_cast<std::uint32_t>(degrees));
    } else if (a == "--direction" && hasValue) {
      const auto direction = kDirectionIndex.find(args[++i]);
      if (direction == kDirectionIndex.end()) return usage("unknown direction ", args[i]);
      params.SetUInt(kSaveBitmapMovement, direction->second);
    } else if (a == "--transparent") {
      transparent = true;
    } else if (a == "--quiet" || a == "-q") {
      quiet = true;
    } else if (!a.empty() && a[0] != '-' && in.empty()) {
      in = a;
    } else {
      return usage("unexpected argument ", a);
    }
  }
  if (in.empty() || out.empty()) {
    std::fprintf(stderr, "usage: vex3d render IN -o OUT %s\n", kRenderOptions);
    return 2;
  }
  TerminalProgress progress(!quiet);
  std::string error;
  std::unique_ptr<C3DScene> scene = readScene(in, nullptr, error);
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
  // written: Mesa's shader cache would be the one other file.
  ::setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
  ::setenv("MESA_GLSL_CACHE_DISABLE", "true", 0);
  std::vector<std::string> files;
  int size = 256;
  double maxMiB = 0.0;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--size" || args[i] == "-s") && i + 1 < args.size()) {
      size = std::atoi(args[++i].c_str());
    } else if (args[i] == "--max-size" && i + 1 < args.size()) {
      maxMiB = std::atof(args[++i].c_str());
    } else {
      files.push_back(args[i]);
    }
  }
  // Thumbnailers are called as "IN OUT SIZE" too.
  if (files.size() == 3) {
    size = std::atoi(files[2].c_str());
    files.pop_back();
  }
  if (files.size() != 2 || size <= 0 || size > 4096) {
    std::fprintf(stderr, "usage: vex3d thumbnail IN OUT [--size N] [--max-size MiB]\n");
    return 2;
  }
  struct stat st {};
  if (maxMiB > 0.0 && ::stat(files[0].c_str(), &st) == 0 &&
      static_cast<double>(st.st_size) > maxMiB * 1024.0 * 1024.0) {
    std::fprintf(stderr, "vex3d: %s: larger than %g MiB, no thumbnail\n", files[0].c_str(), maxMiB);
    return 1;
  }
  std::string error;
  std::unique_ptr<C3DScene> scene = readScene(files[0], nullptr, error);
  if (!scene) {
    std::fprintf(stderr, "vex3d: %s: %s\n", files[0].c_str(), error.c_str());
    return 1;
  }
  _GlViewSettings settings;
  settings.mask = kApplyMode | kApplyViewPos;
  settings.viewMode = VIEW_SMOOTH | kDisplayOptions;
  settings.viewPos = 5;
  std::unique_ptr<Bitmap> image = renderSceneToBitmap(*scene, size, size, &settings, &error);
  if (!image) {
    std::fprintf(stderr, "vex3d: cannot render: %s\n", error.c_str());
    return 1;
  }
  return writeRendering(std::move(image), files[1], true) ? 0 : 1;
}

}  // namespace vex3d::cli

extern "C" __attribute__((visibility("default"))) int vex3dRunRender(
    const std::vector<std::string>& args) {
  return vex3d::cli::render(args);
}

extern "C" __attribute__((visibility("default"))) int vex3dRunThumbnail(
    const std::vector<std::string>& args) {
  return vex3d::cli::thumbnail(args);
}
