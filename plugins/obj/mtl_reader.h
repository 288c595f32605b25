#pragma once
// MTL material libraries: each "newmtl" becomes a scene material with its
// colours, transparency and maps (diffuse, ambient, specular, opacity)
// projected through the texture channel `uvChannelId`.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class C3DMaterial;
class C3DScene;

namespace vex3d::obj {

using MaterialIds = std::unordered_map<std::string, std::uint32_t>;

// A new material of the scene under a fresh id, never the default
// material's 0 (which a fresh process would hand out first).
C3DMaterial* newMaterial(C3DScene& scene);

void readMtl(std::string_view text, C3DScene& scene, MaterialIds& ids, std::uint32_t uvChannelId,
             std::vector<std::string>& warnings);

}  // namespace vex3d::obj
