#pragma once
// Sizes of the GL textures made from material maps.
#include "vex3d_export.h"

namespace vex3d {

// The smallest power of two >= value (value >= 1).
VEX3D_EXPORT int nextPowerOfTwo(int value);
// One side of a texture: a power of two from 4 to 512, 1024 above 512, then
// limited to `maxSize`.
VEX3D_EXPORT int textureSide(int side, int maxSize);
// The largest side allowed: the GL limit (1024 when it reports nothing),
// with fast rendering also "lowres" rounded up to a power of two.
VEX3D_EXPORT int textureMaxSize(int glMaxSize, bool fastRendering, int lowRes);

}  // namespace vex3d
