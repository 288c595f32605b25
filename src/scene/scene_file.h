#pragma once
// The module's own lossless scene file: "V3DS", a format version (u32),
// then the scene archive. Any scene saves and reloads bit for bit. A scene
// whose maps hold embedded images goes on with "EMBI" and the table of its
// images (embedded_images.h): readers that stop at the end of the scene's
// archive read the same scene without them.
#include <cstdint>
#include <string>
#include <vector>

#include "vex3d_export.h"

class C3DScene;

namespace vex3d {

constexpr std::uint32_t kSceneFileVersion = 1;

// Writes atomically: a failed save leaves the previous file. False with
// `error` set on failure.
VEX3D_EXPORT bool saveSceneFile(C3DScene& scene, const std::string& path, std::string& error);
// Replaces the scene's content only when the whole file was read; false
// with `error` set (and the scene untouched) otherwise.
VEX3D_EXPORT bool loadSceneFile(const std::string& path, C3DScene& scene, std::string& error);
// The same, with a warning for each embedded image that was skipped.
VEX3D_EXPORT bool loadSceneFile(const std::string& path, C3DScene& scene, std::string& error,
                                std::vector<std::string>& warnings);

}  // namespace vex3d
