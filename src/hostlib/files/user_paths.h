#pragma once
#include <string>

#include "hostlib/hostlib_export.h"

// Folder of the user's preference files, ending with '/':
// $VEX3D_CONFIG_DIR when set and not empty, else $XDG_CONFIG_HOME/vex3d/,
// else ~/.config/vex3d/. It is not created here; writers create it.
VEXHOST_EXPORT std::string GetUserPreferencesPath();
