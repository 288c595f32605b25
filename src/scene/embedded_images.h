#pragma once
// The pictures a scene's maps carry inside themselves (material/
// embedded_image.h), as they travel beside the scene's archive: the
// archive form of a map is fixed and holds no image, so the images follow
// the scene's archive as a table of their own, which a reader that knows
// nothing of it never reaches:
//   u32 version (1)
//   count of images, then each image's bytes as a count and the bytes
//   count of uses, then each use: u32 material id, u32 map type, u32 image
// An image used by several maps is stored once.
#include <string>
#include <vector>

#include "vex3d_export.h"

class C3DScene;
class CArchive;

namespace vex3d {

VEX3D_EXPORT bool hasEmbeddedImages(const C3DScene& scene);

VEX3D_EXPORT void storeEmbeddedImages(CArchive& ar, const C3DScene& scene);

// How the images read are taken.
enum class EmbeddedImageCheck {
  // Bytes from a file or another process: each image must decode within
  // the pixel budget; its maps then hold the decoded bitmap. An image that
  // does not is skipped with a warning and its maps keep no image.
  decode,
  // Bytes this module wrote a moment ago for a writer that only passes
  // them on: kept as they are.
  keep,
};

// Gives the maps of `scene` (already read) the images of the table. A use
// that names no map of the scene is skipped with a warning. Throws
// CArchiveException when the table is damaged or ends early.
VEX3D_EXPORT void loadEmbeddedImages(CArchive& ar, C3DScene& scene, EmbeddedImageCheck check,
                                     std::vector<std::string>& warnings);

}  // namespace vex3d
