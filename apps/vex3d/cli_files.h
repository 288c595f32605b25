#pragma once
// Reading scenes and writing images for the commands, with errors worded
// for a terminal.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class Bitmap;
class C3DScene;
class CSceneImportOptions;

namespace vex3d::cli {

// The scene of `path` read through its format plug-in; null with the reason
// in `error`. What the reader warned about goes to `warnings` as
// "vex3d: FILE: warning: ..." lines (nowhere when null).
// `fileClass` 0 chooses the format by the extension; warnings name the
// file `shownName` when given.
std::unique_ptr<C3DScene> readScene(const std::string& path, CSceneImportOptions* options,
                                    std::string& error, std::FILE* warnings = stderr,
                                    std::uint32_t fileClass = 0, const std::string& shownName = {});
// readScene for a command's input: `path` "-" is standard input, `format`
// (an extension, or empty for the path's own) the format it is read in, and
// `verbose` says on stderr what is read and how long it took.
std::unique_ptr<C3DScene> readInput(const std::string& path, const std::string& format,
                                    bool verbose, CSceneImportOptions* options, std::string& error,
                                    std::FILE* warnings = stderr);

// Hands a scene the command is done with to the end of the process, which
// gives its memory back in one go: taking a scene of a million faces apart
// object by object costs up to a tenth of a whole command. Only for the
// last scene of a command, which the process ends after; what is handed
// over stays reachable, so leak checkers do not count it.
void keepToExit(std::unique_ptr<C3DScene> scene);

// Hands `scene` to keepToExit whichever way its scope is left.
class SceneKeptToExit {
 public:
  explicit SceneKeptToExit(std::unique_ptr<C3DScene>& scene) : m_scene(scene) {}
  ~SceneKeptToExit();
  SceneKeptToExit(const SceneKeptToExit&) = delete;
  SceneKeptToExit& operator=(const SceneKeptToExit&) = delete;

 private:
  std::unique_ptr<C3DScene>& m_scene;
};

// The value of `--up` (x, y or z) as an up axis; false for anything else.
bool parseUpAxis(const std::string& text, std::uint32_t& axis);
// The setter of `--up`: empty when taken, else what is wrong.
std::string upAxisValue(const std::string& text, std::uint32_t& axis);

// Writes an RGBA image (PNG, JPEG, BMP or TGA by the extension); false with
// the reason in `error`.
bool writeImage(std::unique_ptr<Bitmap> image, const std::string& path, std::string& error);

}  // namespace vex3d::cli
