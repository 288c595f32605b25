#pragma once
// Running one 3D command from a script or another module, without the
// viewer: the command's parameters are swapped in for the call and always
// put back, so a scripted run never changes what the user set.
#include <cstdint>

#include "vex3d_export.h"

class C3DScene;
class CCommandMgr;
class CCustomData;

namespace vex3d {
inline constexpr std::uint32_t kSceneDataKey = 0x494F5343;  // 'IOSC'
}

// The scene the command produced from `scene` (the caller owns it), or null
// after telling the user why.
VEX3D_EXPORT C3DScene* Apply3DCommand(CCommandMgr* manager, unsigned commandID,
                                      const C3DScene* scene, const CCustomData& parameters);
// 1 when the user accepted the command's dialog; `parameters` then holds
// what was chosen.
VEX3D_EXPORT int Show3DCommandDialog(CCommandMgr* manager, unsigned commandID,
                                     CCustomData& parameters);
