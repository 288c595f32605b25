// `vex3d render` and `vex3d thumbnail`: a scene drawn off screen, no
// display needed.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "cli_files.h"
#include "commands.h"
#include "hostlib/bitmap.h"
#include "render/gl_view_settings.h"
#include "render/render_to_bitmap.h"
#include "render/view_flags.h"
#include "scene/scene.h"

namespace vex3d::cli {

namespace {

constexpr std::uint32_t kApplyMode = 0x8;
constexpr std::uint32_t kApplyViewPos = 0x10;
constexpr std::uint32_t kApplyBackground = 0x20;
constexpr std::uint32_t kDisplayOptions =
    VIEW_TEXTURES | VIEW_VERTEX_COLORS | VIEW_SPECIFIED_NORMALS | VIEW_CULL_BACK;

const std::map<std::string, std::uint32_t> kModes = {
    {"wireframe", VIEW_WIREFRAME},
    {"flat", VIEW_FLAT},
    {"flat-wireframe", VIEW_FLAT | VIEW_WIREFRAME},
    {"smooth", VIEW_SMOOTH},
    {"smooth-wireframe", VIEW_SMOOTH | VIEW_WIREFRAME},
};
const std::map<std::string, std::uint32_t> kViews = {
    {"left", 1}, {"right", 2}, {"top", 3}, {"bottom", 4}, {"front", 5}, {"back", 6},
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

int render(C3DScene& scene, int width, int height, const _GlViewSettings& settings,
           const std::string& out, bool transparent) {
  std::string error;
  std::unique_ptr<Bitmap> image = renderSceneToBitmap(scene, width, height, &settings, &error);
  if (!image) {
    std::fprintf(stderr, "vex3d: cannot render: %s\n", error.c_str());
    return 1;
  }
  if (transparent) {
    toStraightAlpha(*image);
  } else {
    for (int y = 0; y < image->GetHeight(); ++y) {
      std::uint8_t* p = image->GetLine(y);
      for (int x = 0; x < image->GetWidth(); ++x) p[4 * x + 3] = 255;
    }
  }
  if (!writeImage(std::move(image), out, error)) {
    std::fprintf(stderr, "vex3d: %s: %s\n", out.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
  std::string in;
  std::string out;
  int width = 512;
  int height = 512;
  _GlViewSettings settings;
  settings.mask = kApplyMode | kApplyViewPos;
  settings.viewMode = VIEW_SMOOTH | kDisplayOptions;
  settings.viewPos = 5;
  bool transparent = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if ((a == "-o" || a == "--output") && hasValue) {
      out = args[++i];
    } else if (a == "--size" && hasValue) {
      if (!parseSize(args[++i], width, height)) {
        std::fprintf(stderr, "vex3d render: --size wants WIDTHxHEIGHT\n");
        return 2;
      }
    } else if (a == "--mode" && hasValue) {
      const auto mode = kModes.find(args[++i]);
      if (mode == kModes.end()) {
        std::fprintf(stderr, "vex3d render: unknown mode %s\n", args[i].c_str());
        return 2;
      }
      settings.viewMode = (settings.viewMode & ~VIEW_RENDER_MODE_MASK) | mode->second;
    } else if (a == "--view" && hasValue) {
      const auto view = kViews.find(args[++i]);
      if (view == kViews.end()) {
        std::fprintf(stderr, "vex3d render: unknown view %s\n", args[i].c_str());
        return 2;
      }
      settings.viewPos = view->second;
    } else if (a == "--background" && hasValue) {
      if (!parseColor(args[++i], settings.backgroundColor)) {
        std::fprintf(stderr, "vex3d render: --background wants RRGGBB\n");
        return 2;
      }
      settings.mask |= kApplyBackground;
    } else if (a == "--transparent") {
      transparent = true;
    } else if (!a.empty() && a[0] != '-' && in.empty()) {
      in = a;
    } else {
      std::fprintf(stderr, "vex3d render: unexpected argument %s\n", a.c_str());
      return 2;
    }
  }
  if (in.empty() || out.empty()) {
    std::fprintf(stderr,
                 "usage: vex3d render IN -o OUT [--size WxH] [--mode MODE] [--view VIEW] "
                 "[--background RRGGBB] [--transparent]\n");
    return 2;
  }
  std::string error;
  std::unique_ptr<C3DScene> scene = readScene(in, nullptr, error);
  if (!scene) {
    std::fprintf(stderr, "vex3d: %s: %s\n", in.c_str(), error.c_str());
    return 1;
  }
  return render(*scene, width, height, settings, out, transparent);
}

int runThumbnail(const std::vector<std::string>& args) {
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
  return render(*scene, size, size, settings, files[1], true);
}

}  // namespace vex3d::cli
