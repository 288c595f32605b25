#pragma once
// Whole-file helpers shared by archives, preferences and the profile.
#include <cstdint>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// False when the file cannot be opened or read.
VEXHOST_EXPORT bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out);
// A settings file (the profile, the preferences) written whole and put in
// place only once complete (see AtomicFile). Unlike a file the user asked
// for, its folder is ours: missing folders are made.
VEXHOST_EXPORT bool writeSettingsFile(const std::string& path, const void* data, std::size_t size);

}  // namespace vex3d
