#include "cli_files.h"

#include "hostlib/images/bitmap.h"
#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/io/io_options.h"
#include "io/io.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace vex3d::cli {

std::unique_ptr<C3DScene> readScene(const std::string& path, CSceneImportOptions* options,
                                    std::string& error, std::FILE* warnings) {
  C3DIo io(CFileNameSpec(path, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  // What the viewer remembered for the format plays no part here.
  if (io.PrepareReading()) io.GetParameters().RemoveAll();
  CSceneImportOptions local;
  CSceneImportOptions& used = options != nullptr ? *options : local;
  std::unique_ptr<C3DScene> scene = io.Read(0, &used);
  if (!scene) error = io.GetIoErrorText();
  if (warnings != nullptr) {
    for (const CIoOptions::LogEntry& e : used.GetLog()) {
      if (e.level >= CIoOptions::logWarning) {
        std::fprintf(warnings, "vex3d: %s: warning: %s\n", path.c_str(), e.text.c_str());
      }
    }
  }
  return scene;
}

bool parseUpAxis(const std::string& text, std::uint32_t& axis) {
  if (text == "x" || text == "X") {
    axis = UP_AXIS_X;
  } else if (text == "y" || text == "Y") {
    axis = UP_AXIS_Y;
  } else if (text == "z" || text == "Z") {
    axis = UP_AXIS_Z;
  } else {
    return false;
  }
  return true;
}

bool writeImage(std::unique_ptr<Bitmap> image, const std::string& path, std::string& error) {
  CFrameBitmap frames;
  frames.AddTailFrame(new CLayerBitmap(std::move(image)));
  C2DIo io(path, 0, nullptr);
  if (io.PrepareSaving(frames, 1) != 1 || !io.Save(frames, 0)) {
    error = io.GetLastError().empty() ? "cannot write " + path : io.GetLastError();
    return false;
  }
  return true;
}

}  // namespace vex3d::cli
