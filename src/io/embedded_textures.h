#pragma once
// Embedded images on their way into a format that only names image files
// (OBJ's material library, COLLADA, 3DS...): each image becomes a file
// beside the output, named after it ("box.obj" gives "box_texture0.png"),
// and the maps that held it name that file relatively.
#include <memory>
#include <string>
#include <vector>

class C3DScene;
class CEmbeddedImage;
class CIoOptions;

namespace vex3d {

struct TextureFile {
  std::string path;
  std::shared_ptr<const CEmbeddedImage> image;
};

// Names each distinct embedded image of `scene` after `targetFile` and
// renames the maps that hold it to that file, relative to the target's
// folder; the maps keep no embedded image. The files are not written.
std::vector<TextureFile> planTextureFiles(C3DScene& scene, const std::string& targetFile);

// Writes each file atomically, in order, with a line in `log` per file
// written; stops at the first failure, with the reason in `why`. The paths
// written go to `written`.
bool writeTextureFiles(const std::vector<TextureFile>& files, CIoOptions& log,
                       std::vector<std::string>& written, std::string& why);

}  // namespace vex3d
