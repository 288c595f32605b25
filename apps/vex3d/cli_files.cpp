#include "cli_files.h"

#include <chrono>
#include <vector>

#include "cli_text.h"
#include "format_choice.h"
#include "hostlib/files/mapped_file.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/io/io_options.h"
#include "hostlib/text/strings.h"
#include "io/io.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace vex3d::cli {

std::unique_ptr<C3DScene> readScene(const std::string& path, CSceneImportOptions* options,
                                    std::string& error, std::FILE* warnings,
                                    std::uint32_t fileClass, const std::string& shownName) {
  C3DIo io(CFileNameSpec(path, fileClass), IO_FLAG_READ | IO_FLAG_SILENT);
  // What the viewer remembered for the format plays no part here.
  if (io.PrepareReading()) io.GetParameters().RemoveAll();
  CSceneImportOptions local;
  CSceneImportOptions& used = options != nullptr ? *options : local;
  std::unique_ptr<C3DScene> scene = io.Read(0, &used);
  if (!scene) error = io.GetIoErrorText();
  if (warnings != nullptr) {
    for (const CIoOptions::LogEntry& e : used.GetLog()) {
      if (e.level >= CIoOptions::logWarning) {
        printText(warnings, kStrCliFileWarning, (shownName.empty() ? path : shownName).c_str(),
                  e.text.c_str());
      }
    }
  }
  return scene;
}

std::unique_ptr<C3DScene> readInput(const std::string& path, const std::string& format,
                                    bool verbose, CSceneImportOptions* options, std::string& error,
                                    std::FILE* warnings) {
  StandardFile standard;
  std::string file = path;
  std::uint32_t fileClass = 0;
  // A file that cannot be opened says so before its name is judged.
  if (path == "-" || vex3d::whyNotReadable(path).empty() || !format.empty()) {
    fileClass = classForReading(path, format, error);
    if (fileClass == 0) return nullptr;
    if (path == "-") {
      file = standard.fromInput(fileClass, error);
      if (file.empty()) return nullptr;
    }
  }
  const auto start = std::chrono::steady_clock::now();
  if (verbose) printText(stderr, kStrCliReading, path.c_str());
  std::unique_ptr<C3DScene> scene = readScene(file, options, error, warnings, fileClass, path);
  if (verbose && scene) {
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    printText(stderr, kStrCliReadIn, path.c_str(), took.count());
  }
  return scene;
}

void keepToExit(std::unique_ptr<C3DScene> scene) {
  static auto* const kept = new std::vector<C3DScene*>;
  if (scene) kept->push_back(scene.release());
}

SceneKeptToExit::~SceneKeptToExit() { keepToExit(std::move(m_scene)); }

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

std::string upAxisValue(const std::string& text, std::uint32_t& axis) {
  return parseUpAxis(text, axis) ? std::string() : LoadStringW(kStrCliWantsAxis);
}

bool writeImage(std::unique_ptr<Bitmap> image, const std::string& path, std::string& error) {
  CFrameBitmap frames;
  frames.AddTailFrame(new CLayerBitmap(std::move(image)));
  C2DIo io(path, 0, nullptr);
  if (io.PrepareSaving(frames, 1) != 1 || !io.Save(frames, 0)) {
    error = io.GetLastError().empty() ? text(kStrCliCannotWrite, path.c_str()) : io.GetLastError();
    return false;
  }
  return true;
}

}  // namespace vex3d::cli
