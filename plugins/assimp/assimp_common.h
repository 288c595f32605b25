#pragma once
// What the reader and the writer agree on.
#include <assimp/material.h>

#include "material/material_map.h"

namespace vex3d::assimp {

struct MapSlot {
  MapType type;
  aiTextureType assimpType;
};

inline constexpr MapSlot kMapSlots[] = {
    {MAP_DIFFUSE, aiTextureType_DIFFUSE},
    {MAP_AMBIENT, aiTextureType_AMBIENT},
    {MAP_SPECULAR, aiTextureType_SPECULAR},
    {MAP_TRANSPARENCY, aiTextureType_OPACITY},
};

// The module's animation ticks per second, for files that give times in
// their own units.
inline constexpr double kTicksPerSecond = 30.0;

}  // namespace vex3d::assimp
