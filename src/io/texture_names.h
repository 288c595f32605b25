#pragma once
// Texture file names are kept relative to the folder of the scene that
// names them. A scene written into another folder would then name images
// that are not there: writing names each texture found again from the
// target's folder, so the new file finds the same images.
#include <string>

class C3DScene;
class CIoOptions;

namespace vex3d {

// For files nobody chose to open (thumbnails): every map image that would
// be found outside `sourceFolder`'s tree and the configured texture
// folders loses its name, with a warning in `log`, so that a model cannot
// have other files of the disk read and drawn.
void confineTextureNames(C3DScene& scene, const std::string& sourceFolder, CIoOptions& log);

// Renames, in `scene`, every map image found from `sourceFolder` (its
// colour and its alpha image) relative to the folder of `targetFile`.
// Images that cannot be found keep their names.
void rebaseTextureNames(C3DScene& scene, const std::string& sourceFolder,
                        const std::string& targetFile);

}  // namespace vex3d
