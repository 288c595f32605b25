#pragma once
#include "vex3d_export.h"

// Version of the 3D module, as "major.minor.patch".
VEX3D_EXPORT const char* Vex3DVersion();
