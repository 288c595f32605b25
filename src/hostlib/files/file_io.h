#pragma once
// Whole-file helpers shared by archives, preferences and the profile.
#include <cstdint>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// False when the file cannot be opened or read.
VEXHOST_EXPORT bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out);
// Writes a temporary file beside `path` and renames it over `path`, so a
// crash or a full disk never leaves a half-written file behind. Creates
// missing parent folders.
VEXHOST_EXPORT bool writeFileAtomically(const std::string& path, const void* data,
                                        std::size_t size);

}  // namespace vex3d
