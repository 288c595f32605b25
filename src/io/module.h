#pragma once
// Starting and stopping the 3D module. The host and each format plug-in may
// start it; starts are counted, and only the first start and the last stop
// do the work.
#include <cstdint>

#include "vex3d_export.h"

enum _VEX3D_START_FLAGS : unsigned {
  VEX3D_START_LIGHT = 0x1,             // no plug-ins, no command names
  VEX3D_START_RESOURCE_CHAIN = 0x100,  // also join the caller's resource chain
};

enum _VEX3D_STOP_FLAGS : unsigned {
  VEX3D_STOP_KEEP_PLUGINS = 0x1,
};

namespace vex3d {
inline constexpr std::uint32_t kCommandGroup3D = 0x3344434F;  // '3DCO'
inline constexpr std::uint32_t kPluginKind3D = 0x4000;
// Calls of Init3DVex not yet matched by Close3DVex.
VEX3D_EXPORT int moduleStartCount();
}  // namespace vex3d

// The handle of the loaded module (the dlopen handle of libvex3d), which
// resource lookups take; null when it cannot be found.
VEX3D_EXPORT void* Vex3DResourceHandle();
VEX3D_EXPORT void Init3DVex(unsigned flags);
VEX3D_EXPORT void Close3DVex(unsigned flags);
