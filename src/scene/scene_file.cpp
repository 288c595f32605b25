#include "scene/scene_file.h"

#include <cstring>
#include <span>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/files/atomic_file.h"
#include "hostlib/files/file_io.h"
#include "hostlib/text/strings.h"
#include "scene/embedded_images.h"
#include "scene/scene.h"

namespace {
constexpr char kMagic[4] = {'V', '3', 'D', 'S'};
constexpr std::size_t kHeaderBytes = 8;
constexpr char kImagesMagic[4] = {'E', 'M', 'B', 'I'};
}  // namespace

bool vex3d::saveSceneFile(C3DScene& scene, const std::string& path, std::string& error) {
  std::vector<std::uint8_t> bytes(kHeaderBytes);
  std::memcpy(bytes.data(), kMagic, sizeof kMagic);
  for (int i = 0; i < 4; ++i)
    bytes[4 + i] = static_cast<std::uint8_t>(kSceneFileVersion >> (8 * i));
  try {
    std::vector<std::uint8_t> body;
    {
      CArchive ar(body, CArchive::store);
      scene.Serialize(ar);
      if (vex3d::hasEmbeddedImages(scene)) {
        ar.Write(kImagesMagic, sizeof kImagesMagic);
        vex3d::storeEmbeddedImages(ar, scene);
      }
    }
    bytes.insert(bytes.end(), body.begin(), body.end());
  } catch (const CArchiveException& e) {
    error = e.what();
    return false;
  }
  if (!writeFileAtomically(path, bytes.data(), bytes.size(), error)) return false;
  return true;
}

bool vex3d::loadSceneFile(const std::string& path, C3DScene& scene, std::string& error) {
  std::vector<std::string> warnings;
  return loadSceneFile(path, scene, error, warnings);
}

bool vex3d::loadSceneFile(const std::string& path, C3DScene& scene, std::string& error,
                          std::vector<std::string>& warnings) {
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(path, bytes)) {
    error = "the file could not be read";
    return false;
  }
  if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
    error = "not a scene file";
    return false;
  }
  const std::uint32_t version =
      bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (static_cast<std::uint32_t>(bytes[7]) << 24);
  if (version != kSceneFileVersion) {
    error = "unknown scene file version " + std::to_string(version);
    return false;
  }
  try {
    CArchive ar(
        std::span<const std::uint8_t>(bytes.data() + kHeaderBytes, bytes.size() - kHeaderBytes));
    scene.Serialize(ar);
    char magic[sizeof kImagesMagic] = {};
    if (ar.Remaining() >= sizeof magic) {
      ar.ReadExact(magic, sizeof magic);
      if (std::memcmp(magic, kImagesMagic, sizeof magic) == 0) {
        // The scene itself is whole: a damaged table costs its images only.
        try {
          loadEmbeddedImages(ar, scene, EmbeddedImageCheck::decode, warnings);
        } catch (const CArchiveException& e) {
          warnings.push_back(FormatString(kStrEmbeddedImageSkipped, "*", e.what()));
        }
      }
    }
  } catch (const CArchiveException& e) {
    error = e.what();
    return false;
  }
  return true;
}
