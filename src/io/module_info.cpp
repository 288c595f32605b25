#include "io/module_info.h"

const char* Vex3DVersion() { return VEX3D_VERSION; }
